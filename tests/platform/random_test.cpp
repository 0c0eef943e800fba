#include "platform/random.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace tavrin {
namespace {

TEST(Random, UnseededSequenceStartsWithKnownValues) {
    ResetRand();
    EXPECT_EQ(Rand(), 41);
    EXPECT_EQ(Rand(), 18467);
    EXPECT_EQ(Rand(), 6334);
    EXPECT_EQ(Rand(), 26500);
    EXPECT_EQ(Rand(), 19169);
}

TEST(Random, FollowsTheLinearCongruenceForManyDraws) {
    ResetRand();
    uint32_t state = 1;
    for (int i = 0; i < 100000; ++i) {
        state = state * 214013u + 2531011u;
        const int value = Rand();
        ASSERT_EQ(value, static_cast<int>((state >> 16) & 0x7FFF)) << "draw " << i;
        ASSERT_GE(value, 0);
        ASSERT_LE(value, kRandMax);
    }
}

TEST(Random, ResetRestartsTheSequence) {
    ResetRand();
    const int first = Rand();
    Rand();
    ResetRand();
    EXPECT_EQ(Rand(), first);
}

}  // namespace
}  // namespace tavrin
