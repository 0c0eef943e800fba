#include "shell/scene_schedule.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "effects/effect.h"
#include "effects/metaball_field.h"
#include "platform/random.h"

namespace tavrin {
namespace {

struct BallSource : FieldSource {
    float Value(const Vec3& p) const override { return 0.47f - p.Dot(p); }
};

// Stand-ins for the show's effects with the members the schedule writes.
struct Show {
    Effect flare{nullptr}, stadium{nullptr}, envBump{nullptr}, trophy{nullptr}, scroller{nullptr};
    bool flareOn = false;
    float stadiumShake = -1, stadiumOrbitSpeed = -1, envBumpShake = -1;
    BallSource source;
    MetaballField field{nullptr, 79, 79, 79, Vec3(-1, -1, -1), 2, 2, 2, &source};
    bool frozen = false;
    float cameraDistance = 3.0f, orbitSpeed = 0.4f;

    Show() { field.SetResolution(39, 39, 39); }

    ScheduleSlots Slots() {
        ScheduleSlots slots;
        slots.flare = &flare;
        slots.flareOn = &flareOn;
        slots.stadium = &stadium;
        slots.stadiumShake = &stadiumShake;
        slots.stadiumOrbitSpeed = &stadiumOrbitSpeed;
        slots.envBump = &envBump;
        slots.envBumpShake = &envBumpShake;
        slots.trophy = &trophy;
        slots.trophyField = &field;
        slots.trophyFrozen = &frozen;
        slots.trophyCameraDistance = &cameraDistance;
        slots.trophyOrbitSpeed = &orbitSpeed;
        slots.scroller = &scroller;
        return slots;
    }
};

float Above(float t) { return std::nextafter(t, 1e9f); }

TEST(SceneSchedule, ChainFollowsTheSongTime) {
    Show show;
    SceneSchedule schedule(show.Slots());
    struct Expect {
        float t;
        Effect* effect;
    };
    const std::vector<Expect> script = {
        {-1.0f, nullptr},          {0.0f, nullptr},
        {Above(0.0f), &show.flare}, {24.6f, &show.flare},
        {Above(24.6f), &show.stadium}, {40.8f, &show.stadium},
        {Above(40.8f), &show.trophy},  {49.3f, &show.envBump},
        {57.1f, &show.trophy},         {86.0f, &show.trophy},
        {Above(86.0f), &show.stadium}, {138.8f, &show.envBump},
        {155.1f, &show.stadium},       {171.1f, &show.trophy},
        {179.14f, &show.trophy}};
    for (const Expect& step : script) {
        schedule.Run(step.t);
        EXPECT_EQ(schedule.ActiveEffect(), step.effect) << "at " << step.t;
    }
    EXPECT_FALSE(SceneSchedule::ScrollerShown(171.0f));
    EXPECT_TRUE(SceneSchedule::ScrollerShown(Above(171.0f)));
}

TEST(SceneSchedule, ParameterWritesAtTheirTimes) {
    Show show;
    SceneSchedule schedule(show.Slots());
    schedule.Run(8.35f);
    EXPECT_FALSE(show.flareOn);
    schedule.Run(Above(8.35f));
    EXPECT_TRUE(show.flareOn);
    schedule.Run(138.0f);
    EXPECT_EQ(show.envBumpShake, -1.0f);
    schedule.Run(138.5f);
    EXPECT_EQ(show.envBumpShake, 1.0f);
    EXPECT_EQ(show.stadiumShake, 0.5f);
    EXPECT_EQ(show.stadiumOrbitSpeed, 6.0f);
    schedule.Run(171.5f);
    EXPECT_EQ(show.envBumpShake, 0.0f);
    EXPECT_EQ(show.stadiumShake, 0.0f);
    EXPECT_EQ(show.stadiumOrbitSpeed, 0.5f);
}

TEST(SceneSchedule, MetaballPassageFreezesThenRestoresTheTrophyScene) {
    Show show;
    SceneSchedule schedule(show.Slots());
    schedule.Run(81.0f);
    EXPECT_FALSE(show.frozen);
    EXPECT_FALSE(show.field.Ready());
    schedule.Run(83.0f);
    EXPECT_TRUE(show.field.Ready());
    EXPECT_EQ(show.field.SampleCount(), 80 * 80 * 80);
    EXPECT_TRUE(show.frozen);
    EXPECT_EQ(show.orbitSpeed, 0.0f);
    EXPECT_FLOAT_EQ(show.cameraDistance, 10.0f);
    const int passageTriangles = show.field.TriangleCount();
    schedule.Run(85.9f);
    EXPECT_NEAR(show.cameraDistance, 7.1f, 1e-4f);
    // 86.0 itself ends the passage while the trophy scene is still on screen.
    schedule.Run(86.0f);
    EXPECT_EQ(schedule.ActiveEffect(), &show.trophy);
    EXPECT_TRUE(schedule.MetaballFadeDone());
    EXPECT_FALSE(show.frozen);
    EXPECT_EQ(show.cameraDistance, 3.0f);
    EXPECT_EQ(show.orbitSpeed, 0.4f);
    EXPECT_EQ(show.field.SampleCount(), 40 * 40 * 40);
    // The 79^3 triangles stay until someone polygonises again.
    EXPECT_EQ(show.field.TriangleCount(), passageTriangles);
    // Later frames leave the scene alone.
    show.cameraDistance = 5.0f;
    schedule.Run(87.0f);
    EXPECT_EQ(show.cameraDistance, 5.0f);
}

TEST(SceneSchedule, FirstFrameBeyondThePassageRunsAllOfItAtOnce) {
    Show show;
    SceneSchedule schedule(show.Slots());
    schedule.Run(90.0f);
    EXPECT_EQ(schedule.ActiveEffect(), &show.stadium);
    EXPECT_TRUE(schedule.MetaballFadeDone());
    EXPECT_FALSE(show.frozen);
    EXPECT_EQ(show.cameraDistance, 3.0f);
    EXPECT_EQ(show.orbitSpeed, 0.4f);
    EXPECT_EQ(show.field.SampleCount(), 40 * 40 * 40);
    // Polygonised once, at 79^3.
    BallSource source;
    MetaballField reference(nullptr, 79, 79, 79, Vec3(-1, -1, -1), 2, 2, 2, &source);
    reference.Polygonise();
    EXPECT_EQ(show.field.TriangleCount(), reference.TriangleCount());
}

TEST(SceneSchedule, RandomPicksEvery8_15SecondsAfter171) {
    Show show;
    SceneSchedule schedule(show.Slots());
    ResetRand();
    schedule.Run(179.14f);
    EXPECT_EQ(schedule.NextRandomSwitch(), 171.0f);
    EXPECT_EQ(schedule.ActiveEffect(), &show.trophy);
    schedule.Run(179.16f);
    EXPECT_EQ(schedule.NextRandomSwitch(), 171.0f + 8.15f);

    // After a stall the picks catch up one per frame.
    schedule.Run(200.0f);
    EXPECT_EQ(schedule.NextRandomSwitch(), 171.0f + 8.15f + 8.15f);
    schedule.Run(200.0f);
    schedule.Run(200.0f);
    const float caughtUp = schedule.NextRandomSwitch();
    EXPECT_LT(200.0 - caughtUp, 8.15);
    schedule.Run(200.0f);
    EXPECT_EQ(schedule.NextRandomSwitch(), caughtUp);
}

TEST(SceneSchedule, PicksFollowTheRandomSequenceTwiceAsOftenForTheTrophy) {
    Show show;
    const int picks = 4000;
    ResetRand();
    std::vector<int> draws;
    for (int n = 0; n < picks; ++n) draws.push_back(Rand() & 3);
    ResetRand();
    SceneSchedule schedule(show.Slots());
    Effect* const byDraw[4] = {&show.stadium, &show.envBump, &show.trophy, &show.trophy};
    int stadium = 0, envBump = 0, trophy = 0;
    float t = 171.5f;
    for (int n = 0; n < picks; ++n) {
        t = Above(schedule.NextRandomSwitch() + 8.15f);
        schedule.Run(t);
        ASSERT_EQ(schedule.ActiveEffect(), byDraw[draws[n]]) << "pick " << n;
        stadium += schedule.ActiveEffect() == &show.stadium;
        envBump += schedule.ActiveEffect() == &show.envBump;
        trophy += schedule.ActiveEffect() == &show.trophy;
    }
    EXPECT_NEAR(stadium, picks / 4, picks / 20);
    EXPECT_NEAR(envBump, picks / 4, picks / 20);
    EXPECT_NEAR(trophy, picks / 2, picks / 20);
}

TEST(SceneSchedule, LinesOfMissingEffectsAreSkipped) {
    Show show;
    ScheduleSlots slots;  // only the trophy scene exists
    slots.trophy = &show.trophy;
    slots.trophyField = &show.field;
    slots.trophyFrozen = &show.frozen;
    SceneSchedule schedule(slots);
    schedule.Run(30.0f);
    EXPECT_EQ(schedule.ActiveEffect(), nullptr);
    schedule.Run(45.0f);
    EXPECT_EQ(schedule.ActiveEffect(), &show.trophy);
    schedule.Run(83.0f);
    EXPECT_TRUE(show.frozen);
    EXPECT_EQ(show.cameraDistance, 3.0f);  // not attached, not written
    schedule.Run(100.0f);
    EXPECT_EQ(schedule.ActiveEffect(), &show.trophy);
    EXPECT_FALSE(show.frozen);
    ResetRand();
    for (float t = 172.0f; t < 400.0f; t += 8.2f) {
        schedule.Run(t);
        EXPECT_EQ(schedule.ActiveEffect(), &show.trophy);
    }

    SceneSchedule empty{ScheduleSlots{}};
    empty.Run(200.0f);
    EXPECT_EQ(empty.ActiveEffect(), nullptr);
}

}  // namespace
}  // namespace tavrin
