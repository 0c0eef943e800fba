#include <gtest/gtest.h>

#include "device_fixture.h"

namespace tavrin::testing {
namespace {

class TextureStageTest : public DeviceTest {
protected:
    void SetUp() override {
        DeviceTest::SetUp();
        ClearTo(0xFF000000);
    }
    void SetStage(DWORD stage, DWORD op, DWORD arg1, DWORD arg2) {
        ASSERT_EQ(device->SetTextureStageState(stage, D3DTSS_COLOROP, op), D3D_OK);
        ASSERT_EQ(device->SetTextureStageState(stage, D3DTSS_COLORARG1, arg1), D3D_OK);
        ASSERT_EQ(device->SetTextureStageState(stage, D3DTSS_COLORARG2, arg2), D3D_OK);
    }
    // The colour of the middle of a textured rectangle drawn over the top-left corner.
    uint32_t DrawAndSample(D3DCOLOR diffuse) {
        FillTexturedRect(0, 0, 16, 16, diffuse);
        return Pixel(8, 8);
    }
};

TEST_F(TextureStageTest, DiffuseTimesTexture) {
    IDirect3DTexture8* texture = MakeTexture(1, 1, {0xFF80FF40});
    ASSERT_EQ(device->SetTexture(0, texture), D3D_OK);
    SetStage(0, D3DTOP_MODULATE, D3DTA_TEXTURE, D3DTA_DIFFUSE);
    EXPECT_TRUE(ColorNear(DrawAndSample(0xFFFF8080), 0xFF808020));
    device->SetTexture(0, nullptr);
    texture->Release();
}

TEST_F(TextureStageTest, MissingTextureReadsOpaqueWhite) {
    SetStage(0, D3DTOP_MODULATE, D3DTA_TEXTURE, D3DTA_DIFFUSE);
    EXPECT_EQ(DrawAndSample(0xFF336699), 0xFF336699u);
}

TEST_F(TextureStageTest, TextureFactorArgument) {
    ASSERT_EQ(device->SetRenderState(D3DRS_TEXTUREFACTOR, 0xFF204060), D3D_OK);
    SetStage(0, D3DTOP_SELECTARG1, D3DTA_TFACTOR, D3DTA_DIFFUSE);
    EXPECT_EQ(DrawAndSample(0xFFFFFFFF), 0xFF204060u);
    SetStage(0, D3DTOP_MODULATE, D3DTA_TFACTOR, D3DTA_DIFFUSE);
    EXPECT_TRUE(ColorNear(DrawAndSample(0xFF808080), 0xFF102030));
}

TEST_F(TextureStageTest, DotProductOfPackedVectorsIsReplicatedIntoAlpha) {
    // Texture and diffuse hold unit vectors packed as 0.5 + 0.5 * n.
    IDirect3DTexture8* normal = MakeTexture(1, 1, {0xFF8080FF});  // (0, 0, 1)
    ASSERT_EQ(device->SetTexture(0, normal), D3D_OK);
    SetStage(0, D3DTOP_DOTPRODUCT3, D3DTA_DIFFUSE, D3DTA_TEXTURE);
    EXPECT_TRUE(ColorNear(DrawAndSample(0xFF8080FF), 0xFFFFFFFF, 4));  // parallel: full
    EXPECT_TRUE(ColorNear(DrawAndSample(0xFFFF8080), 0xFF000000, 4));  // perpendicular: none
    // 60 degrees apart: 4 * ((a - 0.5) . (b - 0.5)) = cos 60 = 0.5.
    EXPECT_TRUE(ColorNear(DrawAndSample(0xFFEE80C0), 0xFF808080, 6));

    // Alpha carries the same value even though the alpha operation says otherwise.
    ASSERT_EQ(device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1), D3D_OK);
    ASSERT_EQ(device->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_DIFFUSE), D3D_OK);
    FillTexturedRect(0, 0, 16, 16, 0xFFFF8080);
    IDirect3DSurface8* back = nullptr;
    ASSERT_EQ(device->GetBackBuffer(0, D3DBACKBUFFER_TYPE_MONO, &back), D3D_OK);
    D3DLOCKED_RECT locked{};
    ASSERT_EQ(back->LockRect(&locked, nullptr, D3DLOCK_READONLY), D3D_OK);
    const uint32_t pixel = static_cast<const uint32_t*>(locked.pBits)[8 * locked.Pitch / 4 + 8];
    EXPECT_LE(Alpha(pixel), 4);
    back->UnlockRect();
    back->Release();
    device->SetTexture(0, nullptr);
    normal->Release();
}

TEST_F(TextureStageTest, MultiplyAddOnTheSecondStage) {
    IDirect3DTexture8* environment = MakeTexture(1, 1, {0xFFFF8000});
    SetStage(0, D3DTOP_SELECTARG1, D3DTA_DIFFUSE, D3DTA_CURRENT);
    ASSERT_EQ(device->SetRenderState(D3DRS_TEXTUREFACTOR, 0xFF808080), D3D_OK);
    ASSERT_EQ(device->SetTexture(1, environment), D3D_OK);
    ASSERT_EQ(device->SetTextureStageState(1, D3DTSS_TEXCOORDINDEX, 0), D3D_OK);
    SetStage(1, D3DTOP_MULTIPLYADD, D3DTA_TFACTOR, D3DTA_TEXTURE);
    ASSERT_EQ(device->SetTextureStageState(1, D3DTSS_COLORARG0, D3DTA_CURRENT), D3D_OK);
    // current + 0.5 grey x environment
    EXPECT_TRUE(ColorNear(DrawAndSample(0xFF202020), 0xFFA06020));
    // A disabled second stage leaves the first stage's result.
    ASSERT_EQ(device->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_DISABLE), D3D_OK);
    EXPECT_EQ(DrawAndSample(0xFF202020), 0xFF202020u);
    device->SetTexture(1, nullptr);
    environment->Release();
}

TEST_F(TextureStageTest, FirstTextureRowIsAtVZero) {
    // 2 x 2: top row red, green; bottom row blue, white.
    IDirect3DTexture8* texture = MakeTexture(2, 2, {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFFFF});
    ASSERT_EQ(device->SetTexture(0, texture), D3D_OK);
    FillTexturedRect(0, 0, 32, 32, 0xFFFFFFFF);
    EXPECT_EQ(Pixel(8, 8), 0xFFFF0000u);
    EXPECT_EQ(Pixel(24, 8), 0xFF00FF00u);
    EXPECT_EQ(Pixel(8, 24), 0xFF0000FFu);
    EXPECT_EQ(Pixel(24, 24), 0xFFFFFFFFu);
    device->SetTexture(0, nullptr);
    texture->Release();
}

TEST_F(TextureStageTest, WrapAndClampAddressing) {
    IDirect3DTexture8* texture = MakeTexture(2, 1, {0xFFFF0000, 0xFF0000FF});
    ASSERT_EQ(device->SetTexture(0, texture), D3D_OK);
    // u runs 0..2 across the rectangle: wrapping repeats the texture, clamping stretches the edge.
    const ScreenTexVertex quad[4] = {{0, 0, 0.5f, 1, 0xFFFFFFFF, 0, 0}, {32, 0, 0.5f, 1, 0xFFFFFFFF, 2, 0},
                                     {0, 8, 0.5f, 1, 0xFFFFFFFF, 0, 1}, {32, 8, 0.5f, 1, 0xFFFFFFFF, 2, 1}};
    ASSERT_EQ(device->SetVertexShader(kScreenTexFvf), D3D_OK);
    ASSERT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(ScreenTexVertex)), D3D_OK);
    EXPECT_EQ(Pixel(20, 4), 0xFFFF0000u);  // u = 1.25: wrapped onto the first texel
    ASSERT_EQ(device->SetTextureStageState(0, D3DTSS_ADDRESSU, D3DTADDRESS_CLAMP), D3D_OK);
    ASSERT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(ScreenTexVertex)), D3D_OK);
    EXPECT_EQ(Pixel(20, 4), 0xFF0000FFu);  // clamped to the last texel
    device->SetTexture(0, nullptr);
    texture->Release();
}

TEST_F(TextureStageTest, SphereMapCoordinatesFromCameraSpaceNormals) {
    // 4 x 4 texels, each a distinct colour: red = 0x40 * column, green = 0x40 * row.
    std::vector<uint32_t> texels;
    for (uint32_t row = 0; row < 4; ++row) {
        for (uint32_t column = 0; column < 4; ++column) texels.push_back(0xFF000000u | column << 22 | row << 14);
    }
    IDirect3DTexture8* sphere = MakeTexture(4, 4, texels);
    ASSERT_EQ(device->SetTexture(0, sphere), D3D_OK);
    ASSERT_EQ(device->SetRenderState(D3DRS_LIGHTING, FALSE), D3D_OK);
    D3DMATRIX scaleOffset{{{0.4f, 0, 0, 0}, {0, -0.4f, 0, 0}, {0, 0, 1, 0}, {0.5f, 0.5f, 0, 1}}};
    ASSERT_EQ(device->SetTransform(D3DTS_TEXTURE0, &scaleOffset), D3D_OK);
    ASSERT_EQ(device->SetTextureStageState(0, D3DTSS_TEXCOORDINDEX, D3DTSS_TCI_CAMERASPACENORMAL), D3D_OK);
    ASSERT_EQ(device->SetTextureStageState(0, D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_COUNT2), D3D_OK);
    // The view turns the normal: world +z normal seen by a camera turned 90 degrees about y.
    const D3DMATRIX view{{{0, 0, 1, 0}, {0, 1, 0, 0}, {-1, 0, 0, 0}, {0, 0, 0, 1}}};
    ASSERT_EQ(device->SetTransform(D3DTS_VIEW, &view), D3D_OK);
    ASSERT_EQ(device->SetVertexShader(kNormalFvf), D3D_OK);
    ASSERT_EQ(device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE), D3D_OK);
    struct Case {
        D3DVECTOR worldNormal;
        uint32_t column, row;  // u = 0.5 + 0.4 nx, v = 0.5 - 0.4 ny in camera space
    };
    // World (0, 0.8, -0.6) -> camera (0.6, 0.8, 0): u 0.74, v 0.18.
    // World (0, -0.8, 0.6) -> camera (-0.6, -0.8, 0): u 0.26, v 0.82.
    for (const Case& c : {Case{{0, 0.8f, -0.6f}, 2, 0}, Case{{0, -0.8f, 0.6f}, 1, 3}}) {
        // A quad filling the clip square in camera space: positions are mapped back through the view.
        const D3DVECTOR n = c.worldNormal;
        const NormalVertex quad[4] = {{0, -1, 1, n.x, n.y, n.z}, {0, 1, 1, n.x, n.y, n.z},
                                      {0, -1, -1, n.x, n.y, n.z}, {0, 1, -1, n.x, n.y, n.z}};
        ClearTo(0xFF000000);
        ASSERT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(NormalVertex)), D3D_OK);
        EXPECT_EQ(Pixel(kWidth / 2, kHeight / 2), texels[c.row * 4 + c.column])
            << "normal " << n.x << ", " << n.y << ", " << n.z;
    }
    device->SetTexture(0, nullptr);
    sphere->Release();
}

}  // namespace
}  // namespace tavrin::testing
