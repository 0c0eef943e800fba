#include "effects/flare_effect.h"

#include <gtest/gtest.h>

#include <cmath>
#include <utility>
#include <vector>

#include "display_fixture.h"

namespace tavrin {
namespace {

class FlareEffectTest : public testing::DisplayTest {
protected:
    void SetUp() override {
        DisplayTest::SetUp();
        FlareEffect::ResetClock();
    }
    // A 4:3 picture of one colour, with a marked centre texel.
    IDirect3DTexture8* Picture(uint32_t colour, uint32_t centre) {
        std::vector<uint32_t> texels(64 * 48, colour);
        texels[24 * 64 + 32] = centre;
        return MakeTexture(64, 48, texels);
    }
};

TEST_F(FlareEffectTest, TintIsThePictureUnderTheFlareWithAtLeastQuarterAlpha) {
    IDirect3DTexture8* picture = Picture(0xFF102030, 0x00A0B0C0);
    FlareEffect flare(display.get(), 10, 2.0f, 0.8f, picture, nullptr);
    EXPECT_EQ(flare.TintAt(0.0f, 0.0f), 0x40A0B0C0u);  // texel (32, 24), alpha raised to 0x40

    IDirect3DTexture8* visible = Picture(0xFF102030, 0x41A0B0C0);
    FlareEffect second(display.get(), 10, 2.0f, 0.8f, visible, nullptr);
    EXPECT_EQ(second.TintAt(0.0f, 0.0f), 0x41A0B0C0u);  // above 0x40: unchanged
    EXPECT_EQ(second.TintAt(0.5f, 0.3f), 0xFF102030u);
    // Far outside the picture the column and row are clamped to its edge.
    EXPECT_EQ(second.TintAt(50.0f, -50.0f), 0xFF102030u);
}

TEST_F(FlareEffectTest, SixteenBitPictureIsConvertedForTheTint) {
    std::vector<uint32_t> texels(64 * 48, 0xF800);  // R5G6B5 red
    IDirect3DTexture8* picture = MakeTexture(64, 48, texels, D3DFMT_R5G6B5);
    ASSERT_NE(picture, nullptr);
    FlareEffect flare(display.get(), 10, 2.0f, 0.8f, picture, nullptr);
    EXPECT_EQ(flare.TintAt(0.0f, 0.0f), 0xFFFF0000u);
}

TEST_F(FlareEffectTest, WithoutFlareTheBaseLayerFillsTheScreen) {
    IDirect3DTexture8* picture = Picture(0xFF3060C0, 0xFF3060C0);
    FlareEffect flare(display.get(), 10, 2.0f, 0.8f, picture, nullptr);
    flare.flareOn = false;
    BeginFrame();
    device->SetRenderState(D3DRS_ZENABLE, FALSE);
    device->SetRenderState(D3DRS_LIGHTING, FALSE);
    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);  // this branch draws with current states
    flare.Render(0.02);
    EndFrame();
    for (auto [x, y] : {std::pair{1, 1}, {798, 1}, {400, 300}, {1, 598}, {798, 598}}) {
        EXPECT_TRUE(testing::ColorNear(Pixel(x, y), 0xFF3060C0u)) << x << "," << y;
    }
}

TEST_F(FlareEffectTest, FlareMovesWithTheClassClockAndLeavesAdditiveStates) {
    IDirect3DTexture8* picture = Picture(0xFF202020, 0xFF202020);
    IDirect3DTexture8* flareTexture = MakeTexture(8, 8, std::vector<uint32_t>(64, 0xFFFFFFFF));
    FlareEffect flare(display.get(), 10, 2.0f, 0.8f, picture, flareTexture);
    BeginFrame();
    flare.Render(0.5);
    EndFrame();
    EXPECT_FLOAT_EQ(FlareEffect::Clock(), 0.5f);
    EXPECT_FLOAT_EQ(flare.FlarePosX(), std::sin(1.31687f * 0.5f + 1.218674f));
    EXPECT_FLOAT_EQ(flare.FlarePosY(), 0.4f * std::sin(2.27825f * 0.5f + 2.984372f));
    EXPECT_EQ(RenderState(D3DRS_ZENABLE), static_cast<DWORD>(D3DZB_FALSE));
    EXPECT_EQ(RenderState(D3DRS_CULLMODE), static_cast<DWORD>(D3DCULL_NONE));
    EXPECT_EQ(RenderState(D3DRS_ALPHABLENDENABLE), static_cast<DWORD>(TRUE));
    EXPECT_EQ(RenderState(D3DRS_DESTBLEND), static_cast<DWORD>(D3DBLEND_ONE));
    EXPECT_EQ(RenderState(D3DRS_TEXTUREFACTOR), 0xFF202020u);
    EXPECT_EQ(StageState(0, D3DTSS_COLORARG2), static_cast<DWORD>(D3DTA_DIFFUSE));
    // The layers stream away from the flare: depth 1 moves by -0.5 * flarePos.
    D3DMATRIX world = Transform(D3DTS_WORLD);
    EXPECT_FLOAT_EQ(world.m[2][0], -0.5f * flare.FlarePosX());
    EXPECT_FLOAT_EQ(world.m[2][1], -0.5f * flare.FlarePosY());
    // The projection divides x by the aspect.
    EXPECT_FLOAT_EQ(Transform(D3DTS_PROJECTION).m[0][0], 0.75f);
    // Additive picture and flare brighten the centre beyond the picture itself.
    EXPECT_GT(testing::Red(Pixel(400, 300)), 0x20);
}

TEST_F(FlareEffectTest, MissingTexturesDrawNothing) {
    FlareEffect flare(display.get(), 10, 2.0f, 0.8f, nullptr, nullptr);
    EXPECT_EQ(flare.TintAt(0.0f, 0.0f), 0xFFFFFFFFu);
    BeginFrame();
    flare.Render(0.1);
    flare.flareOn = false;
    flare.Render(0.1);
    EndFrame();
    EXPECT_EQ(Pixel(400, 300) & 0xFFFFFF, 0u);
}

}  // namespace
}  // namespace tavrin
