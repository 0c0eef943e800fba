#include "gfxutil/matrix.h"

#include <gtest/gtest.h>

#include <cmath>

namespace tavrin {
namespace {

void ExpectMatrixNear(const D3DMATRIX& actual, const D3DMATRIX& expected, float tolerance = 1e-5f) {
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            EXPECT_NEAR(actual.m[i][j], expected.m[i][j], tolerance) << "at row " << i << " col " << j;
        }
    }
}

void ExpectVectorNear(const D3DVECTOR& actual, const D3DVECTOR& expected, float tolerance = 1e-5f) {
    EXPECT_NEAR(actual.x, expected.x, tolerance);
    EXPECT_NEAR(actual.y, expected.y, tolerance);
    EXPECT_NEAR(actual.z, expected.z, tolerance);
}

TEST(Matrix, ProductAppliesTheLeftOperandFirst) {
    const D3DMATRIX scale = MatrixScaling(2, 3, 4);
    const D3DMATRIX move = MatrixTranslation(10, 20, 30);
    // Scale then move: (1,1,1) -> (2,3,4) -> (12,23,34).
    ExpectVectorNear(TransformCoord({1, 1, 1}, MatrixMultiply(scale, move)), {12, 23, 34});
    // Move then scale: (1,1,1) -> (11,21,31) -> (22,63,124).
    ExpectVectorNear(TransformCoord({1, 1, 1}, MatrixMultiply(move, scale)), {22, 63, 124});
    ExpectMatrixNear(MatrixMultiply(MatrixIdentity(), move), move);
    ExpectMatrixNear(MatrixMultiply(move, MatrixIdentity()), move);
}

TEST(Matrix, RotationsAreLeftHanded) {
    const float quarter = static_cast<float>(M_PI / 2);
    // Looking down an axis toward the origin, positive angles turn clockwise in a left-handed frame.
    ExpectVectorNear(TransformNormal({0, 1, 0}, MatrixRotationX(quarter)), {0, 0, 1});
    ExpectVectorNear(TransformNormal({0, 0, 1}, MatrixRotationY(quarter)), {1, 0, 0});
    ExpectVectorNear(TransformNormal({1, 0, 0}, MatrixRotationZ(quarter)), {0, 1, 0});
}

TEST(Matrix, PerspectiveHasTheDirect3DRows) {
    const D3DMATRIX p = MatrixPerspectiveLH(4.0f / 3.0f, 1.0f, 1.0f, 1000.0f);
    const float depth = 1000.0f / 999.0f;
    ExpectMatrixNear(p, D3DMATRIX{{{1.5f, 0, 0, 0}, {0, 2, 0, 0}, {0, 0, depth, 1}, {0, 0, -depth, 0}}});
    // The near plane maps to depth 0, the far plane to depth 1; the frustum edge to x = 1.
    EXPECT_NEAR(TransformCoord({0, 0, 1}, p).z, 0.0f, 1e-6f);
    EXPECT_NEAR(TransformCoord({0, 0, 1000}, p).z, 1.0f, 1e-5f);
    EXPECT_NEAR(TransformCoord({2.0f / 3.0f, 0.5f, 1}, p).x, 1.0f, 1e-6f);
    EXPECT_NEAR(TransformCoord({2.0f / 3.0f, 0.5f, 1}, p).y, 1.0f, 1e-6f);
}

TEST(Matrix, LookAtMapsTheTargetOntoTheViewAxis) {
    const D3DVECTOR eye{0, 15, 30}, target{0, 10, 0}, up{0, 1, 0};
    const D3DMATRIX view = MatrixLookAtLH(eye, target, up);
    const float distance = std::sqrt(25.0f + 900.0f);
    ExpectVectorNear(TransformCoord(target, view), {0, 0, distance}, 1e-4f);
    ExpectVectorNear(TransformCoord(eye, view), {0, 0, 0}, 1e-4f);
    // Hand-computed: z = (0, -5, -30)/|.|, x = up x z = (-1, 0, 0), y = z x x.
    const float zy = -5.0f / distance, zz = -30.0f / distance;
    const D3DMATRIX expected{{{-1, 0, 0, 0},
                              {0, -zz, zy, 0},
                              {0, zy, zz, 0},
                              {0, -(15 * -zz + 30 * zy), -(15 * zy + 30 * zz), 1}}};
    ExpectMatrixNear(view, expected, 1e-5f);
    // Up stays up on screen: a point above the target lands above the axis.
    EXPECT_GT(TransformCoord({0, 11, 0}, view).y, 0.0f);
}

TEST(Matrix, LookAtAndPerspectiveLandTheTargetAtTheScreenCentre) {
    const D3DMATRIX viewProjection =
        MatrixMultiply(MatrixLookAtLH({3, 2, -5}, {1, 0.25f, 0}, {0, 1, 0}),
                       MatrixPerspectiveLH(4.0f / 3.0f, 1.0f, 1.0f, 1000.0f));
    const D3DVECTOR clip = TransformCoord({1, 0.25f, 0}, viewProjection);
    EXPECT_NEAR(clip.x, 0.0f, 1e-5f);
    EXPECT_NEAR(clip.y, 0.0f, 1e-5f);
    EXPECT_GT(clip.z, 0.0f);
    EXPECT_LT(clip.z, 1.0f);
}

}  // namespace
}  // namespace tavrin
