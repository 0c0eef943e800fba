#include <gtest/gtest.h>

#include <cmath>

#include "display_fixture.h"
#include "effects/env_bump_effect.h"
#include "effects/stadium_effect.h"
#include "gfxutil/matrix.h"
#include "platform/random.h"

namespace tavrin {
namespace {

// The shared sequence from its start, as the effects draw from it.
std::vector<float> UnitDraws(int count) {
    ResetRand();
    std::vector<float> draws;
    for (int i = 0; i < count; ++i) draws.push_back(static_cast<float>(Rand()) / 32767.0f);
    ResetRand();
    return draws;
}

class StadiumEffectTest : public testing::DisplayTest {
protected:
    void SetUp() override {
        DisplayTest::SetUp();
        StadiumEffect::ResetClock();
    }
};

TEST_F(StadiumEffectTest, BallsTakeTheFirstTwentyFourDrawsInOrder) {
    const std::vector<float> q = UnitDraws(24);
    StadiumEffect stadium(display.get(), 4, nullptr, nullptr, nullptr);
    ASSERT_EQ(stadium.Balls().size(), 4u);
    const float pi = 3.14159265f;
    for (int b = 0; b < 4; ++b) {
        const StadiumEffect::Ball& ball = stadium.Balls()[static_cast<size_t>(b)];
        EXPECT_FLOAT_EQ(ball.freqX, 4 * q[6 * b] - 2);
        EXPECT_FLOAT_EQ(ball.phaseX, pi * q[6 * b + 1]);
        EXPECT_FLOAT_EQ(ball.freqY, 4 * q[6 * b + 2] - 2);
        EXPECT_FLOAT_EQ(ball.phaseZ, pi * q[6 * b + 5]);
        EXPECT_FLOAT_EQ(ball.radius, 0.2f);
    }
    EXPECT_EQ(stadium.normalMode, 1);
}

TEST_F(StadiumEffectTest, FirstFrameCameraAndNineDrawsPerFrame) {
    // The sequence read ahead; from here on the generator runs on unreset, so where the effect
    // leaves it counts the draws the effect made.
    const std::vector<float> q = UnitDraws(44);
    StadiumEffect stadium(display.get(), 4, nullptr, nullptr, nullptr);
    BeginFrame();
    stadium.Render(0.02);
    EndFrame();
    const float angle = 0.02f * 0.5f;
    const D3DMATRIX expected = MatrixLookAtLH(Vec3(30 * std::sin(angle), 15, 30 * std::cos(angle)),
                                              Vec3(0, 10, 0), Vec3(0, 1, 0));
    EXPECT_TRUE(testing::MatrixNear(stadium.LastView(), expected));
    // 24 construction draws and 9 shake draws: the next value is the 34th of the sequence.
    EXPECT_EQ(static_cast<float>(Rand()) / 32767.0f, q[33]);
    // The second frame draws nine more, the 35th to the 43rd.
    BeginFrame();
    stadium.Render(0.02);
    EndFrame();
    EXPECT_EQ(static_cast<float>(Rand()) / 32767.0f, q[43]);
}

TEST_F(StadiumEffectTest, BallsStayInsideTheGridAndMakeASurface) {
    StadiumEffect stadium(display.get(), 4, nullptr, nullptr, nullptr);
    for (int frame = 0; frame < 50; ++frame) {
        BeginFrame();
        stadium.Render(0.1);
        EndFrame();
        for (const auto& ball : stadium.Balls()) {
            ASSERT_LE(std::fabs(ball.position.x), 0.4f);
            ASSERT_LE(std::fabs(ball.position.y), 0.4f);
            ASSERT_LE(std::fabs(ball.position.z), 0.4f);
        }
        ASSERT_GT(stadium.Field().TriangleCount(), 0);
    }
    // The field is the sum of the ball terms less one; the normal points away from the ball.
    const auto& ball = stadium.Balls()[0];
    Vec3 normal;
    const Vec3 outside = ball.position + Vec3(0.0f, 0.0f, 1.5f);
    EXPECT_TRUE(stadium.Normal(normal, outside));
    EXPECT_GT(normal.z, 0.0f);
}

TEST_F(StadiumEffectTest, NoBallsNoTrianglesButTheFrameStillRuns) {
    StadiumEffect stadium(display.get(), 0, nullptr, nullptr, nullptr);
    EXPECT_FLOAT_EQ(stadium.Value(Vec3(0, 0, 0)), -1.0f);
    BeginFrame();
    stadium.Render(0.02);
    EndFrame();
    EXPECT_EQ(stadium.Field().TriangleCount(), 0);
}

TEST_F(StadiumEffectTest, RenderLeavesTheStatesOfItsCleanUp) {
    StadiumEffect stadium(display.get(), 4, nullptr, nullptr, nullptr);
    BeginFrame();
    stadium.Render(0.02);
    EndFrame();
    EXPECT_EQ(RenderState(D3DRS_ZENABLE), static_cast<DWORD>(D3DZB_TRUE));
    EXPECT_EQ(RenderState(D3DRS_CULLMODE), static_cast<DWORD>(D3DCULL_CCW));
    EXPECT_EQ(RenderState(D3DRS_LIGHTING), static_cast<DWORD>(FALSE));
    EXPECT_EQ(RenderState(D3DRS_ALPHATESTENABLE), static_cast<DWORD>(FALSE));
    EXPECT_EQ(RenderState(D3DRS_ALPHAREF), 64u);
    EXPECT_EQ(StageState(1, D3DTSS_COLOROP), static_cast<DWORD>(D3DTOP_DISABLE));
    for (DWORD stage = 0; stage < 2; ++stage) {
        EXPECT_EQ(StageState(stage, D3DTSS_TEXCOORDINDEX), 0u);
        EXPECT_EQ(StageState(stage, D3DTSS_TEXTURETRANSFORMFLAGS), static_cast<DWORD>(D3DTTFF_DISABLE));
    }
    EXPECT_TRUE(testing::MatrixNear(Transform(D3DTS_WORLD), MatrixIdentity()));
    BOOL lightOn = TRUE;
    device->GetLightEnable(0, &lightOn);
    EXPECT_FALSE(lightOn);
    const D3DMATRIX sphereMap = Transform(D3DTS_TEXTURE0);
    EXPECT_FLOAT_EQ(sphereMap.m[1][1], -0.4f);
    EXPECT_FLOAT_EQ(sphereMap.m[3][0], 0.5f);
}

TEST_F(StadiumEffectTest, DotLightColourStaysInTheMiddleRange) {
    display->hasDot3 = true;
    StadiumEffect stadium(display.get(), 4, nullptr, nullptr, nullptr);
    for (int frame = 0; frame < 20; ++frame) {
        stadium.Render(0.3);
        const D3DCOLOR colour = stadium.Colour(Vec3(0, 0, 0));
        EXPECT_EQ(colour >> 24, 0xFFu);
        for (int shift = 0; shift < 24; shift += 8) {
            const int channel = static_cast<int>((colour >> shift) & 0xFF);
            EXPECT_GE(channel, 63);
            EXPECT_LE(channel, 191);
        }
    }
}

class EnvBumpEffectTest : public testing::DisplayTest {
protected:
    void SetUp() override {
        DisplayTest::SetUp();
        EnvBumpEffect::ResetClock();
    }
};

TEST_F(EnvBumpEffectTest, ToriTakeElevenDrawsEach) {
    const std::vector<float> q = UnitDraws(22);
    EnvBumpEffect effect(display.get(), 2, nullptr, nullptr);
    const auto& second = effect.Tori()[1];
    EXPECT_FLOAT_EQ(second.ringRadius, 0.3f + 0.1f * q[11]);
    EXPECT_FLOAT_EQ(second.tubeRadius, (0.7f + 0.2f * q[12]) * second.ringRadius);
    EXPECT_FLOAT_EQ(second.spinW, q[21]);
    EXPECT_GE(second.ringRadius, 0.3f);
    EXPECT_LE(second.ringRadius, 0.4f);
}

TEST_F(EnvBumpEffectTest, FramesStayOrthonormalOverManyFrames) {
    EnvBumpEffect effect(display.get(), 2, nullptr, nullptr);
    for (int frame = 0; frame < 20000; ++frame) effect.Advance(0.016);
    for (const auto& torus : effect.Tori()) {
        EXPECT_NEAR(torus.axisU.Length(), 1.0f, 1e-5f);
        EXPECT_NEAR(torus.axisV.Length(), 1.0f, 1e-5f);
        EXPECT_NEAR(torus.axisW.Length(), 1.0f, 1e-5f);
        EXPECT_NEAR(torus.axisU.Dot(torus.axisV), 0.0f, 1e-5f);
        EXPECT_NEAR(torus.axisU.Dot(torus.axisW), 0.0f, 1e-5f);
        EXPECT_NEAR(torus.axisV.Dot(torus.axisW), 0.0f, 1e-5f);
        // Right-handed in the cross-product sense: W = U x V.
        EXPECT_NEAR(torus.axisU.Cross(torus.axisV).Dot(torus.axisW), 1.0f, 1e-5f);
    }
    // A zero frame time only re-orthonormalises.
    const auto before = effect.Tori()[0];
    effect.Advance(0.0);
    EXPECT_NEAR(effect.Tori()[0].axisU.x, before.axisU.x, 1e-6f);
    EXPECT_NEAR(effect.Tori()[0].centre.y, before.centre.y, 1e-6f);
}

TEST_F(EnvBumpEffectTest, LightDirectionIsPackedIntoTheColour) {
    EnvBumpEffect effect(display.get(), 2, nullptr, nullptr);
    effect.SetLightPos(Vec3(0, 0, 0));
    EXPECT_EQ(effect.Colour(Vec3(2, 0, 0)), 0xFFFF7F7Fu);
    EXPECT_EQ(effect.Colour(Vec3(0, 0, -0.5f)), 0xFF7F7F00u);
}

TEST_F(EnvBumpEffectTest, LoneTorusSurfaceIsItsThinnerTube) {
    EnvBumpEffect effect(display.get(), 1, nullptr, nullptr);
    const auto& torus = effect.Tori()[0];
    // On the ring the field is far inside; a tube radius r / sqrt(2) off it, r^2/d^2 - 2 = 0.
    const Vec3 onRing = torus.axisU * torus.ringRadius;
    EXPECT_GT(effect.Value(onRing + torus.axisW * 0.01f), 0.0f);
    const Vec3 onSurface = onRing + torus.axisW * (torus.tubeRadius / std::sqrt(2.0f));
    EXPECT_NEAR(effect.Value(onSurface), 0.0f, 1e-4f);
    Vec3 normal;
    effect.Normal(normal, onRing + torus.axisW * 0.05f);
    EXPECT_GT(normal.Dot(torus.axisW), 0.0f);
    EXPECT_NEAR(normal.Dot(torus.axisU), 0.0f, 1e-3f * normal.Length());
}

TEST_F(EnvBumpEffectTest, RenderSetsTheCameraAndCleansUpItsStages) {
    EnvBumpEffect none(display.get(), 0, nullptr, nullptr);
    BeginFrame();
    none.Render(0.02);
    EndFrame();
    EXPECT_EQ(none.Field().TriangleCount(), 0);
    EXPECT_TRUE(testing::MatrixNear(Transform(D3DTS_VIEW),
                                    MatrixLookAtLH(Vec3(0, 0, -3), Vec3(0, 0, 0), Vec3(0, 1, 0))));
    EXPECT_EQ(RenderState(D3DRS_CULLMODE), static_cast<DWORD>(D3DCULL_CCW));
    EXPECT_EQ(RenderState(D3DRS_TEXTUREFACTOR), 0xFF808080u);
    EXPECT_EQ(StageState(0, D3DTSS_COLOROP), static_cast<DWORD>(D3DTOP_DOTPRODUCT3));
    EXPECT_EQ(StageState(1, D3DTSS_COLOROP), static_cast<DWORD>(D3DTOP_DISABLE));
    EXPECT_EQ(StageState(1, D3DTSS_COLORARG0), static_cast<DWORD>(D3DTA_CURRENT));
    EXPECT_EQ(StageState(0, D3DTSS_TEXCOORDINDEX), 0u);

    EnvBumpEffect two(display.get(), 2, nullptr, nullptr);
    BeginFrame();
    two.Render(0.02);
    EndFrame();
    EXPECT_GT(two.Field().TriangleCount(), 0);
}

}  // namespace
}  // namespace tavrin
