#include "device_fixture.h"

#include <cstdio>
#include <cstdlib>

namespace tavrin::testing {

void DeviceTest::SetUp() {
    d3d = Direct3DCreate8(D3D_SDK_VERSION);
    ASSERT_NE(d3d, nullptr);
    D3DPRESENT_PARAMETERS parameters{};
    parameters.BackBufferWidth = kWidth;
    parameters.BackBufferHeight = kHeight;
    parameters.BackBufferFormat = D3DFMT_A8R8G8B8;
    parameters.SwapEffect = D3DSWAPEFFECT_FLIP;
    parameters.EnableAutoDepthStencil = TRUE;
    parameters.AutoDepthStencilFormat = D3DFMT_D24S8;
    ASSERT_EQ(d3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, nullptr,
                                D3DCREATE_HARDWARE_VERTEXPROCESSING, &parameters, &device),
              D3D_OK);
    ASSERT_NE(device, nullptr);
}

void DeviceTest::TearDown() {
    if (device != nullptr) {
        EXPECT_EQ(device->Release(), 0u);
    }
    if (d3d != nullptr) {
        EXPECT_EQ(d3d->Release(), 0u);
    }
}

std::vector<uint32_t> DeviceTest::Pixels() {
    std::vector<uint32_t> pixels(kWidth * kHeight);
    EXPECT_EQ(device->ReadBackBuffer(pixels.data(), kWidth * 4), D3D_OK);
    return pixels;
}

uint32_t DeviceTest::Pixel(int x, int y) {
    return Pixels()[static_cast<size_t>(y) * kWidth + x];
}

void DeviceTest::ClearTo(D3DCOLOR color) {
    ASSERT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, color, 1.0f, 0), D3D_OK);
}

void DeviceTest::FillRect(float x0, float y0, float x1, float y1, D3DCOLOR color, float z) {
    const ScreenVertex quad[4] = {{x0, y0, z, 1.0f, color},
                                  {x1, y0, z, 1.0f, color},
                                  {x0, y1, z, 1.0f, color},
                                  {x1, y1, z, 1.0f, color}};
    ASSERT_EQ(device->SetVertexShader(kScreenFvf), D3D_OK);
    ASSERT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(ScreenVertex)), D3D_OK);
}

void DeviceTest::FillTexturedRect(float x0, float y0, float x1, float y1, D3DCOLOR color) {
    const ScreenTexVertex quad[4] = {{x0, y0, 0.5f, 1.0f, color, 0.0f, 0.0f},
                                     {x1, y0, 0.5f, 1.0f, color, 1.0f, 0.0f},
                                     {x0, y1, 0.5f, 1.0f, color, 0.0f, 1.0f},
                                     {x1, y1, 0.5f, 1.0f, color, 1.0f, 1.0f}};
    ASSERT_EQ(device->SetVertexShader(kScreenTexFvf), D3D_OK);
    ASSERT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(ScreenTexVertex)), D3D_OK);
}

IDirect3DTexture8* DeviceTest::MakeTexture(UINT width, UINT height, const std::vector<uint32_t>& texels) {
    IDirect3DTexture8* texture = nullptr;
    EXPECT_EQ(device->CreateTexture(width, height, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture), D3D_OK);
    if (texture == nullptr) return nullptr;
    D3DLOCKED_RECT locked{};
    EXPECT_EQ(texture->LockRect(0, &locked, nullptr, 0), D3D_OK);
    for (UINT row = 0; row < height; ++row) {
        auto* line = reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(locked.pBits) + row * locked.Pitch);
        for (UINT column = 0; column < width; ++column) line[column] = texels[row * width + column];
    }
    EXPECT_EQ(texture->UnlockRect(0), D3D_OK);
    return texture;
}

::testing::AssertionResult ColorNear(uint32_t actual, uint32_t expected, int tolerance) {
    const bool near = std::abs(Red(actual) - Red(expected)) <= tolerance &&
                      std::abs(Green(actual) - Green(expected)) <= tolerance &&
                      std::abs(Blue(actual) - Blue(expected)) <= tolerance &&
                      std::abs(Alpha(actual) - Alpha(expected)) <= tolerance;
    if (near) return ::testing::AssertionSuccess();
    char text[64];
    std::snprintf(text, sizeof(text), "0x%08X, expected 0x%08X", actual, expected);
    return ::testing::AssertionFailure() << text;
}

}  // namespace tavrin::testing
