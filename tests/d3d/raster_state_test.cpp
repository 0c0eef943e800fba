#include <gtest/gtest.h>

#include "device_fixture.h"

namespace tavrin::testing {
namespace {

using RasterStateTest = DeviceTest;

// Two triangles side by side: the left one clockwise on screen, the right one counter-clockwise.
void DrawWoundPair(IDirect3DDevice8* device) {
    const ScreenVertex triangles[6] = {
        {4, 4, 0.5f, 1, 0xFFFF0000},  {24, 4, 0.5f, 1, 0xFFFF0000},  {4, 24, 0.5f, 1, 0xFFFF0000},
        {34, 4, 0.5f, 1, 0xFF00FF00}, {34, 24, 0.5f, 1, 0xFF00FF00}, {54, 4, 0.5f, 1, 0xFF00FF00}};
    ASSERT_EQ(device->SetVertexShader(kScreenFvf), D3D_OK);
    ASSERT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 2, triangles, sizeof(ScreenVertex)), D3D_OK);
}

TEST_F(RasterStateTest, CullingFollowsOnScreenWinding) {
    struct Case {
        DWORD mode;
        bool clockwiseShown;
        bool counterClockwiseShown;
    };
    for (const Case& c : {Case{D3DCULL_CCW, true, false}, Case{D3DCULL_CW, false, true},
                          Case{D3DCULL_NONE, true, true}}) {
        ClearTo(0xFF000000);
        ASSERT_EQ(device->SetRenderState(D3DRS_CULLMODE, c.mode), D3D_OK);
        DrawWoundPair(device);
        EXPECT_EQ(Pixel(8, 8), c.clockwiseShown ? 0xFFFF0000u : 0xFF000000u) << "cull mode " << c.mode;
        EXPECT_EQ(Pixel(38, 8), c.counterClockwiseShown ? 0xFF00FF00u : 0xFF000000u) << "cull mode " << c.mode;
    }
}

// Through the transform pipeline: vertices clockwise as the camera sees them face it.
TEST_F(RasterStateTest, ProjectedClockwiseTriangleSurvivesDefaultCulling) {
    ClearTo(0xFF000000);
    ASSERT_EQ(device->SetRenderState(D3DRS_LIGHTING, FALSE), D3D_OK);
    ASSERT_EQ(device->SetVertexShader(kColorFvf), D3D_OK);
    const ColorVertex clockwise[3] = {{-0.5f, -0.5f, 0.5f, 0xFFFFFFFF}, {-0.5f, 0.5f, 0.5f, 0xFFFFFFFF},
                                      {0.5f, -0.5f, 0.5f, 0xFFFFFFFF}};
    ASSERT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, clockwise, sizeof(ColorVertex)), D3D_OK);
    EXPECT_EQ(Pixel(24, 30), 0xFFFFFFFFu);  // lower left of the centre: inside
    ClearTo(0xFF000000);
    const ColorVertex counter[3] = {clockwise[0], clockwise[2], clockwise[1]};
    ASSERT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, counter, sizeof(ColorVertex)), D3D_OK);
    EXPECT_EQ(Pixel(24, 30), 0xFF000000u);
}

TEST_F(RasterStateTest, DepthTestAndWrite) {
    ClearTo(0xFF000000);
    FillRect(0, 0, 32, 24, 0xFFFF0000, 0.3f);
    FillRect(0, 0, 32, 24, 0xFF00FF00, 0.6f);  // behind: hidden
    EXPECT_EQ(Pixel(10, 10), 0xFFFF0000u);
    FillRect(0, 0, 32, 24, 0xFF0000FF, 0.3f);  // equal depth passes LESSEQUAL
    EXPECT_EQ(Pixel(10, 10), 0xFF0000FFu);

    ClearTo(0xFF000000);
    ASSERT_EQ(device->SetRenderState(D3DRS_ZWRITEENABLE, FALSE), D3D_OK);
    FillRect(0, 0, 32, 24, 0xFFFF0000, 0.3f);  // drawn, depth left at 1
    FillRect(0, 0, 32, 24, 0xFF00FF00, 0.6f);
    EXPECT_EQ(Pixel(10, 10), 0xFF00FF00u);

    ClearTo(0xFF000000);
    ASSERT_EQ(device->SetRenderState(D3DRS_ZWRITEENABLE, TRUE), D3D_OK);
    ASSERT_EQ(device->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE), D3D_OK);
    FillRect(0, 0, 32, 24, 0xFFFF0000, 0.3f);
    FillRect(0, 0, 32, 24, 0xFF00FF00, 0.6f);  // no test: drawn over
    EXPECT_EQ(Pixel(10, 10), 0xFF00FF00u);
    ASSERT_EQ(device->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE), D3D_OK);
    FillRect(0, 0, 32, 24, 0xFF0000FF, 0.9f);  // nothing was written while off: depth still 1
    EXPECT_EQ(Pixel(10, 10), 0xFF0000FFu);
}

TEST_F(RasterStateTest, BlendFactors) {
    // Diffuse alpha reaches the blender only when the alpha operation reads it.
    ASSERT_EQ(device->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_DIFFUSE), D3D_OK);
    ASSERT_EQ(device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE), D3D_OK);
    struct Case {
        DWORD source, destination;
        uint32_t expected;
    };
    for (const Case& c : {Case{D3DBLEND_SRCALPHA, D3DBLEND_INVSRCALPHA, 0xFF800040},
                          Case{D3DBLEND_SRCALPHA, D3DBLEND_ONE, 0xFF800080},
                          Case{D3DBLEND_ONE, D3DBLEND_ZERO, 0xFFFF0000}}) {
        ClearTo(0xFF000080);
        ASSERT_EQ(device->SetRenderState(D3DRS_SRCBLEND, c.source), D3D_OK);
        ASSERT_EQ(device->SetRenderState(D3DRS_DESTBLEND, c.destination), D3D_OK);
        FillRect(0, 0, 16, 16, 0x80FF0000);
        uint32_t pixel = Pixel(8, 8) | 0xFF000000u;
        EXPECT_TRUE(ColorNear(pixel, c.expected)) << "blend " << c.source << "/" << c.destination;
    }
}

TEST_F(RasterStateTest, AlphaTestGreaterDiscardsAtTheReference) {
    ASSERT_EQ(device->SetRenderState(D3DRS_ALPHATESTENABLE, TRUE), D3D_OK);
    ASSERT_EQ(device->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_GREATER), D3D_OK);
    ASSERT_EQ(device->SetRenderState(D3DRS_ALPHAREF, 64), D3D_OK);
    ClearTo(0xFF000000);
    // By default alpha comes from the (absent, so opaque) texture: everything passes.
    FillRect(0, 0, 8, 8, 0x00FF0000);
    EXPECT_EQ(Pixel(4, 4), 0xFFFF0000u);

    ASSERT_EQ(device->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_DIFFUSE), D3D_OK);
    FillRect(10, 0, 18, 8, 0x40FF0000);  // alpha 64: not greater, discarded
    FillRect(20, 0, 28, 8, 0x41FF0000);  // alpha 65: kept
    EXPECT_EQ(Pixel(14, 4), 0xFF000000u);
    EXPECT_EQ(Pixel(24, 4), 0xFFFF0000u);
}

TEST_F(RasterStateTest, WireframeDrawsEdgesOnly) {
    ClearTo(0xFF000000);
    ASSERT_EQ(device->SetRenderState(D3DRS_FILLMODE, D3DFILL_WIREFRAME), D3D_OK);
    FillRect(8, 8, 56, 40, 0xFFFFFFFF);
    EXPECT_EQ(Pixel(32, 20), 0xFF000000u);  // the interior stays empty
    int edgePixels = 0;
    for (int x = 12; x < 52; ++x) edgePixels += Pixel(x, 8) == 0xFFFFFFFFu || Pixel(x, 7) == 0xFFFFFFFFu;
    EXPECT_GT(edgePixels, 30);
    ASSERT_EQ(device->SetRenderState(D3DRS_FILLMODE, D3DFILL_SOLID), D3D_OK);
    FillRect(8, 8, 56, 40, 0xFFFFFFFF);
    EXPECT_EQ(Pixel(32, 20), 0xFFFFFFFFu);
}

}  // namespace
}  // namespace tavrin::testing
