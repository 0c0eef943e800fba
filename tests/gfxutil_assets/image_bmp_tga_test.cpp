#include <gtest/gtest.h>

#include "gfxutil/image.h"
#include "gfxutil_assets/byte_writer.h"

namespace tavrin {
namespace {

using testing::ByteWriter;

Image DecodeOk(const std::vector<uint8_t>& bytes) {
    Image image;
    std::string error;
    EXPECT_TRUE(DecodeImage(bytes, image, error)) << error;
    return image;
}

std::string DecodeError(const std::vector<uint8_t>& bytes) {
    Image image;
    std::string error;
    EXPECT_FALSE(DecodeImage(bytes, image, error));
    EXPECT_FALSE(error.empty());
    return error;
}

// ---- BMP -------------------------------------------------------------------------------------

struct BmpSpec {
    int32_t width, height;
    uint16_t bits;
    uint32_t compression = 0;
    std::vector<uint32_t> palette{};  // XRGB
    std::vector<uint32_t> masks{};    // r, g, b[, a] after a 40-byte header, or inside a larger one
    uint32_t headerSize = 40;
};

std::vector<uint8_t> MakeBmp(const BmpSpec& s, const std::vector<uint8_t>& pixels) {
    ByteWriter w;
    w.Text("BM").U32(0).U32(0).U32(0);  // size and offset patched below
    w.U32(s.headerSize).U32(s.width).U32(s.height).U16(1).U16(s.bits).U32(s.compression);
    w.U32(static_cast<uint32_t>(pixels.size())).U32(2835).U32(2835);
    w.U32(static_cast<uint32_t>(s.palette.size())).U32(0);
    if (s.headerSize > 40) {
        for (size_t i = 0; i < (s.headerSize - 40) / 4; ++i) {
            w.U32(i < s.masks.size() ? s.masks[i] : 0);
        }
    } else {
        for (uint32_t m : s.masks) w.U32(m);
    }
    for (uint32_t c : s.palette) w.U32(c);
    const size_t offset = w.Size();
    w.Bytes(pixels);
    w.PatchU32(2, static_cast<uint32_t>(w.Size()));
    w.PatchU32(10, static_cast<uint32_t>(offset));
    return w.Bytes();
}

TEST(BmpDecode, TrueColourRowsInEitherOrder) {
    // 3 x 2, 24-bit: rows padded from 9 to 12 bytes; first stored row is the bottom one.
    const std::vector<uint8_t> rows = {
        1,  2,  3,  4,  5,  6,  7,  8,  9,  0, 0, 0,   // bottom row, B G R
        10, 11, 12, 13, 14, 15, 16, 17, 18, 0, 0, 0};  // top row
    const Image bottomUp = DecodeOk(MakeBmp({3, 2, 24}, rows));
    EXPECT_EQ(bottomUp.format, ImageFormat::Bmp);
    ASSERT_EQ(bottomUp.width, 3u);
    ASSERT_EQ(bottomUp.height, 2u);
    EXPECT_EQ(bottomUp.At(0, 1), 0xFF030201u);
    EXPECT_EQ(bottomUp.At(2, 1), 0xFF090807u);
    EXPECT_EQ(bottomUp.At(0, 0), 0xFF0C0B0Au);

    const Image topDown = DecodeOk(MakeBmp({3, -2, 24}, rows));
    EXPECT_EQ(topDown.At(0, 0), 0xFF030201u);
    EXPECT_EQ(topDown.At(2, 1), 0xFF121110u);

    // Plain 32-bit pixels are X8R8G8B8: the top byte is not alpha.
    const Image x8 = DecodeOk(MakeBmp({1, 1, 32}, {0x30, 0x20, 0x10, 0x00}));
    EXPECT_EQ(x8.At(0, 0), 0xFF102030u);
}

TEST(BmpDecode, PalettedDepths) {
    const std::vector<uint32_t> palette16 = {
        0x000000, 0x110000, 0x002200, 0x000033, 0x440000, 0x005500, 0x000066, 0x770000,
        0x008800, 0x000099, 0xAA0000, 0x00BB00, 0x0000CC, 0xDD0000, 0x00EE00, 0x0000FF};
    // 1-bit, 9 pixels wide: 0b10110011 0b1xxxxxxx, padded to 4 bytes.
    const Image mono = DecodeOk(MakeBmp({9, 1, 1, 0, {0x000000, 0xFFFFFF}}, {0xB3, 0x80, 0, 0}));
    const uint32_t expectedMono[9] = {1, 0, 1, 1, 0, 0, 1, 1, 1};
    for (uint32_t x = 0; x < 9; ++x) {
        EXPECT_EQ(mono.At(x, 0), expectedMono[x] ? 0xFFFFFFFFu : 0xFF000000u) << x;
    }
    // 4-bit: high nibble first.
    const Image nibbles = DecodeOk(MakeBmp({3, 1, 4, 0, palette16}, {0x1F, 0xA0, 0, 0}));
    EXPECT_EQ(nibbles.At(0, 0), 0xFF110000u);
    EXPECT_EQ(nibbles.At(1, 0), 0xFF0000FFu);
    EXPECT_EQ(nibbles.At(2, 0), 0xFFAA0000u);
    // 8-bit with a short palette: indices past it read as black.
    const Image bytes8 = DecodeOk(MakeBmp({2, 1, 8, 0, {0x123456, 0xABCDEF}}, {1, 200, 0, 0}));
    EXPECT_EQ(bytes8.At(0, 0), 0xFFABCDEFu);
    EXPECT_EQ(bytes8.At(1, 0), 0xFF000000u);
}

TEST(BmpDecode, CoreHeaderWithThreeBytePalette) {
    ByteWriter w;
    w.Text("BM").U32(0).U32(0).U32(14 + 12 + 6);
    w.U32(12).U16(2).U16(1).U16(1).U16(8);
    w.U8(0x10).U8(0x20).U8(0x30).U8(0x40).U8(0x50).U8(0x60);  // two BGR entries
    w.U8(1).U8(0).U8(0).U8(0);
    const Image image = DecodeOk(w.Bytes());
    EXPECT_EQ(image.At(0, 0), 0xFF605040u);
    EXPECT_EQ(image.At(1, 0), 0xFF302010u);
}

TEST(BmpDecode, SixteenBitAndMaskedFormats) {
    // Default 16-bit is X1R5G5B5: 0x7C00 is full red, the top bit is ignored.
    const Image x555 = DecodeOk(MakeBmp({2, 1, 16}, {0x00, 0xFC, 0x1F, 0x00}));
    EXPECT_EQ(x555.At(0, 0), 0xFFFF0000u);
    EXPECT_EQ(x555.At(1, 0), 0xFF0000FFu);
    // R5G6B5 through bit-field masks after a plain info header; mid green 32/63 -> 130.
    const Image r565 =
        DecodeOk(MakeBmp({1, 1, 16, 3, {}, {0xF800, 0x07E0, 0x001F}}, {0x00, 0x04, 0, 0}));
    EXPECT_EQ(r565.At(0, 0), 0xFF008200u);
    // A version-5 header carries an alpha mask: real A8R8G8B8.
    const Image argb =
        DecodeOk(MakeBmp({1, 1, 32, 3, {}, {0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000}, 124},
                         {0x33, 0x22, 0x11, 0x80}));
    EXPECT_EQ(argb.At(0, 0), 0x80112233u);
}

TEST(BmpDecode, RunLengthEncoded) {
    const std::vector<uint32_t> palette = {0x000000, 0xFF0000, 0x00FF00, 0x0000FF};
    // 4 x 3 RLE8, bottom row first: run of 3 x index1, end of line; absolute run 2,3,1 (padded),
    // end of line; delta right 2 and up 0, run 1 x index 3, end of bitmap.
    const std::vector<uint8_t> rle8 = {3, 1, 0, 0, 0, 3, 2, 3, 1, 0, 0, 0, 0, 2, 2, 0, 1, 3, 0, 1};
    const Image image = DecodeOk(MakeBmp({4, 3, 8, 1, palette}, rle8));
    EXPECT_EQ(image.At(0, 2), 0xFFFF0000u);
    EXPECT_EQ(image.At(2, 2), 0xFFFF0000u);
    EXPECT_EQ(image.At(3, 2), 0xFF000000u);  // untouched: palette entry 0
    EXPECT_EQ(image.At(0, 1), 0xFF00FF00u);
    EXPECT_EQ(image.At(1, 1), 0xFF0000FFu);
    EXPECT_EQ(image.At(2, 1), 0xFFFF0000u);
    EXPECT_EQ(image.At(1, 0), 0xFF000000u);
    EXPECT_EQ(image.At(2, 0), 0xFF0000FFu);

    // RLE4: a run of 5 alternating nibbles 1,2; an absolute run of 3 nibbles 3,0,2 (padded).
    const std::vector<uint8_t> rle4 = {5, 0x12, 0, 0, 0, 3, 0x30, 0x20, 0, 1};
    const Image four = DecodeOk(MakeBmp({5, 2, 4, 2, palette}, rle4));
    const uint32_t bottom[5] = {0xFFFF0000, 0xFF00FF00, 0xFFFF0000, 0xFF00FF00, 0xFFFF0000};
    for (uint32_t x = 0; x < 5; ++x) EXPECT_EQ(four.At(x, 1), bottom[x]) << x;
    EXPECT_EQ(four.At(0, 0), 0xFF0000FFu);
    EXPECT_EQ(four.At(1, 0), 0xFF000000u);
    EXPECT_EQ(four.At(2, 0), 0xFF00FF00u);
}

TEST(BmpDecode, DamagedFilesFailWithAReason) {
    const std::vector<uint8_t> rows(12, 0);
    std::vector<uint8_t> truncated = MakeBmp({3, 2, 24}, rows);
    truncated.pop_back();
    DecodeError(truncated);
    DecodeError(MakeBmp({1, 1, 7}, {0, 0, 0, 0}));                            // odd depth
    DecodeError(MakeBmp({2, -2, 8, 1, {0}}, {0, 1}));                         // top-down RLE
    DecodeError(MakeBmp({1, 1, 16, 3, {}, {0xF00F, 0x00F0, 0x0F00}}, rows));  // split mask
    DecodeError(MakeBmp({4, 2, 8, 1, {0}}, {3, 0, 0}));                       // RLE without end
    DecodeError(MakeBmp({100000, 100000, 24}, rows));                         // absurd size
    DecodeError(MakeBmp({1, 1, 24}, {}));  // the headers and nothing after them
    DecodeError({'B', 'M', 0});
}

// ---- TGA -------------------------------------------------------------------------------------

std::vector<uint8_t> TgaHeader(uint8_t type, uint16_t w, uint16_t h, uint8_t bits,
                               uint8_t descriptor, uint16_t mapFirst = 0, uint16_t mapLength = 0,
                               uint8_t mapBits = 0) {
    ByteWriter out;
    out.U8(3).U8(mapLength ? 1 : 0).U8(type).U16(mapFirst).U16(mapLength).U8(mapBits);
    out.U16(0).U16(0).U16(w).U16(h).U8(bits).U8(descriptor);
    out.Text("id!");  // an image ID to skip
    return out.Bytes();
}

std::vector<uint8_t> Join(std::vector<uint8_t> a, const std::vector<uint8_t>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

TEST(TgaDecode, TrueColourDepthsAndOrigins) {
    // 2 x 2, 24-bit, bottom-left origin: the first stored row is the bottom.
    const Image rgb =
        DecodeOk(Join(TgaHeader(2, 2, 2, 24, 0), {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}));
    EXPECT_EQ(rgb.format, ImageFormat::Tga);
    EXPECT_EQ(rgb.At(0, 1), 0xFF030201u);
    EXPECT_EQ(rgb.At(1, 0), 0xFF0C0B0Au);
    // 32-bit, top-left origin, with alpha.
    const Image argb = DecodeOk(Join(TgaHeader(2, 1, 2, 32, 0x28), {1, 2, 3, 0x40, 5, 6, 7, 0x80}));
    EXPECT_EQ(argb.At(0, 0), 0x40030201u);
    EXPECT_EQ(argb.At(0, 1), 0x80070605u);
    // 32-bit whose descriptor announces no alpha bits: the fourth byte is padding, not alpha.
    const Image xrgb = DecodeOk(Join(TgaHeader(2, 2, 1, 32, 0x20), {1, 2, 3, 0x40, 5, 6, 7, 0}));
    EXPECT_EQ(xrgb.At(0, 0), 0xFF030201u);
    EXPECT_EQ(xrgb.At(1, 0), 0xFF070605u);
    // Right-to-left, top origin: the first stored pixel is the top right one.
    const Image mirrored = DecodeOk(Join(TgaHeader(2, 2, 1, 24, 0x30), {1, 1, 1, 2, 2, 2}));
    EXPECT_EQ(mirrored.At(1, 0), 0xFF010101u);
    EXPECT_EQ(mirrored.At(0, 0), 0xFF020202u);
    // 16-bit: the top bit is alpha only when the descriptor announces one alpha bit.
    const std::vector<uint8_t> halfRed = {0x00, 0x7C};
    EXPECT_EQ(DecodeOk(Join(TgaHeader(2, 1, 1, 16, 0x21), halfRed)).At(0, 0), 0x00FF0000u);
    EXPECT_EQ(DecodeOk(Join(TgaHeader(2, 1, 1, 16, 0x20), halfRed)).At(0, 0), 0xFFFF0000u);
}

TEST(TgaDecode, ColourMappedAndGrey) {
    // The map starts at index 5; 24-bit entries.
    const auto header = TgaHeader(1, 3, 1, 8, 0x20, 5, 2, 24);
    const Image mapped = DecodeOk(Join(header, {10, 20, 30, 40, 50, 60, 5, 6, 5}));
    EXPECT_EQ(mapped.At(0, 0), 0xFF1E140Au);
    EXPECT_EQ(mapped.At(1, 0), 0xFF3C3228u);
    EXPECT_EQ(mapped.At(2, 0), 0xFF1E140Au);
    DecodeError(Join(header, {10, 20, 30, 40, 50, 60, 5, 7, 5}));  // index past the map

    const Image grey = DecodeOk(Join(TgaHeader(3, 2, 1, 8, 0x20), {0x00, 0x7F}));
    EXPECT_EQ(grey.At(1, 0), 0xFF7F7F7Fu);
}

TEST(TgaDecode, RunLengthPacketsMayCrossRows) {
    // 3 x 2 top-down: a run of 4 (crosses into the second row), then 2 raw pixels.
    const std::vector<uint8_t> packets = {0x83, 9, 8, 7, 0x01, 1, 2, 3, 4, 5, 6};
    const Image image = DecodeOk(Join(TgaHeader(10, 3, 2, 24, 0x20), packets));
    EXPECT_EQ(image.At(2, 0), 0xFF070809u);
    EXPECT_EQ(image.At(0, 1), 0xFF070809u);
    EXPECT_EQ(image.At(1, 1), 0xFF030201u);
    EXPECT_EQ(image.At(2, 1), 0xFF060504u);
    // Run-length grey.
    EXPECT_EQ(DecodeOk(Join(TgaHeader(11, 2, 1, 8, 0), {0x81, 0x33})).At(1, 0), 0xFF333333u);
    // A stream that stops early is an error, not a partial image.
    DecodeError(Join(TgaHeader(10, 3, 2, 24, 0x20), {0x83, 9, 8, 7}));
}

TEST(TgaDecode, UnrecognisedDataFails) {
    DecodeError(Join(TgaHeader(2, 2, 2, 24, 0), {1, 2, 3}));  // truncated
    DecodeError(Join(TgaHeader(4, 1, 1, 24, 0), {1, 2, 3}));  // no such image type
    DecodeError(Join(TgaHeader(2, 1, 1, 12, 0), {1, 2, 3}));  // no such depth
    DecodeError({'h', 'e', 'l', 'l', 'o'});
    DecodeError({});
}

}  // namespace
}  // namespace tavrin
