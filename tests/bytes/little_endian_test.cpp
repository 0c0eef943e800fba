#include "bytes/little_endian.h"

#include <gtest/gtest.h>

#include <vector>

namespace tavrin {
namespace {

// The bytes of a ZIP local header signature and a few more, least significant first.
constexpr uint8_t kBytes[] = {0x50, 0x4B, 0x03, 0x04, 0xFF, 0x80, 0x01, 0xFE};

TEST(LittleEndian, ReadsTakeTheFirstByteAsTheLeastSignificant) {
    EXPECT_EQ(le::Read16(kBytes), 0x4B50u);
    EXPECT_EQ(le::Read16(kBytes + 4), 0x80FFu);  // the high byte's top bit stays unsigned
    EXPECT_EQ(le::Read32(kBytes), 0x04034B50u);
    EXPECT_EQ(le::Read32(kBytes + 4), 0xFE0180FFu);
    EXPECT_EQ(le::Read64(kBytes), 0xFE0180FF04034B50u);
}

TEST(LittleEndian, WritesAreTheReadsReversedAndKeepOnlyTheirWidth) {
    std::vector<uint8_t> out;
    le::Append32(out, 0x04034B50u);
    le::Append16(out, 0xABCD80FFu);  // only the low 16 bits belong to a 16-bit field
    le::Append16(out, 0xFE01u);
    EXPECT_EQ(out, std::vector<uint8_t>(std::begin(kBytes), std::end(kBytes)));

    uint8_t stored[8] = {};
    le::Store32(stored, 0x04034B50u);
    le::Store16(stored + 4, 0x1280FFu);
    le::Store16(stored + 6, 0xFE01u);
    EXPECT_EQ(std::vector<uint8_t>(std::begin(stored), std::end(stored)), out);
}

}  // namespace
}  // namespace tavrin
