#include <gtest/gtest.h>

#include "device_fixture.h"
#include "gfxutil/matrix.h"

namespace tavrin::testing {
namespace {

using TransformTest = DeviceTest;

D3DVECTOR Add(D3DVECTOR a, D3DVECTOR b, float scale) {
    return {a.x + b.x * scale, a.y + b.y * scale, a.z + b.z * scale};
}

// A point through look-at LH and perspective LH lands where the same matrices put it on screen.
TEST_F(TransformTest, WorldPointLandsOnItsProjectedPixel) {
    const float aspect = static_cast<float>(kWidth) / kHeight;
    const D3DMATRIX projection = MatrixPerspectiveLH(aspect, 1.0f, 1.0f, 100.0f);
    const D3DVECTOR eye{4.0f, 1.5f, -3.0f};
    const D3DMATRIX view = MatrixLookAtLH(eye, {0.0f, 0.0f, 0.0f}, {0.0f, 1.0f, 0.0f});
    ASSERT_EQ(device->SetTransform(D3DTS_PROJECTION, &projection), D3D_OK);
    ASSERT_EQ(device->SetTransform(D3DTS_VIEW, &view), D3D_OK);
    ASSERT_EQ(device->SetRenderState(D3DRS_LIGHTING, FALSE), D3D_OK);
    ASSERT_EQ(device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE), D3D_OK);
    ASSERT_EQ(device->SetVertexShader(kColorFvf), D3D_OK);

    // Camera right and up in world space are the view matrix's first two columns.
    const D3DVECTOR right{view.m[0][0], view.m[1][0], view.m[2][0]};
    const D3DVECTOR up{view.m[0][1], view.m[1][1], view.m[2][1]};
    const D3DVECTOR points[] = {{0.0f, 0.0f, 0.0f}, {0.8f, 0.4f, 0.3f}, {-0.7f, -0.5f, 0.6f}, {0.2f, 0.9f, -0.8f}};
    const D3DMATRIX viewProjection = MatrixMultiply(view, projection);
    for (const D3DVECTOR& point : points) {
        ClearTo(0xFF000000);
        const D3DCOLOR color = 0xFFFFFFFF;
        const float size = 0.12f;
        const ColorVertex quad[4] = {{Add(Add(point, right, -size), up, size).x, Add(Add(point, right, -size), up, size).y,
                                      Add(Add(point, right, -size), up, size).z, color},
                                     {Add(Add(point, right, size), up, size).x, Add(Add(point, right, size), up, size).y,
                                      Add(Add(point, right, size), up, size).z, color},
                                     {Add(Add(point, right, -size), up, -size).x, Add(Add(point, right, -size), up, -size).y,
                                      Add(Add(point, right, -size), up, -size).z, color},
                                     {Add(Add(point, right, size), up, -size).x, Add(Add(point, right, size), up, -size).y,
                                      Add(Add(point, right, size), up, -size).z, color}};
        ASSERT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(ColorVertex)), D3D_OK);
        const D3DVECTOR ndc = TransformCoord(point, viewProjection);
        const int x = static_cast<int>((ndc.x + 1.0f) * 0.5f * kWidth);
        const int y = static_cast<int>((1.0f - ndc.y) * 0.5f * kHeight);
        EXPECT_EQ(Pixel(x, y), 0xFFFFFFFFu) << "point " << point.x << ", " << point.y << ", " << point.z;
        // Well away from it the screen is untouched.
        EXPECT_EQ(Pixel((x + kWidth / 2) % kWidth, (y + kHeight / 2) % kHeight), 0xFF000000u);
    }
}

// Pre-transformed vertices are screen pixels: a rectangle from (x0, y0) to (x1, y1) covers the
// pixels whose centres (integer coordinates) lie inside it.
TEST_F(TransformTest, ScreenSpaceVerticesCoverTheirPixels) {
    ClearTo(0xFF000000);
    FillRect(10.0f, 4.0f, 20.0f, 9.0f, 0xFF00FF00);
    for (int y = 2; y < 12; ++y) {
        for (int x = 8; x < 23; ++x) {
            const bool inside = x >= 10 && x < 20 && y >= 4 && y < 9;
            EXPECT_EQ(Pixel(x, y), inside ? 0xFF00FF00u : 0xFF000000u) << x << ", " << y;
        }
    }
}

TEST_F(TransformTest, ViewportPlacesProjectedGeometry) {
    ClearTo(0xFF000000);
    const D3DVIEWPORT8 viewport{32, 24, 32, 24, 0.0f, 1.0f};
    ASSERT_EQ(device->SetViewport(&viewport), D3D_OK);
    ASSERT_EQ(device->SetRenderState(D3DRS_LIGHTING, FALSE), D3D_OK);
    ASSERT_EQ(device->SetVertexShader(kColorFvf), D3D_OK);
    // Identity transforms: the whole clip square fills the viewport, the bottom-right quarter.
    const ColorVertex quad[4] = {{-1, 1, 0.5f, 0xFFFF0000}, {1, 1, 0.5f, 0xFFFF0000},
                                 {-1, -1, 0.5f, 0xFFFF0000}, {1, -1, 0.5f, 0xFFFF0000}};
    ASSERT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(ColorVertex)), D3D_OK);
    EXPECT_EQ(Pixel(40, 30), 0xFFFF0000u);
    EXPECT_EQ(Pixel(63, 47), 0xFFFF0000u);
    EXPECT_EQ(Pixel(20, 30), 0xFF000000u);
    EXPECT_EQ(Pixel(40, 10), 0xFF000000u);

    D3DVIEWPORT8 read{};
    ASSERT_EQ(device->GetViewport(&read), D3D_OK);
    EXPECT_EQ(read.X, 32u);
    EXPECT_EQ(read.Height, 24u);
    const D3DVIEWPORT8 outside{40, 0, 32, 24, 0.0f, 1.0f};
    EXPECT_EQ(device->SetViewport(&outside), D3DERR_INVALIDCALL);
}

}  // namespace
}  // namespace tavrin::testing
