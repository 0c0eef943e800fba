#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

#include <jpeglib.h>
#include <png.h>

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

void ExpectNear(uint32_t actual, uint32_t expected, int tolerance) {
    for (int shift = 0; shift < 32; shift += 8) {
        const int a = (actual >> shift) & 255, e = (expected >> shift) & 255;
        EXPECT_NEAR(a, e, tolerance) << std::hex << "actual " << actual << " expected " << expected;
    }
}

// ---- JPEG: written with libjpeg, so the decoder meets what a real encoder makes -------------

std::vector<uint8_t> EncodeJpeg(int width, int height, int components, bool progressive,
                                const std::vector<uint8_t>& samples) {
    jpeg_compress_struct info{};
    jpeg_error_mgr errors{};
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char* out = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &out, &size);
    info.image_width = width;
    info.image_height = height;
    info.input_components = components;
    info.in_color_space = components == 1 ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, 100, TRUE);
    if (progressive) jpeg_simple_progression(&info);
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(&samples[info.next_scanline * width * components]);
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    std::vector<uint8_t> bytes(out, out + size);
    std::free(out);
    return bytes;
}

// 16 x 16: left half red, right half blue (8 x 8 blocks keep the edge sharp).
std::vector<uint8_t> HalvesRgb() {
    std::vector<uint8_t> samples;
    for (int y = 0; y < 16; ++y) {
        for (int x = 0; x < 16; ++x) {
            const bool left = x < 8;
            samples.insert(samples.end(), {uint8_t(left ? 220 : 20), 30, uint8_t(left ? 40 : 200)});
        }
    }
    return samples;
}

TEST(JpegDecode, BaselineProgressiveAndGrey) {
    for (bool progressive : {false, true}) {
        const Image image = DecodeOk(EncodeJpeg(16, 16, 3, progressive, HalvesRgb()));
        EXPECT_EQ(image.format, ImageFormat::Jpeg);
        ASSERT_EQ(image.width, 16u);
        ASSERT_EQ(image.height, 16u);
        ExpectNear(image.At(2, 3), 0xFFDC1E28u, 6);
        ExpectNear(image.At(13, 12), 0xFF141EC8u, 6);
    }
    const Image grey = DecodeOk(EncodeJpeg(8, 8, 1, false, std::vector<uint8_t>(64, 90)));
    ExpectNear(grey.At(4, 4), 0xFF5A5A5Au, 2);
}

TEST(JpegDecode, TruncatedOrCorruptFails) {
    std::vector<uint8_t> bytes = EncodeJpeg(16, 16, 3, false, HalvesRgb());
    Image image;
    std::string error;
    std::vector<uint8_t> headerOnly(bytes.begin(), bytes.begin() + 20);
    EXPECT_FALSE(DecodeImage(headerOnly, image, error));
    EXPECT_NE(error.find("JPEG"), std::string::npos);
    // A damaged stream never crashes; libjpeg either refuses it or decodes something.
    for (size_t i = 100; i < bytes.size(); i += 7) bytes[i] ^= 0x5A;
    DecodeImage(bytes, image, error);
}

// A header claiming 60000 x 60000 pixels is refused from the header alone: a progressive image
// would otherwise have the library set aside all its coefficients (gigabytes) first.
TEST(JpegDecode, HugeClaimedSizeIsRefusedBeforeDecoding) {
    for (bool progressive : {false, true}) {
        std::vector<uint8_t> bytes = EncodeJpeg(16, 16, 3, progressive, HalvesRgb());
        const uint8_t frameMarker = progressive ? 0xC2 : 0xC0;
        size_t at = 2;
        while (at + 9 < bytes.size() && !(bytes[at] == 0xFF && bytes[at + 1] == frameMarker)) {
            at += 2 + (bytes[at + 2] << 8 | bytes[at + 3]);
        }
        ASSERT_LT(at + 9, bytes.size());
        bytes[at + 5] = bytes[at + 7] = 60000 >> 8;  // height, width (big-endian)
        bytes[at + 6] = bytes[at + 8] = 60000 & 255;
        Image image;
        std::string error;
        EXPECT_FALSE(DecodeImage(bytes, image, error));
        EXPECT_NE(error.find("60000 x 60000"), std::string::npos) << error;
        EXPECT_TRUE(image.pixels.empty());
    }
}

// ---- PNG: written with libpng ----------------------------------------------------------------

struct PngLayout {
    int width, height, bitDepth, colourType;
    bool interlaced = false;
    std::vector<png_color> palette{};
    std::vector<uint8_t> transparency{};  // tRNS alpha per palette entry
};

void AppendBytes(png_structp png, png_bytep data, size_t size) {
    auto* out = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + size);
}

std::vector<uint8_t> EncodePng(const PngLayout& s, std::vector<std::vector<uint8_t>> rows) {
    std::vector<uint8_t> out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_set_write_fn(png, &out, AppendBytes, nullptr);
    png_set_IHDR(png, info, s.width, s.height, s.bitDepth, s.colourType,
                 s.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (!s.palette.empty()) {
        png_set_PLTE(png, info, s.palette.data(), static_cast<int>(s.palette.size()));
    }
    if (!s.transparency.empty()) {
        png_set_tRNS(png, info, s.transparency.data(), static_cast<int>(s.transparency.size()),
                     nullptr);
    }
    png_write_info(png, info);
    std::vector<png_bytep> pointers;
    for (auto& row : rows) pointers.push_back(row.data());
    png_write_image(png, pointers.data());
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return out;
}

TEST(PngDecode, ColourTypesAndDepths) {
    const Image rgb =
        DecodeOk(EncodePng({2, 1, 8, PNG_COLOR_TYPE_RGB}, {{10, 20, 30, 40, 50, 60}}));
    EXPECT_EQ(rgb.format, ImageFormat::Png);
    EXPECT_EQ(rgb.At(0, 0), 0xFF0A141Eu);
    EXPECT_EQ(rgb.At(1, 0), 0xFF28323Cu);

    // 16-bit RGBA is cut to its high bytes (rounded), with no gamma applied.
    const Image rgba16 = DecodeOk(EncodePng({1, 1, 16, PNG_COLOR_TYPE_RGB_ALPHA},
                                            {{0x80, 0x00, 0x12, 0x34, 0xFF, 0xFF, 0x40, 0x00}}));
    EXPECT_EQ(rgba16.At(0, 0), 0x408012FFu);

    // 1-bit grey: 0b10100000 -> white, black, white.
    const Image mono = DecodeOk(EncodePng({3, 1, 1, PNG_COLOR_TYPE_GRAY}, {{0xA0}}));
    EXPECT_EQ(mono.At(0, 0), 0xFFFFFFFFu);
    EXPECT_EQ(mono.At(1, 0), 0xFF000000u);
    EXPECT_EQ(mono.At(2, 0), 0xFFFFFFFFu);

    const Image greyAlpha =
        DecodeOk(EncodePng({1, 1, 8, PNG_COLOR_TYPE_GRAY_ALPHA}, {{0x55, 0x99}}));
    EXPECT_EQ(greyAlpha.At(0, 0), 0x99555555u);
}

TEST(PngDecode, PaletteWithTransparencyAndInterlacing) {
    PngLayout layout{4, 1, 2, PNG_COLOR_TYPE_PALETTE};
    layout.palette = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}};
    layout.transparency = {0x00, 0x80};  // entry 2 has no tRNS value: opaque
    const Image image = DecodeOk(EncodePng(layout, {{0b00011000}}));  // 0, 1, 2, 0
    EXPECT_EQ(image.At(0, 0), 0x00FF0000u);
    EXPECT_EQ(image.At(1, 0), 0x8000FF00u);
    EXPECT_EQ(image.At(2, 0), 0xFF0000FFu);

    // Adam7: every pixel must land where it belongs.
    PngLayout interlaced{9, 9, 8, PNG_COLOR_TYPE_RGB, true};
    std::vector<std::vector<uint8_t>> rows(9);
    for (int y = 0; y < 9; ++y) {
        for (int x = 0; x < 9; ++x) rows[y].insert(rows[y].end(), {uint8_t(x), uint8_t(y), 7});
    }
    const Image adam7 = DecodeOk(EncodePng(interlaced, rows));
    for (uint32_t y = 0; y < 9; ++y) {
        for (uint32_t x = 0; x < 9; ++x) EXPECT_EQ(adam7.At(x, y), 0xFF000007u | x << 16 | y << 8);
    }
}

TEST(PngDecode, TruncatedFileFails) {
    std::vector<uint8_t> bytes =
        EncodePng({2, 2, 8, PNG_COLOR_TYPE_RGB}, {{1, 2, 3, 4, 5, 6}, {7, 8, 9, 10, 11, 12}});
    bytes.resize(bytes.size() / 2);
    Image image;
    std::string error;
    EXPECT_FALSE(DecodeImage(bytes, image, error));
    EXPECT_NE(error.find("PNG"), std::string::npos);
}

// A chunk claiming nearly 2 GB in a file of a hundred bytes is refused from its header, not given
// (and cleared) a buffer of that size first.
TEST(PngDecode, ChunkLongerThanTheFileIsRefusedFromItsHeader) {
    std::vector<uint8_t> bytes =
        EncodePng({2, 2, 8, PNG_COLOR_TYPE_RGB}, {{1, 2, 3, 4, 5, 6}, {7, 8, 9, 10, 11, 12}});
    constexpr size_t kAfterHeader = 8 + 8 + 13 + 4;  // signature, IHDR
    const uint8_t text[] = {0x75, 0x72, 0x00, 0x25, 't', 'E', 'X', 't', 'd', 'a', 't', 'e', 0};
    bytes.insert(bytes.begin() + kAfterHeader, std::begin(text), std::end(text));
    Image image;
    std::string error;
    EXPECT_FALSE(DecodeImage(bytes, image, error));
    EXPECT_NE(error.find("the tEXt chunk claims 1970405413 bytes"), std::string::npos) << error;
    EXPECT_TRUE(image.pixels.empty());
}

// ---- DDS -------------------------------------------------------------------------------------

std::vector<uint8_t> DdsFile(uint32_t width, uint32_t height, uint32_t formatFlags, uint32_t fourCc,
                             uint32_t bits, uint32_t r, uint32_t g, uint32_t b, uint32_t a,
                             const std::vector<uint8_t>& data) {
    ByteWriter w;
    w.Text("DDS ").U32(124).U32(0x1007).U32(height).U32(width).U32(0).U32(0).U32(1).Zeros(44);
    w.U32(32).U32(formatFlags).U32(fourCc).U32(bits).U32(r).U32(g).U32(b).U32(a);
    w.U32(0x1000).Zeros(16);
    w.Bytes(data);
    return w.Bytes();
}

uint32_t FourCc(const char* s) {
    return uint32_t(uint8_t(s[0])) | uint32_t(uint8_t(s[1])) << 8 | uint32_t(uint8_t(s[2])) << 16 |
           uint32_t(uint8_t(s[3])) << 24;
}

TEST(DdsDecode, UncompressedThroughMasks) {
    const Image argb = DecodeOk(DdsFile(2, 1, 0x41, 0, 32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000,
                                        {0x33, 0x22, 0x11, 0x80, 1, 2, 3, 4}));
    EXPECT_EQ(argb.format, ImageFormat::Dds);
    EXPECT_EQ(argb.At(0, 0), 0x80112233u);
    EXPECT_EQ(argb.At(1, 0), 0x04030201u);
    const Image rgb = DecodeOk(
        DdsFile(1, 2, 0x40, 0, 24, 0xFF0000, 0xFF00, 0xFF, 0, {0x33, 0x22, 0x11, 6, 5, 4}));
    EXPECT_EQ(rgb.At(0, 0), 0xFF112233u);
    EXPECT_EQ(rgb.At(0, 1), 0xFF040506u);
}

TEST(DdsDecode, BlockCompressed) {
    // DXT1, 4 x 4, c0 = pure red 0xF800 < c1 = pure blue 0x001F... so 3 colours + transparent.
    // Rows of indices: 0 1 2 3 in every row.
    const std::vector<uint8_t> dxt1 = {0x1F, 0x00, 0x00, 0xF8, 0xE4, 0xE4, 0xE4, 0xE4};
    const Image transparent = DecodeOk(DdsFile(4, 4, 4, FourCc("DXT1"), 0, 0, 0, 0, 0, dxt1));
    EXPECT_EQ(transparent.At(0, 0), 0xFF0000FFu);
    EXPECT_EQ(transparent.At(1, 2), 0xFFFF0000u);
    EXPECT_EQ(transparent.At(2, 3), 0xFF7F007Fu);
    EXPECT_EQ(transparent.At(3, 1), 0x00000000u);

    // DXT3: explicit 4-bit alpha 0..15 over the pixels; colour block in 4-colour mode even
    // though c0 < c1.
    std::vector<uint8_t> dxt3 = {0x10, 0x32, 0x54, 0x76, 0x98, 0xBA, 0xDC, 0xFE};
    dxt3.insert(dxt3.end(), dxt1.begin(), dxt1.end());
    const Image explicitAlpha = DecodeOk(DdsFile(4, 4, 4, FourCc("DXT3"), 0, 0, 0, 0, 0, dxt3));
    EXPECT_EQ(explicitAlpha.At(0, 0), 0x000000FFu);
    EXPECT_EQ(explicitAlpha.At(2, 3), 0xEE5500AAu);  // alpha 14, colour (2 c0 + c1) / 3
    EXPECT_EQ(explicitAlpha.At(3, 1) >> 24, 7u * 17u);

    // DXT5: a0 = 255 > a1 = 0: indices 0 -> 255, 1 -> 0, 2 -> (6*255)/7 = 218, 7 -> 36.
    std::vector<uint8_t> dxt5 = {255, 0};
    // 3-bit indices for pixels 0..15: 0, 1, 2, 7, then zeros.
    const uint64_t bits = 0u | 1u << 3 | 2u << 6 | 7u << 9;
    for (int i = 0; i < 6; ++i) dxt5.push_back(uint8_t(bits >> (8 * i)));
    dxt5.insert(dxt5.end(), dxt1.begin(), dxt1.end());
    const Image interpolated = DecodeOk(DdsFile(4, 4, 4, FourCc("DXT5"), 0, 0, 0, 0, 0, dxt5));
    EXPECT_EQ(interpolated.At(0, 0) >> 24, 255u);
    EXPECT_EQ(interpolated.At(1, 0) >> 24, 0u);
    EXPECT_EQ(interpolated.At(2, 0) >> 24, 218u);
    EXPECT_EQ(interpolated.At(3, 0) >> 24, 36u);
}

TEST(DdsDecode, PartialBlocksAndDamage) {
    // 5 x 3 needs 2 x 1 blocks; pixels outside the image are dropped.
    std::vector<uint8_t> blocks(16, 0);
    blocks[0] = 0xFF;  // first block all white-ish (c0 = 0x00FF), second black
    const Image small = DecodeOk(DdsFile(5, 3, 4, FourCc("DXT1"), 0, 0, 0, 0, 0, blocks));
    EXPECT_EQ(small.width, 5u);
    EXPECT_EQ(small.height, 3u);
    Image image;
    std::string error;
    blocks.resize(12);
    EXPECT_FALSE(
        DecodeImage(DdsFile(5, 3, 4, FourCc("DXT1"), 0, 0, 0, 0, 0, blocks), image, error));
    EXPECT_FALSE(
        DecodeImage(DdsFile(4, 4, 4, FourCc("ATI2"), 0, 0, 0, 0, 0, blocks), image, error));
    EXPECT_NE(error.find("ATI2"), std::string::npos);
    EXPECT_FALSE(DecodeImage(DdsFile(4, 4, 0x40, 0, 32, 0xFF0000, 0xFF00, 0xFF, 0, {1, 2, 3}),
                             image, error));
}

}  // namespace
}  // namespace tavrin
