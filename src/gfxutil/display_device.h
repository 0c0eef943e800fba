#pragma once

#include <cstdint>

#include "d3d/d3d8.h"

namespace tavrin {

// The Direct3D object and the show's one rendering device, the adapter's capabilities condensed
// into three flags, and the back-buffer size. Creation never reports failure itself: the owner
// tests `d3d` and `device` for null. After a failed Direct3DCreate8, `caps` and the flags are
// zero and must not be relied on.
struct DisplayDevice {
    IDirect3D8* d3d = nullptr;
    IDirect3DDevice8* device = nullptr;
    D3DCAPS8 caps{};
    bool hasHardwareTnL = false;
    bool hasCubeMaps = false;
    bool hasDot3 = false;
    int32_t width = 0;
    int32_t height = 0;
    float aspect = 0.0f;

    // A null window gives a headless device (tests and capture).
    DisplayDevice(HWND window, int32_t width, int32_t height, bool fullScreen);
    ~DisplayDevice();
    DisplayDevice(const DisplayDevice&) = delete;
    DisplayDevice& operator=(const DisplayDevice&) = delete;
};

// The presentation parameters the display asks for: full screen at width x height, 32-bit with
// 24-bit depth and 8-bit stencil, flip, one retrace; or windowed in the desktop's format.
D3DPRESENT_PARAMETERS DisplayPresentParameters(IDirect3D8& d3d, HWND window, int32_t width,
                                               int32_t height, bool fullScreen);

// Hardware vertex processing when the adapter transforms and lights, software otherwise.
DWORD DisplayBehaviourFlags(bool hasHardwareTnL);

}  // namespace tavrin
