#include <gtest/gtest.h>

#include "gfxutil/texture_mips.h"

namespace tavrin {
namespace {

TEST(TextureMips, FullChainReachesOneByOne) {
    EXPECT_EQ(FullMipLevelCount(1, 1), 1u);
    EXPECT_EQ(FullMipLevelCount(256, 256), 9u);
    EXPECT_EQ(FullMipLevelCount(640, 480), 10u);
    EXPECT_EQ(FullMipLevelCount(1, 7), 3u);
}

TEST(TextureMips, BoxFilterAveragesEachChannelRounded) {
    // 2 x 2 -> 1 x 1: per channel (a + b + c + d + 2) / 4.
    const uint32_t square[4] = {0xFF000000, 0x00FF0000, 0x0000FF03, 0x000000FF};
    const std::vector<uint32_t> one = BoxFilterHalf(square, 2, 2);
    ASSERT_EQ(one.size(), 1u);
    EXPECT_EQ(one[0], 0x40404041u);

    // 4 x 1 -> 2 x 1 averages horizontal pairs only.
    const uint32_t row[4] = {0xFF000000, 0xFF000002, 0x10203040, 0x30405060};
    EXPECT_EQ(BoxFilterHalf(row, 4, 1), (std::vector<uint32_t>{0xFF000001, 0x20304050}));

    // 1 x 4 -> 1 x 2 averages vertical pairs.
    EXPECT_EQ(BoxFilterHalf(row, 1, 4), (std::vector<uint32_t>{0xFF000001, 0x20304050}));

    // 3 x 3 -> 1 x 1 from the top-left 2 x 2 block.
    const uint32_t odd[9] = {4, 8, 99, 12, 16, 99, 99, 99, 99};
    EXPECT_EQ(BoxFilterHalf(odd, 3, 3), (std::vector<uint32_t>{10}));
}

}  // namespace
}  // namespace tavrin
