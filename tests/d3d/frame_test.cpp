#include <gtest/gtest.h>

#include <vector>

#include "device_fixture.h"

namespace tavrin::testing {
namespace {

using FrameTest = DeviceTest;

TEST_F(FrameTest, ClearFillsTheBackBufferAndPresentKeepsIt) {
    ClearTo(0xFF336699);
    ASSERT_EQ(device->BeginScene(), D3D_OK);
    ASSERT_EQ(device->EndScene(), D3D_OK);
    ASSERT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
    for (uint32_t pixel : Pixels()) ASSERT_EQ(pixel, 0xFF336699u);
}

TEST_F(FrameTest, ReadBackIsTopRowFirst) {
    ClearTo(0xFF000000);
    FillRect(0, 0, kWidth, 8, 0xFFFF0000);  // a red band along the top of the screen
    EXPECT_EQ(Pixel(10, 2), 0xFFFF0000u);
    EXPECT_EQ(Pixel(10, kHeight - 3), 0xFF000000u);

    // The back buffer surface reads the same rows.
    IDirect3DSurface8* back = nullptr;
    ASSERT_EQ(device->GetBackBuffer(0, D3DBACKBUFFER_TYPE_MONO, &back), D3D_OK);
    D3DSURFACE_DESC desc{};
    ASSERT_EQ(back->GetDesc(&desc), D3D_OK);
    EXPECT_EQ(desc.Width, kWidth);
    EXPECT_EQ(desc.Height, kHeight);
    D3DLOCKED_RECT locked{};
    EXPECT_EQ(back->LockRect(&locked, nullptr, 0), D3DERR_INVALIDCALL);  // read-only only
    ASSERT_EQ(back->LockRect(&locked, nullptr, D3DLOCK_READONLY), D3D_OK);
    const auto* top = static_cast<const uint32_t*>(locked.pBits);
    const auto* bottom = reinterpret_cast<const uint32_t*>(static_cast<const uint8_t*>(locked.pBits) +
                                                           (kHeight - 1) * locked.Pitch);
    EXPECT_EQ(top[5], 0xFFFF0000u);
    EXPECT_EQ(bottom[5], 0xFF000000u);
    EXPECT_EQ(back->UnlockRect(), D3D_OK);
    back->Release();
}

TEST_F(FrameTest, ClearWithRectanglesTouchesOnlyThem) {
    ClearTo(0xFF000000);
    const D3DRECT rect{10, 5, 20, 15};
    ASSERT_EQ(device->Clear(1, &rect, D3DCLEAR_TARGET, 0xFF00FF00, 1.0f, 0), D3D_OK);
    EXPECT_EQ(Pixel(10, 5), 0xFF00FF00u);
    EXPECT_EQ(Pixel(19, 14), 0xFF00FF00u);
    EXPECT_EQ(Pixel(20, 14), 0xFF000000u);
    EXPECT_EQ(Pixel(19, 15), 0xFF000000u);
    EXPECT_EQ(Pixel(9, 4), 0xFF000000u);
}

TEST_F(FrameTest, SceneBracketsAreCountedAndBadCallsAreRefused) {
    EXPECT_EQ(device->EndScene(), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->BeginScene(), D3D_OK);
    EXPECT_EQ(device->BeginScene(), D3D_OK);  // the cube pass nests a scene inside the frame's
    EXPECT_EQ(device->EndScene(), D3D_OK);
    EXPECT_EQ(device->EndScene(), D3D_OK);
    EXPECT_EQ(device->Clear(0, nullptr, 0, 0, 1.0f, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->Clear(2, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0), D3DERR_INVALIDCALL);
    std::vector<uint32_t> small(4);
    EXPECT_EQ(device->ReadBackBuffer(small.data(), 4), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->ReadBackBuffer(nullptr, kWidth * 4), D3DERR_INVALIDCALL);
}

// Queued reads come back oldest first, each with the frame it was queued after, while later
// frames have drawn over the back buffer; at most two wait at a time.
TEST_F(FrameTest, QueuedReadsReturnTheirFramesInOrder) {
    std::vector<uint32_t> pixels(kWidth * kHeight);
    EXPECT_EQ(device->TakeBackBufferRead(pixels.data(), kWidth * 4), S_FALSE);
    const D3DCOLOR frames[3] = {0xFF112233, 0xFF445566, 0xFF778899};
    ClearTo(frames[0]);
    ASSERT_EQ(device->QueueBackBufferRead(), D3D_OK);
    ClearTo(frames[1]);
    FillRect(0, 0, kWidth, 4, 0xFFFF0000);
    ASSERT_EQ(device->QueueBackBufferRead(), D3D_OK);
    EXPECT_EQ(device->QueueBackBufferRead(), D3DERR_INVALIDCALL);
    ClearTo(frames[2]);
    ASSERT_EQ(device->TakeBackBufferRead(pixels.data(), kWidth * 4), D3D_OK);
    for (uint32_t pixel : pixels) ASSERT_EQ(pixel, frames[0]);
    ASSERT_EQ(device->QueueBackBufferRead(), D3D_OK);
    ASSERT_EQ(device->TakeBackBufferRead(pixels.data(), kWidth * 4), D3D_OK);
    EXPECT_EQ(pixels[kWidth + 3], 0xFFFF0000u);  // top row first
    EXPECT_EQ(pixels[(kHeight - 1) * kWidth + 3], frames[1]);
    ASSERT_EQ(device->TakeBackBufferRead(pixels.data(), kWidth * 4), D3D_OK);
    for (uint32_t pixel : pixels) ASSERT_EQ(pixel, frames[2]);
    EXPECT_EQ(device->TakeBackBufferRead(pixels.data(), kWidth * 4), S_FALSE);
    EXPECT_EQ(device->TakeBackBufferRead(pixels.data(), kWidth * 2), D3DERR_INVALIDCALL);
}

}  // namespace
}  // namespace tavrin::testing
