#include "platform/counter.h"

#include <gtest/gtest.h>

namespace tavrin {
namespace {

TEST(Counter, SystemCounterIsMonotonicAtTenMegahertz) {
    SystemCounter counter;
    EXPECT_EQ(counter.Frequency(), 10'000'000);
    int64_t previous = counter.Count();
    for (int i = 0; i < 1000; ++i) {
        const int64_t now = counter.Count();
        ASSERT_GE(now, previous);
        previous = now;
    }
}

TEST(Counter, ManualCounterMovesOnlyWhenTold) {
    ManualCounter counter(1000, 5);
    EXPECT_EQ(counter.Frequency(), 1000);
    EXPECT_EQ(counter.Count(), 5);
    EXPECT_EQ(counter.Count(), 5);
    counter.Advance(10);
    EXPECT_EQ(counter.Count(), 15);
    counter.AdvanceSeconds(0.25);
    EXPECT_EQ(counter.Count(), 265);
    counter.Set(-3);
    EXPECT_EQ(counter.Count(), -3);
}

TEST(Counter, ManualSecondsRoundToTheNearestTick) {
    ManualCounter counter(60, 0);
    for (int i = 0; i < 60; ++i) counter.AdvanceSeconds(1.0 / 60.0);
    EXPECT_EQ(counter.Count(), 60);
}

}  // namespace
}  // namespace tavrin
