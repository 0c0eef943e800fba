#include "display_fixture.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

#include "platform/random.h"

namespace tavrin::testing {

void DisplayTest::SetUp() {
    ResetRand();
    display = std::make_unique<DisplayDevice>(nullptr, 800, 600, true);
    device = display->device;
    ASSERT_NE(device, nullptr) << "no headless display";
}

void DisplayTest::TearDown() {
    for (IDirect3DTexture8* texture : textures) texture->Release();
    display.reset();
}

DWORD DisplayTest::RenderState(D3DRENDERSTATETYPE state) {
    DWORD value = 0xDEADBEEF;
    device->GetRenderState(state, &value);
    return value;
}

DWORD DisplayTest::StageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type) {
    DWORD value = 0xDEADBEEF;
    device->GetTextureStageState(stage, type, &value);
    return value;
}

D3DMATRIX DisplayTest::Transform(D3DTRANSFORMSTATETYPE state) {
    D3DMATRIX m{};
    device->GetTransform(state, &m);
    return m;
}

uint32_t DisplayTest::Pixel(int x, int y) {
    std::vector<uint32_t> pixels(800 * 600);
    device->ReadBackBuffer(pixels.data(), 800 * 4);
    return pixels[static_cast<size_t>(y) * 800 + x];
}

void DisplayTest::BeginFrame() {
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000u, 1.0f, 0);
    device->BeginScene();
}

void DisplayTest::EndFrame() { device->EndScene(); }

IDirect3DTexture8* DisplayTest::MakeTexture(UINT width, UINT height,
                                            const std::vector<uint32_t>& texels, D3DFORMAT format) {
    IDirect3DTexture8* texture = nullptr;
    if (device->CreateTexture(width, height, 1, 0, format, D3DPOOL_MANAGED, &texture) != D3D_OK) {
        ADD_FAILURE() << "CreateTexture failed";
        return nullptr;
    }
    D3DLOCKED_RECT locked{};
    texture->LockRect(0, &locked, nullptr, 0);
    const size_t texelBytes = format == D3DFMT_A8R8G8B8 ? 4 : 2;
    for (UINT y = 0; y < height; ++y) {
        auto* row = static_cast<uint8_t*>(locked.pBits) + static_cast<size_t>(y) * locked.Pitch;
        for (UINT x = 0; x < width; ++x) {
            const uint32_t texel = texels[static_cast<size_t>(y) * width + x];
            std::memcpy(row + x * texelBytes, &texel, texelBytes);
        }
    }
    texture->UnlockRect(0);
    textures.push_back(texture);
    return texture;
}

::testing::AssertionResult ColorNear(uint32_t actual, uint32_t expected, int tolerance) {
    for (int shift = 0; shift < 24; shift += 8) {
        const int a = static_cast<int>((actual >> shift) & 0xFF);
        const int e = static_cast<int>((expected >> shift) & 0xFF);
        if (std::abs(a - e) > tolerance) {
            return ::testing::AssertionFailure() << std::hex << "colour 0x" << actual
                                                 << ", expected 0x" << expected;
        }
    }
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult MatrixNear(const D3DMATRIX& actual, const D3DMATRIX& expected,
                                      float tolerance) {
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            if (std::fabs(actual.m[i][j] - expected.m[i][j]) > tolerance) {
                return ::testing::AssertionFailure()
                       << "element [" << i << "][" << j << "] is " << actual.m[i][j]
                       << ", expected " << expected.m[i][j];
            }
        }
    }
    return ::testing::AssertionSuccess();
}

}  // namespace tavrin::testing
