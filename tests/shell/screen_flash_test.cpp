#include "shell/screen_flash.h"

#include <gtest/gtest.h>

#include <optional>
#include <vector>

#include "shell/show_tables.h"

namespace tavrin {
namespace {

uint32_t AlphaByte(uint32_t argb) { return argb >> 24; }

// Runs the show's cues frame by frame at a fixed rate and records each frame's quad colour.
class ShowFlashSweep : public ::testing::Test {
protected:
    static constexpr double kFrame = 1.0 / 100.0;

    void SetUp() override { flash.Attach(kShowFlashCues); }

    // Advances frame by frame until the song time reaches `until`; returns the last frame's quad.
    std::optional<uint32_t> RunTo(double until) {
        std::optional<uint32_t> quad;
        while (songTime + kFrame <= until + 1e-9) {
            songTime += kFrame;
            quad = flash.Advance(kFrame, static_cast<float>(songTime));
        }
        return quad;
    }

    ScreenFlash flash;
    double songTime = 0.0;
};

TEST_F(ShowFlashSweep, FollowsTheCuesThroughTheShow) {
    // Black opening, lifting from 4.6 s at 0.23 per second.
    EXPECT_EQ(RunTo(2.0), 0xFF000000u);
    auto quad = RunTo(6.6);
    ASSERT_TRUE(quad);
    EXPECT_NEAR(flash.alpha(), 1.0 - 0.23 * 2.0, 0.01);
    EXPECT_EQ(*quad & 0x00FFFFFF, 0u);

    // A white swell from 7.85 s is full white just before 8.35 s, then a one-second white flash.
    quad = RunTo(8.1);
    ASSERT_TRUE(quad);
    EXPECT_EQ(*quad & 0x00FFFFFF, 0xFFFFFFu);
    EXPECT_NEAR(flash.alpha(), 0.01 + 2.0 * 0.25, 0.025);
    RunTo(8.35);  // 8.35 itself is not past the next cue
    EXPECT_EQ(flash.alpha(), 1.0f);
    EXPECT_EQ(flash.nextCue(), 3u);
    EXPECT_NEAR(AlphaByte(*RunTo(8.85)), 127, 3);
    EXPECT_FALSE(RunTo(9.4));

    // The quarter-second black flash at 57 s.
    EXPECT_FALSE(RunTo(56.9));
    EXPECT_EQ(*RunTo(57.02) & 0x00FFFFFF, 0u);
    EXPECT_FALSE(RunTo(57.3));

    // Fade to black from 81 s, complete by 83 s and held until 86 s, lifting over half a second.
    EXPECT_NEAR(flash.alpha(), 0.0f, 1e-6);
    EXPECT_NEAR(AlphaByte(*RunTo(82.0)), 130, 2);  // 0.01 + 100 frames of 0.5 per second
    EXPECT_EQ(*RunTo(83.1), 0xFF000000u);
    EXPECT_EQ(*RunTo(85.99), 0xFF000000u);
    EXPECT_NEAR(AlphaByte(*RunTo(86.26)), 122, 2);  // 26 frames of 2 per second since 86.01
    EXPECT_FALSE(RunTo(86.6));

    // The half-opaque veil behind the end scroller stays from 172 s on.
    EXPECT_EQ(RunTo(172.5), 0x7F000000u);
    EXPECT_EQ(RunTo(400.0), 0x7F000000u);
    EXPECT_EQ(flash.nextCue(), kShowFlashCues.size() - 1);
}

TEST(ScreenFlashTest, CuesDueInOneFrameFireOnConsecutiveFrames) {
    ScreenFlash flash;
    flash.Attach(kShowFlashCues);
    flash.Advance(0.01, 1.0f);
    EXPECT_EQ(flash.nextCue(), 1u);
    // A stall from 1 s to 41 s leaves cues 1 to 6 overdue: one fires per frame.
    for (size_t cue = 1; cue <= 6; ++cue) {
        flash.Advance(0.01, 41.0f);
        EXPECT_EQ(flash.nextCue(), cue + 1);
        EXPECT_EQ(flash.rate(), kShowFlashCues[cue].rate);
    }
    flash.Advance(0.01, 41.0f);
    EXPECT_EQ(flash.nextCue(), 7u);
}

TEST(ScreenFlashTest, ClampsOpacityAtZeroAndOne) {
    static const FlashCue kCues[] = {
        {1.0f, 0.5f, 0.5f, 0x123456},
        {2.0f, -1.0f, 0.5f, 0xABCDEF},
        {1e9f, 0.0f, 0.0f, 0},
    };
    ScreenFlash flash;
    flash.Attach(kCues);
    EXPECT_FALSE(flash.Advance(0.0, 0.5f));  // initial alpha 0: nothing drawn

    // Alpha reaching exactly 0 after the decrement draws nothing and stays at 0.
    EXPECT_FALSE(flash.Advance(1.0, 1.5f));
    EXPECT_EQ(flash.alpha(), 0.0f);
    EXPECT_FALSE(flash.Advance(1.0, 1.6f));

    // A negative rate grows the colour in; past 1 it is clamped and stays there.
    EXPECT_EQ(flash.Advance(0.25, 2.5f), 0xBFABCDEFu);
    EXPECT_EQ(flash.Advance(10.0, 3.0f), 0xFFABCDEFu);
    EXPECT_EQ(flash.alpha(), 1.0f);
    EXPECT_EQ(flash.Advance(0.0, 3.1f), 0xFFABCDEFu);
}

TEST(ScreenFlashTest, NeverReadsPastTheLastCue) {
    static const FlashCue kCues[] = {{0.0f, 0.0f, 1.0f, 0x00FF00}};
    ScreenFlash flash;
    flash.Attach(kCues);
    EXPECT_EQ(flash.Advance(0.01, 1.0f), 0xFF00FF00u);
    EXPECT_EQ(flash.Advance(0.01, 2.0f), 0xFF00FF00u);
    EXPECT_EQ(flash.nextCue(), 1u);

    ScreenFlash detached;  // no table: only the initial fade from 0
    EXPECT_FALSE(detached.Advance(0.01, 5.0f));
}

}  // namespace
}  // namespace tavrin
