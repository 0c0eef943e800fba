#include "d3d/caps.h"
#include "d3d/diagnostics.h"
#include "d3d/gl_device.h"
#include "d3d/ref_counted.h"
#include "platform/gl_context.h"
#include "platform/window.h"

namespace tavrin::d3d {

namespace {

// The largest back buffer accepted; GL renderbuffers are at least this large everywhere.
constexpr UINT kMaxBackBufferSize = 8192;

bool IsBackBufferFormat(D3DFORMAT format) {
    return format == D3DFMT_A8R8G8B8 || format == D3DFMT_X8R8G8B8;
}

bool IsDepthFormat(D3DFORMAT format) {
    return format == D3DFMT_D24S8 || format == D3DFMT_D24X8 || format == D3DFMT_D16 ||
           format == D3DFMT_D32 || format == D3DFMT_D24X4S4 || format == D3DFMT_D15S1 ||
           format == D3DFMT_D16_LOCKABLE;
}

class Direct3D final : public RefCounted<IDirect3D8> {
public:
    UINT GetAdapterCount() override { return 1; }

    HRESULT GetAdapterDisplayMode(UINT adapter, D3DDISPLAYMODE* mode) override {
        if (adapter != D3DADAPTER_DEFAULT || mode == nullptr) {
            return Refuse("adapter", "there is one adapter, number 0", D3DERR_INVALIDCALL);
        }
        int width = 800;
        int height = 600;
        int refresh = 60;
        DesktopDisplayMode(width, height, refresh);  // keeps the defaults without a display
        *mode = {static_cast<UINT>(width), static_cast<UINT>(height), static_cast<UINT>(refresh),
                 D3DFMT_X8R8G8B8};
        return D3D_OK;
    }

    HRESULT GetDeviceCaps(UINT adapter, D3DDEVTYPE type, D3DCAPS8* caps) override {
        if (adapter != D3DADAPTER_DEFAULT || caps == nullptr) {
            return Refuse("adapter", "there is one adapter, number 0", D3DERR_INVALIDCALL);
        }
        if (type != D3DDEVTYPE_HAL) return D3DERR_NOTAVAILABLE;
        FillCaps(*caps);
        return D3D_OK;
    }

    HRESULT CreateDevice(UINT adapter, D3DDEVTYPE type, HWND focusWindow, DWORD behaviour,
                         D3DPRESENT_PARAMETERS* parameters, IDirect3DDevice8** device) override {
        if (device == nullptr || parameters == nullptr) {
            return Refuse("create-args", "CreateDevice needs present parameters and a device pointer",
                          D3DERR_INVALIDCALL);
        }
        *device = nullptr;
        if (adapter != D3DADAPTER_DEFAULT) return Refuse("adapter", "there is one adapter, number 0", D3DERR_INVALIDCALL);
        if (type != D3DDEVTYPE_HAL) return D3DERR_NOTAVAILABLE;
        const DWORD processing = behaviour & (D3DCREATE_SOFTWARE_VERTEXPROCESSING |
                                              D3DCREATE_HARDWARE_VERTEXPROCESSING |
                                              D3DCREATE_MIXED_VERTEXPROCESSING);
        if (processing != D3DCREATE_SOFTWARE_VERTEXPROCESSING &&
            processing != D3DCREATE_HARDWARE_VERTEXPROCESSING &&
            processing != D3DCREATE_MIXED_VERTEXPROCESSING) {
            return Refuse("create-processing", "CreateDevice needs exactly one of the SOFTWARE, "
                                               "HARDWARE and MIXED vertex processing flags",
                          D3DERR_INVALIDCALL);
        }
        HWND window = parameters->hDeviceWindow != nullptr ? parameters->hDeviceWindow : focusWindow;
        const bool windowed = parameters->Windowed != FALSE;
        UINT width = parameters->BackBufferWidth;
        UINT height = parameters->BackBufferHeight;
        if (windowed && (width == 0 || height == 0) && window != nullptr) {
            int clientWidth = 0;
            int clientHeight = 0;
            window->ClientSize(clientWidth, clientHeight);
            if (width == 0) width = static_cast<UINT>(clientWidth);
            if (height == 0) height = static_cast<UINT>(clientHeight);
        }
        if (width == 0 || height == 0 || width > kMaxBackBufferSize || height > kMaxBackBufferSize) {
            return Refuse("create-size", "CreateDevice needs a back buffer between 1 x 1 and 8192 x 8192",
                          D3DERR_INVALIDCALL);
        }
        D3DFORMAT format = parameters->BackBufferFormat;
        if (windowed && format == D3DFMT_UNKNOWN) format = D3DFMT_X8R8G8B8;
        if (!IsBackBufferFormat(format)) {
            return Refuse("create-format", "the back buffer is A8R8G8B8 or X8R8G8B8", D3DERR_INVALIDCALL);
        }
        if (parameters->EnableAutoDepthStencil != FALSE && !IsDepthFormat(parameters->AutoDepthStencilFormat)) {
            return Refuse("create-depth", "the automatic depth-stencil format is not a depth format",
                          D3DERR_INVALIDCALL);
        }
        if (parameters->BackBufferCount > 1 || parameters->MultiSampleType != D3DMULTISAMPLE_NONE) {
            Report("create-extras", "extra back buffers and multisampling are not made");
        }

        std::unique_ptr<GlContext> context;
        if (window != nullptr) {
            const UINT interval = parameters->FullScreen_PresentationInterval;
            context = CreateWindowGlContext(*window, windowed || interval != D3DPRESENT_INTERVAL_IMMEDIATE);
        } else {
            context = CreateHeadlessGlContext();
        }
        if (context == nullptr) {
            return Refuse("create-context", "no OpenGL 3.3 core context: " + GlContextError(),
                          D3DERR_NOTAVAILABLE);
        }
        D3DPRESENT_PARAMETERS used = *parameters;
        used.BackBufferWidth = width;
        used.BackBufferHeight = height;
        used.BackBufferFormat = format;
        used.BackBufferCount = 1;
        const HRESULT result = Device::Create(this, std::move(context), used, width, height, device);
        if (SUCCEEDED(result)) *parameters = used;  // Direct3D reports the sizes it chose
        return result;
    }
};

}  // namespace

}  // namespace tavrin::d3d

IDirect3D8* Direct3DCreate8(UINT sdkVersion) {
    if (sdkVersion != D3D_SDK_VERSION) {
        tavrin::d3d::Report("sdk-version", "Direct3DCreate8 expects SDK version 120");
        return nullptr;
    }
    return new tavrin::d3d::Direct3D();
}
