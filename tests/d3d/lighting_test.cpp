#include <gtest/gtest.h>

#include <cmath>

#include "device_fixture.h"

namespace tavrin::testing {
namespace {

class LightingTest : public DeviceTest {
protected:
    void SetUp() override {
        DeviceTest::SetUp();
        ClearTo(0xFF000000);
        ASSERT_EQ(device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE), D3D_OK);
        D3DLIGHT8 light{};
        light.Type = D3DLIGHT_DIRECTIONAL;
        light.Diffuse = {1.0f, 1.0f, 1.0f, 0.0f};
        light.Direction = {0.0f, 0.0f, 1.0f};  // shining away from the camera, onto surfaces facing it
        ASSERT_EQ(device->SetLight(0, &light), D3D_OK);
        ASSERT_EQ(device->LightEnable(0, TRUE), D3D_OK);
        D3DMATERIAL8 material{};
        material.Diffuse = {1.0f, 0.5f, 0.25f, 1.0f};
        material.Ambient = {1.0f, 1.0f, 1.0f, 1.0f};
        ASSERT_EQ(device->SetMaterial(&material), D3D_OK);
    }

    // A full-screen quad whose every vertex has normal n and colour `color`.
    uint32_t DrawLit(D3DVECTOR n, D3DCOLOR color, bool withColor) {
        if (withColor) {
            const LitVertex quad[4] = {{-1, 1, 0.5f, n.x, n.y, n.z, color}, {1, 1, 0.5f, n.x, n.y, n.z, color},
                                       {-1, -1, 0.5f, n.x, n.y, n.z, color}, {1, -1, 0.5f, n.x, n.y, n.z, color}};
            EXPECT_EQ(device->SetVertexShader(kLitFvf), D3D_OK);
            EXPECT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(LitVertex)), D3D_OK);
        } else {
            const NormalVertex quad[4] = {{-1, 1, 0.5f, n.x, n.y, n.z}, {1, 1, 0.5f, n.x, n.y, n.z},
                                          {-1, -1, 0.5f, n.x, n.y, n.z}, {1, -1, 0.5f, n.x, n.y, n.z}};
            EXPECT_EQ(device->SetVertexShader(kNormalFvf), D3D_OK);
            EXPECT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(NormalVertex)), D3D_OK);
        }
        return Pixel(kWidth / 2, kHeight / 2);
    }
};

TEST_F(LightingTest, DirectionalLightWithMaterial) {
    EXPECT_TRUE(ColorNear(DrawLit({0, 0, -1}, 0, false), 0xFFFF8040));
    // Turned 60 degrees away from the light: N.L = 0.5.
    const float s = std::sqrt(0.75f);
    EXPECT_TRUE(ColorNear(DrawLit({s, 0, -0.5f}, 0, false), 0xFF804020));
    // Facing away: unlit, and no ambient was given.
    EXPECT_TRUE(ColorNear(DrawLit({0, 0, 1}, 0, false), 0xFF000000));
}

TEST_F(LightingTest, AmbientFromTheLightAndTheRenderState) {
    D3DLIGHT8 light{};
    ASSERT_EQ(device->GetLight(0, &light), D3D_OK);
    light.Ambient = {0.25f, 0.25f, 0.25f, 0.0f};
    ASSERT_EQ(device->SetLight(0, &light), D3D_OK);
    ASSERT_EQ(device->SetRenderState(D3DRS_AMBIENT, 0xFF202020), D3D_OK);
    // ambient material (1) x (0.25 + 0x20/255) on every channel, then diffuse on top
    EXPECT_TRUE(ColorNear(DrawLit({0, 0, 1}, 0, false), 0xFF606060));
    EXPECT_TRUE(ColorNear(DrawLit({0, 0, -1}, 0, false), 0xFFFFE0A0));
}

TEST_F(LightingTest, VertexColourIsTheDiffuseMaterial) {
    EXPECT_TRUE(ColorNear(DrawLit({0, 0, -1}, 0xFF00FF80, true), 0xFF00FF80));
    // With COLORVERTEX off the material's own diffuse is used again.
    ASSERT_EQ(device->SetRenderState(D3DRS_COLORVERTEX, FALSE), D3D_OK);
    EXPECT_TRUE(ColorNear(DrawLit({0, 0, -1}, 0xFF00FF80, true), 0xFFFF8040));
}

TEST_F(LightingTest, NormalizeNormalsAndTheWorldScale) {
    // A world scale of 0.5 shrinks normals (their transform is the inverse transpose, so they grow
    // to length 2 and light twice as much) unless NORMALIZENORMALS is on.
    const D3DMATRIX scale{{{0.5f, 0, 0, 0}, {0, 0.5f, 0, 0}, {0, 0, 0.5f, 0}, {0, 0, 0, 1}}};
    ASSERT_EQ(device->SetTransform(D3DTS_WORLD, &scale), D3D_OK);
    D3DMATERIAL8 material{};
    material.Diffuse = {0.25f, 0.25f, 0.25f, 1.0f};
    ASSERT_EQ(device->SetMaterial(&material), D3D_OK);
    EXPECT_TRUE(ColorNear(DrawLit({0, 0, -1}, 0, false), 0xFF808080));
    ASSERT_EQ(device->SetRenderState(D3DRS_NORMALIZENORMALS, TRUE), D3D_OK);
    EXPECT_TRUE(ColorNear(DrawLit({0, 0, -1}, 0, false), 0xFF404040));
}

TEST_F(LightingTest, DisabledLightOrLightingLeavesVertexColour) {
    ASSERT_EQ(device->LightEnable(0, FALSE), D3D_OK);
    EXPECT_TRUE(ColorNear(DrawLit({0, 0, -1}, 0xFF00FF80, true), 0xFF000000));  // lit by nothing
    ASSERT_EQ(device->SetRenderState(D3DRS_LIGHTING, FALSE), D3D_OK);
    EXPECT_EQ(DrawLit({0, 0, -1}, 0xFF00FF80, true), 0xFF00FF80u);
}

}  // namespace
}  // namespace tavrin::testing
