#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "d3d/d3d8.h"

namespace tavrin::testing {

// Vertex layouts the tests draw with.
struct ScreenVertex {  // D3DFVF_XYZRHW | D3DFVF_DIFFUSE
    float x, y, z, rhw;
    D3DCOLOR color;
};
struct ScreenTexVertex {  // D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1
    float x, y, z, rhw;
    D3DCOLOR color;
    float u, v;
};
struct ColorVertex {  // D3DFVF_XYZ | D3DFVF_DIFFUSE
    float x, y, z;
    D3DCOLOR color;
};
struct LitVertex {  // D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_DIFFUSE
    float x, y, z;
    float nx, ny, nz;
    D3DCOLOR color;
};
struct NormalVertex {  // D3DFVF_XYZ | D3DFVF_NORMAL
    float x, y, z;
    float nx, ny, nz;
};

inline constexpr DWORD kScreenFvf = D3DFVF_XYZRHW | D3DFVF_DIFFUSE;
inline constexpr DWORD kScreenTexFvf = D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1;
inline constexpr DWORD kColorFvf = D3DFVF_XYZ | D3DFVF_DIFFUSE;
inline constexpr DWORD kLitFvf = D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_DIFFUSE;
inline constexpr DWORD kNormalFvf = D3DFVF_XYZ | D3DFVF_NORMAL;

// A headless device with a small back buffer, in its initial state.
class DeviceTest : public ::testing::Test {
protected:
    static constexpr UINT kWidth = 64;
    static constexpr UINT kHeight = 48;

    void SetUp() override;
    void TearDown() override;

    // The back buffer's pixel at column x, row y (row 0 at the top), as A8R8G8B8.
    uint32_t Pixel(int x, int y);
    std::vector<uint32_t> Pixels();

    void ClearTo(D3DCOLOR color);
    // A screen-space rectangle [x0, x1) x [y0, y1) in one colour at depth z, as two triangles.
    void FillRect(float x0, float y0, float x1, float y1, D3DCOLOR color, float z = 0.5f);
    // The same with texture coordinates 0..1 across it, u to the right and v downwards.
    void FillTexturedRect(float x0, float y0, float x1, float y1, D3DCOLOR color);
    // A texture of `width` x `height` A8R8G8B8 texels, filled row by row (row 0 first).
    IDirect3DTexture8* MakeTexture(UINT width, UINT height, const std::vector<uint32_t>& texels);

    IDirect3D8* d3d = nullptr;
    IDirect3DDevice8* device = nullptr;
};

// Channel access and tolerant comparison for read-back colours.
inline int Red(uint32_t c) { return static_cast<int>((c >> 16) & 0xFF); }
inline int Green(uint32_t c) { return static_cast<int>((c >> 8) & 0xFF); }
inline int Blue(uint32_t c) { return static_cast<int>(c & 0xFF); }
inline int Alpha(uint32_t c) { return static_cast<int>(c >> 24); }

::testing::AssertionResult ColorNear(uint32_t actual, uint32_t expected, int tolerance = 2);

}  // namespace tavrin::testing
