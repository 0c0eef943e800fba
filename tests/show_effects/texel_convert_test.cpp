#include "gfxutil/texel_convert.h"

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace tavrin
