#include <gtest/gtest.h>

#include "gfxutil/display_device.h"

namespace tavrin {
namespace {

TEST(DisplayDeviceTest, HeadlessDisplayAtTheShowsSize) {
    DisplayDevice display(nullptr, 800, 600, true);
    ASSERT_NE(display.d3d, nullptr);
    ASSERT_NE(display.device, nullptr);
    EXPECT_EQ(display.aspect, 1.3333334f);
    EXPECT_EQ(display.width, 800);
    EXPECT_EQ(display.height, 600);
    EXPECT_TRUE(display.hasHardwareTnL);
    EXPECT_TRUE(display.hasCubeMaps);
    EXPECT_TRUE(display.hasDot3);
    IDirect3DSurface8* back = nullptr;
    ASSERT_EQ(display.device->GetBackBuffer(0, D3DBACKBUFFER_TYPE_MONO, &back), D3D_OK);
    D3DSURFACE_DESC desc{};
    back->GetDesc(&desc);
    EXPECT_EQ(desc.Width, 800u);
    EXPECT_EQ(desc.Height, 600u);
    EXPECT_EQ(desc.Format, D3DFMT_A8R8G8B8);
    back->Release();
}

TEST(DisplayDeviceTest, CreationFailureLeavesTheDeviceNull) {
    DisplayDevice display(nullptr, 0, 0, true);  // no back buffer of 0 x 0
    EXPECT_NE(display.d3d, nullptr);
    EXPECT_EQ(display.device, nullptr);
}

TEST(DisplayDeviceTest, PresentParametersAndBehaviour) {
    IDirect3D8* d3d = Direct3DCreate8(D3D_SDK_VERSION);
    ASSERT_NE(d3d, nullptr);
    const D3DPRESENT_PARAMETERS full = DisplayPresentParameters(*d3d, nullptr, 800, 600, true);
    EXPECT_EQ(full.BackBufferWidth, 800u);
    EXPECT_EQ(full.BackBufferHeight, 600u);
    EXPECT_EQ(full.BackBufferFormat, D3DFMT_A8R8G8B8);
    EXPECT_EQ(full.BackBufferCount, 0u);
    EXPECT_EQ(full.Windowed, FALSE);
    EXPECT_EQ(full.SwapEffect, D3DSWAPEFFECT_FLIP);
    EXPECT_EQ(full.FullScreen_PresentationInterval, D3DPRESENT_INTERVAL_ONE);
    EXPECT_EQ(full.EnableAutoDepthStencil, TRUE);
    EXPECT_EQ(full.AutoDepthStencilFormat, D3DFMT_D24S8);
    EXPECT_EQ(full.MultiSampleType, D3DMULTISAMPLE_NONE);

    const D3DPRESENT_PARAMETERS windowed = DisplayPresentParameters(*d3d, nullptr, 800, 600, false);
    D3DDISPLAYMODE mode{};
    d3d->GetAdapterDisplayMode(D3DADAPTER_DEFAULT, &mode);
    EXPECT_EQ(windowed.BackBufferFormat, mode.Format);
    EXPECT_EQ(windowed.BackBufferWidth, 0u);
    EXPECT_EQ(windowed.Windowed, TRUE);
    EXPECT_EQ(windowed.SwapEffect, D3DSWAPEFFECT_DISCARD);
    EXPECT_EQ(windowed.FullScreen_PresentationInterval, 0u);

    EXPECT_EQ(DisplayBehaviourFlags(true), D3DCREATE_HARDWARE_VERTEXPROCESSING);
    EXPECT_EQ(DisplayBehaviourFlags(false), D3DCREATE_SOFTWARE_VERTEXPROCESSING);
    d3d->Release();
}

}  // namespace
}  // namespace tavrin
