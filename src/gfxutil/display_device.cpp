#include "gfxutil/display_device.h"

namespace tavrin {

D3DPRESENT_PARAMETERS DisplayPresentParameters(IDirect3D8& d3d, HWND window, int32_t width,
                                               int32_t height, bool fullScreen) {
    D3DPRESENT_PARAMETERS parameters{};
    parameters.hDeviceWindow = window;
    parameters.EnableAutoDepthStencil = TRUE;
    parameters.AutoDepthStencilFormat = D3DFMT_D24S8;
    if (fullScreen) {
        parameters.BackBufferWidth = static_cast<UINT>(width);
        parameters.BackBufferHeight = static_cast<UINT>(height);
        parameters.BackBufferFormat = D3DFMT_A8R8G8B8;
        parameters.Windowed = FALSE;
        parameters.SwapEffect = D3DSWAPEFFECT_FLIP;
        parameters.FullScreen_PresentationInterval = D3DPRESENT_INTERVAL_ONE;
    } else {
        D3DDISPLAYMODE mode{};
        d3d.GetAdapterDisplayMode(D3DADAPTER_DEFAULT, &mode);
        parameters.BackBufferFormat = mode.Format;
        parameters.Windowed = TRUE;
        parameters.SwapEffect = D3DSWAPEFFECT_DISCARD;
    }
    return parameters;
}

DWORD DisplayBehaviourFlags(bool hasHardwareTnL) {
    return hasHardwareTnL ? D3DCREATE_HARDWARE_VERTEXPROCESSING
                          : D3DCREATE_SOFTWARE_VERTEXPROCESSING;
}

DisplayDevice::DisplayDevice(HWND window, int32_t width_, int32_t height_, bool fullScreen)
    : width(width_),
      height(height_),
      aspect(static_cast<float>(static_cast<double>(width_) / static_cast<double>(height_))) {
    d3d = Direct3DCreate8(D3D_SDK_VERSION);
    if (d3d == nullptr) return;
    d3d->GetDeviceCaps(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, &caps);
    hasHardwareTnL = (caps.DevCaps & D3DDEVCAPS_HWTRANSFORMANDLIGHT) != 0;
    hasCubeMaps = (caps.TextureCaps & D3DPTEXTURECAPS_CUBEMAP) != 0;
    hasDot3 = (caps.TextureOpCaps & D3DTEXOPCAPS_DOTPRODUCT3) != 0;
    D3DPRESENT_PARAMETERS parameters =
        DisplayPresentParameters(*d3d, window, width, height, fullScreen);
    d3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, window,
                      DisplayBehaviourFlags(hasHardwareTnL), &parameters, &device);
}

DisplayDevice::~DisplayDevice() {
    if (device != nullptr) device->Release();
    if (d3d != nullptr) d3d->Release();
}

}  // namespace tavrin
