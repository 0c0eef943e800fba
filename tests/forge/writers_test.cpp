// The encoders against the show's own decoders.

#include <cmath>

#include <gtest/gtest.h>

#include "gfxutil/image.h"
#include "lib/bmp_tga_writers.h"
#include "lib/jpeg_writer.h"

namespace tavrin::forge::test {
namespace {

// Odd width so BMP rows need padding; every texel different so row order and flips show.
Canvas Gradient() {
    Canvas image(37, 21);
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            image.At(x, y) = {x / 36.0, y / 20.0, (x * y % 7) / 6.0, ((x + y) % 5) / 4.0};
        }
    }
    return image;
}

uint32_t Packed(const Rgba& p, bool alpha) {
    return (alpha ? uint32_t{ToByte(p.a)} << 24 : 0xFF000000u) | uint32_t{ToByte(p.r)} << 16 |
           uint32_t{ToByte(p.g)} << 8 | ToByte(p.b);
}

TEST(ImageWriters, BmpAndTgaRoundTripExactlyThroughTheShowsDecoders) {
    const Canvas source = Gradient();
    for (bool tga : {false, true}) {
        tavrin::Image decoded;
        std::string error;
        ASSERT_TRUE(DecodeImage(tga ? EncodeTga(source) : EncodeBmp(source), decoded, error)) << error;
        EXPECT_EQ(decoded.format, tga ? ImageFormat::Tga : ImageFormat::Bmp);
        ASSERT_EQ(decoded.width, 37u);
        ASSERT_EQ(decoded.height, 21u);
        for (int y = 0; y < source.height; ++y) {
            for (int x = 0; x < source.width; ++x) {
                ASSERT_EQ(decoded.At(x, y), Packed(source.At(x, y), tga)) << x << "," << y << (tga ? " tga" : " bmp");
            }
        }
    }
}

TEST(ImageWriters, JpegKeepsColoursCloseAndOrientationRight) {
    Canvas source(64, 32);
    ForEachPixel(source, [](Rgba& p, double u, double v) { p = {u, v, 1.0 - u, 1.0}; });
    tavrin::Image decoded;
    std::string error;
    const std::vector<uint8_t> bytes = EncodeJpeg(source, 92);
    ASSERT_TRUE(DecodeImage(bytes, decoded, error)) << error;
    EXPECT_EQ(decoded.format, ImageFormat::Jpeg);
    ASSERT_EQ(decoded.width, 64u);
    ASSERT_EQ(decoded.height, 32u);
    double worst = 0;
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 64; ++x) {
            const uint32_t want = Packed(source.At(x, y), false), got = decoded.At(x, y);
            for (int shift : {0, 8, 16}) {
                worst = std::max(worst, std::fabs(double((want >> shift) & 255) - double((got >> shift) & 255)));
            }
        }
    }
    EXPECT_LT(worst, 12.0);
    EXPECT_TRUE(bytes == EncodeJpeg(source, 92)) << "JPEG output must be reproducible";
}

}  // namespace
}  // namespace tavrin::forge::test
