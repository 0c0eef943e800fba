#include "shell/frame_clock.h"

#include <gtest/gtest.h>

namespace tavrin {
namespace {

TEST(FrameClockTest, MeasuresPassesOnlyWhileRunning) {
    ManualCounter counter(1000, 5000);
    FrameClock clock(counter);
    counter.Advance(250);
    clock.Tick();  // not started: nothing measured
    EXPECT_EQ(clock.frameSeconds(), 0.0);
    EXPECT_EQ(clock.elapsedSeconds(), 0.0);

    clock.Start();
    counter.Advance(250);
    clock.Tick();
    counter.Advance(500);
    clock.Tick();
    EXPECT_DOUBLE_EQ(clock.frameSeconds(), 0.5);
    EXPECT_DOUBLE_EQ(clock.elapsedSeconds(), 0.75);

    counter.Advance(100);
    clock.Start();  // already running: keeps counting from the last tick
    clock.Tick();
    EXPECT_DOUBLE_EQ(clock.frameSeconds(), 0.1);
    EXPECT_DOUBLE_EQ(clock.elapsedSeconds(), 0.85);

    clock.Stop();
    counter.Advance(1000);
    clock.Tick();
    EXPECT_DOUBLE_EQ(clock.frameSeconds(), 0.1);
    EXPECT_DOUBLE_EQ(clock.elapsedSeconds(), 0.85);

    clock.Start();  // a restart counts from now and from zero
    EXPECT_EQ(clock.elapsedSeconds(), 0.0);
    counter.Advance(20);
    clock.Tick();
    EXPECT_DOUBLE_EQ(clock.frameSeconds(), 0.02);
    EXPECT_DOUBLE_EQ(clock.elapsedSeconds(), 0.02);
}

TEST(FrameClockTest, TickDifferenceWrapsAtTwoToThe32) {
    ManualCounter counter(1'000'000, (int64_t{1} << 32) - 100);
    FrameClock clock(counter);
    clock.Start();
    counter.Advance(300);  // crosses a 2^32 boundary of the low half
    clock.Tick();
    EXPECT_DOUBLE_EQ(clock.frameSeconds(), 300e-6);

    counter.Advance((int64_t{1} << 32) + 7);  // a stall of more than 2^32 ticks
    clock.Tick();
    EXPECT_DOUBLE_EQ(clock.frameSeconds(), 7e-6);

    counter.Advance(int64_t{1} << 32);
    clock.Tick();
    EXPECT_EQ(clock.frameSeconds(), 0.0);
}

TEST(FrameClockTest, TicksPerSecondCombinesBothHalvesOfTheFrequency) {
    ManualCounter counter((int64_t{3} << 32) + 0x80000000);
    FrameClock clock(counter);
    EXPECT_EQ(clock.ticksPerSecond(), 3.0 * 4294967296.0 + 2147483648.0);
}

}  // namespace
}  // namespace tavrin
