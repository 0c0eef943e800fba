#include <gtest/gtest.h>

#include <vector>

#include "scene3ds/keyframe_track.h"
#include "scene3ds/scene3ds.h"

namespace tavrin {
namespace {

struct Key {
    int frame;
    float value;
    double tension = 0, continuity = 0, bias = 0, easeFrom = 0, easeTo = 0;
};

SceneTrack ScalarTrack(const std::vector<Key>& keys) {
    SceneTrack track;
    track.type = kScalarTrack;
    track.keyCount = static_cast<int>(keys.size());
    track.scalarKeys = std::make_unique<ScalarKey[]>(keys.size());
    for (size_t i = 0; i < keys.size(); ++i) {
        ScalarKey& k = track.scalarKeys[i];
        k.frame = keys[i].frame;
        k.value = keys[i].value;
        k.tension = keys[i].tension;
        k.continuity = keys[i].continuity;
        k.bias = keys[i].bias;
        k.easeFrom = keys[i].easeFrom;
        k.easeTo = keys[i].easeTo;
    }
    PrepareTangents(&track);
    return track;
}

// Values worked out by hand from the Kochanek-Bartels formulas.
TEST(KeyframeTangents, TwoKeysUseTheirOwnTension) {
    const SceneTrack track = ScalarTrack({{0, 2, 0.25}, {10, 6, 0.5}});
    EXPECT_FLOAT_EQ(track.scalarKeys[0].inTangent, 0);
    EXPECT_FLOAT_EQ(track.scalarKeys[0].outTangent, 3);
    EXPECT_FLOAT_EQ(track.scalarKeys[1].inTangent, 2);
    EXPECT_FLOAT_EQ(track.scalarKeys[1].outTangent, 0);
}

TEST(KeyframeTangents, ThreeKeysWithTensionContinuityAndBias) {
    const SceneTrack track = ScalarTrack({{0, 0, 0.5}, {10, 10, 0.5, 0.2, -0.4}, {30, 4}});
    const ScalarKey* k = track.scalarKeys.get();
    EXPECT_FLOAT_EQ(k[0].inTangent, 0);
    EXPECT_NEAR(k[0].outTangent, 7.5 + 1.0 / 3, 1e-5);
    EXPECT_NEAR(k[1].inTangent, -0.88, 1e-5);
    EXPECT_NEAR(k[1].outTangent, 0.16, 1e-5);
    EXPECT_NEAR(k[2].inTangent, -9 + 4.0 / 3, 1e-5);
    EXPECT_FLOAT_EQ(k[2].outTangent, 0);
}

TEST(KeyframeTangents, CoincidingFramesStayFinite) {
    const SceneTrack track = ScalarTrack({{5, 1}, {5, 2}, {5, 3}, {5, 4}});
    for (int i = 0; i < 4; ++i) {
        EXPECT_TRUE(std::isfinite(track.scalarKeys[i].inTangent));
        EXPECT_TRUE(std::isfinite(track.scalarKeys[i].outTangent));
    }
    EXPECT_TRUE(std::isfinite(EvaluateScalarTrack(track, 5)));
}

TEST(KeyframeEvaluation, BeforeInsideAndAfterTheKeys) {
    const SceneTrack track = ScalarTrack({{0, 0}, {10, 10}, {30, 0}});
    EXPECT_EQ(EvaluateScalarTrack(track, -1), 0);
    EXPECT_EQ(EvaluateScalarTrack(track, 31), 0);
    EXPECT_FLOAT_EQ(EvaluateScalarTrack(track, 5), 6.875f);
    EXPECT_FLOAT_EQ(EvaluateScalarTrack(track, 10), 10);
    EXPECT_FLOAT_EQ(EvaluateScalarTrack(track, 20), 6.875f);
    EXPECT_FLOAT_EQ(EvaluateScalarTrack(track, 30), 0);  // the last frame wraps to the first

    const SceneTrack late = ScalarTrack({{10, 1}, {20, 5}, {40, 9}});
    EXPECT_EQ(EvaluateScalarTrack(late, 0), 1);
    EXPECT_EQ(EvaluateScalarTrack(late, 50), 9);
    // At the last frame the time wraps to 0, before the first key: the first segment's curve is
    // extrapolated to u = -1 (first key's out-tangent 22/3, second key's in-tangent 8/3).
    EXPECT_NEAR(EvaluateScalarTrack(late, 40), -4 * 1 + 5 * 5 - 4 * (22.0 / 3) - 2 * (8.0 / 3),
                1e-5);
}

TEST(KeyframeEvaluation, EaseBendsTheTimeBetweenTwoKeys) {
    // With untensioned end keys the Hermite curve is a straight line, so the value is 10 times
    // the eased time.
    const SceneTrack easeOut = ScalarTrack({{0, 0, 0, 0, 0, 0.5}, {10, 10}});
    EXPECT_NEAR(EvaluateScalarTrack(easeOut, 2.5), 10 * (0.0625 * (2.0 / 3) / 0.5), 1e-5);
    EXPECT_NEAR(EvaluateScalarTrack(easeOut, 7.5), 10 * (2.0 / 3), 1e-5);

    const SceneTrack both = ScalarTrack({{0, 0, 0, 0, 0, 0.5}, {10, 10, 0, 0, 0, 0.9, 0.5}});
    EXPECT_NEAR(EvaluateScalarTrack(both, 2.5), 1.25, 1e-5);
    EXPECT_NEAR(EvaluateScalarTrack(both, 7.5), 8.75, 1e-5);
}

TEST(KeyframeEvaluation, EaseCurve) {
    EXPECT_EQ(Ease(0.3, 0, 0), 0.3);
    // Sums above one are scaled down to one: 2 and 2 act as 0.5 and 0.5.
    EXPECT_DOUBLE_EQ(Ease(0.25, 2, 2), Ease(0.25, 0.5, 0.5));
    EXPECT_DOUBLE_EQ(Ease(0.25, 0.5, 0.5), 0.125);
    EXPECT_DOUBLE_EQ(Ease(0.5, 0.25, 0.25), 0.5);
    EXPECT_DOUBLE_EQ(Ease(0.9, 0.25, 0.25), 1 - 0.01 / 1.5 / 0.25);
}

TEST(KeyframeEvaluation, DegenerateTracks) {
    const SceneTrack none = ScalarTrack({});
    EXPECT_EQ(EvaluateScalarTrack(none, 3), 0);
    const SceneTrack one = ScalarTrack({{7, 4.5f}});
    EXPECT_EQ(EvaluateScalarTrack(one, 7), 4.5f);
    EXPECT_EQ(EvaluateScalarTrack(one, 0), 4.5f);
    EXPECT_EQ(EvaluateScalarTrack(one, 100), 4.5f);
    const SceneTrack atZero = ScalarTrack({{0, 2}});
    EXPECT_EQ(EvaluateScalarTrack(atZero, 0), 2);
}

TEST(KeyframeEvaluation, VectorTracksInterpolateEachComponent) {
    SceneTrack track;
    track.type = kVectorTrack;
    track.keyCount = 2;
    track.vectorKeys = std::make_unique<VectorKey[]>(2);
    track.vectorKeys[0].frame = 0;
    track.vectorKeys[0].value = {0, 10, -2};
    track.vectorKeys[1].frame = 10;
    track.vectorKeys[1].value = {10, 0, 2};
    PrepareTangents(&track);
    const DVec3 middle = EvaluateVectorTrack(track, 2.5);
    EXPECT_DOUBLE_EQ(middle.x, 2.5);
    EXPECT_DOUBLE_EQ(middle.y, 7.5);
    EXPECT_DOUBLE_EQ(middle.z, -1);
    EXPECT_EQ(EvaluateVectorTrack(track, 11), DVec3(10, 0, 2));
    EXPECT_EQ(EvaluateScalarTrack(track, 5), 0) << "a vector track has no scalar value";
}

}  // namespace
}  // namespace tavrin
