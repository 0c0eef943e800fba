#include "d3d/texel_convert.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace tavrin {
namespace {

TEST(TexelConvert, SixteenBitFormatsWidenToFullScale) {
    const uint16_t r5g6b5[3] = {0xF800, 0x07E0, 0x001F};
    uint32_t out[3];
    ASSERT_TRUE(ConvertRowToArgb(D3DFMT_R5G6B5, reinterpret_cast<const uint8_t*>(r5g6b5), 3, out));
    EXPECT_EQ(out[0], 0xFFFF0000u);
    EXPECT_EQ(out[1], 0xFF00FF00u);
    EXPECT_EQ(out[2], 0xFF0000FFu);

    const uint16_t a1[2] = {0x7C00, 0x83E0};  // transparent red, opaque green
    ASSERT_TRUE(ConvertRowToArgb(D3DFMT_A1R5G5B5, reinterpret_cast<const uint8_t*>(a1), 2, out));
    EXPECT_EQ(out[0], 0x00FF0000u);
    EXPECT_EQ(out[1], 0xFF00FF00u);
    ASSERT_TRUE(ConvertRowToArgb(D3DFMT_X1R5G5B5, reinterpret_cast<const uint8_t*>(a1), 1, out));
    EXPECT_EQ(out[0], 0xFFFF0000u);

    const uint16_t a4[1] = {0x8F31};
    ASSERT_TRUE(ConvertRowToArgb(D3DFMT_A4R4G4B4, reinterpret_cast<const uint8_t*>(a4), 1, out));
    EXPECT_EQ(out[0], 0x88FF3311u);
}

TEST(TexelConvert, ThirtyTwoBitAndLuminanceFormats) {
    const uint32_t x8[2] = {0x00123456, 0x7F000000};
    uint32_t out[3];
    ASSERT_TRUE(ConvertRowToArgb(D3DFMT_X8R8G8B8, reinterpret_cast<const uint8_t*>(x8), 2, out));
    EXPECT_EQ(out[0], 0xFF123456u);
    EXPECT_EQ(out[1], 0xFF000000u);
    ASSERT_TRUE(ConvertRowToArgb(D3DFMT_A8R8G8B8, reinterpret_cast<const uint8_t*>(x8), 2, out));
    EXPECT_EQ(out[1], 0x7F000000u);

    const uint8_t bgr[3] = {0x56, 0x34, 0x12};
    ASSERT_TRUE(ConvertRowToArgb(D3DFMT_R8G8B8, bgr, 1, out));
    EXPECT_EQ(out[0], 0xFF123456u);

    const uint8_t grey[2] = {0x80, 0x40};
    ASSERT_TRUE(ConvertRowToArgb(D3DFMT_L8, grey, 2, out));
    EXPECT_EQ(out[1], 0xFF404040u);
    ASSERT_TRUE(ConvertRowToArgb(D3DFMT_A8L8, grey, 1, out));
    EXPECT_EQ(out[0], 0x40808080u);
}

TEST(TexelConvert, UnknownFormatWritesNothing) {
    const uint8_t data[8] = {};
    uint32_t out[1] = {0xABCDEF01};
    EXPECT_FALSE(ConvertRowToArgb(D3DFMT_DXT1, data, 1, out));
    EXPECT_EQ(out[0], 0xABCDEF01u);
}

// Every texel the browser build uploads is widened to 8 bits a channel and narrowed again when a
// level is locked: each value of each format must survive the trip.
TEST(TexelConvert, EveryTexelSurvivesWideningAndNarrowing) {
    struct Case {
        D3DFORMAT format;
        int bytes;
        uint32_t padding;  // bits a read-back sets whatever was written
    };
    for (const Case c :
         {Case{D3DFMT_R5G6B5, 2, 0}, Case{D3DFMT_A1R5G5B5, 2, 0}, Case{D3DFMT_X1R5G5B5, 2, 0x8000},
          Case{D3DFMT_A4R4G4B4, 2, 0}, Case{D3DFMT_X4R4G4B4, 2, 0xF000}, Case{D3DFMT_L8, 1, 0},
          Case{D3DFMT_A8, 1, 0}, Case{D3DFMT_A8L8, 2, 0}}) {
        const int count = 1 << (8 * c.bytes);
        std::vector<uint8_t> texels(static_cast<size_t>(count) * c.bytes);
        for (int v = 0; v < count; ++v) {
            for (int b = 0; b < c.bytes; ++b)
                texels[v * c.bytes + b] = static_cast<uint8_t>(v >> (8 * b));
        }
        std::vector<uint32_t> argb(count);
        std::vector<uint8_t> back(texels.size());
        ASSERT_TRUE(ConvertRowToArgb(c.format, texels.data(), count, argb.data()));
        ASSERT_TRUE(ConvertRowFromArgb(c.format, argb.data(), count, back.data()));
        for (int v = 0; v < count; ++v) {
            uint32_t got = 0;
            for (int b = 0; b < c.bytes; ++b) got |= uint32_t{back[v * c.bytes + b]} << (8 * b);
            ASSERT_EQ(got, static_cast<uint32_t>(v) | c.padding)
                << "format " << c.format << " value " << v;
        }
    }
    const uint32_t argb[2] = {0x12345678, 0xFEDCBA98};
    uint8_t bytes[8];
    ASSERT_TRUE(ConvertRowFromArgb(D3DFMT_A8R8G8B8, argb, 2, bytes));
    EXPECT_EQ(0, std::memcmp(bytes, argb, sizeof bytes));
}

TEST(TexelConvert, NarrowingRoundsToTheNearestValue) {
    // Mid-grey lies between 5-bit 15 (123) and 16 (132), nearer 15; 6-bit 31 is 125, 32 is 130.
    const uint32_t grey[1] = {0x807F7F7F};
    uint16_t out[1];
    ASSERT_TRUE(ConvertRowFromArgb(D3DFMT_R5G6B5, grey, 1, reinterpret_cast<uint8_t*>(out)));
    EXPECT_EQ(out[0], (15u << 11) | (31u << 5) | 15u);
    ASSERT_TRUE(ConvertRowFromArgb(D3DFMT_A1R5G5B5, grey, 1, reinterpret_cast<uint8_t*>(out)));
    EXPECT_EQ(out[0], 0x8000u | (15u << 10) | (15u << 5) | 15u);  // alpha 0x80 rounds up to 1
    uint8_t unknown[4] = {1, 2, 3, 4};
    EXPECT_FALSE(ConvertRowFromArgb(D3DFMT_DXT1, grey, 1, unknown));
    EXPECT_EQ(unknown[0], 1);
}

}  // namespace
}  // namespace tavrin
