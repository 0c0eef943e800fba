#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "gfxutil/display_device.h"

namespace tavrin::testing {

// A headless 800 x 600 display in its initial state, as the show's effects see it.
class DisplayTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    DWORD RenderState(D3DRENDERSTATETYPE state);
    DWORD StageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type);
    D3DMATRIX Transform(D3DTRANSFORMSTATETYPE state);
    uint32_t Pixel(int x, int y);
    void BeginFrame();
    void EndFrame();
    // A width x height A8R8G8B8 texture filled row by row, level 0 only.
    IDirect3DTexture8* MakeTexture(UINT width, UINT height, const std::vector<uint32_t>& texels,
                                   D3DFORMAT format = D3DFMT_A8R8G8B8);

    std::unique_ptr<DisplayDevice> display;
    IDirect3DDevice8* device = nullptr;
    std::vector<IDirect3DTexture8*> textures;
};

inline int Red(uint32_t c) { return static_cast<int>((c >> 16) & 0xFF); }
::testing::AssertionResult ColorNear(uint32_t actual, uint32_t expected, int tolerance = 3);
::testing::AssertionResult MatrixNear(const D3DMATRIX& actual, const D3DMATRIX& expected,
                                      float tolerance = 1e-5f);

}  // namespace tavrin::testing
