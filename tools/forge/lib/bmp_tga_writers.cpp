#include "lib/bmp_tga_writers.h"

#include "bytes/little_endian.h"

namespace tavrin::forge {
namespace {

// Pixels bottom row first, each as B, G, R (and A when asked), every row padded to rowBytes.
void PutRowsBottomUp(std::vector<uint8_t>& out, const Canvas& image, bool alpha, size_t rowBytes) {
    for (int y = image.height - 1; y >= 0; --y) {
        const size_t rowStart = out.size();
        for (int x = 0; x < image.width; ++x) {
            const Rgba& p = image.At(x, y);
            out.push_back(ToByte(p.b));
            out.push_back(ToByte(p.g));
            out.push_back(ToByte(p.r));
            if (alpha) out.push_back(ToByte(p.a));
        }
        out.resize(rowStart + rowBytes, 0);
    }
}

}  // namespace

std::vector<uint8_t> EncodeBmp(const Canvas& image) {
    const uint32_t rowBytes = (static_cast<uint32_t>(image.width) * 3 + 3) & ~3U;
    const uint32_t pixelBytes = rowBytes * static_cast<uint32_t>(image.height);
    const uint32_t headerBytes = 14 + 40;
    std::vector<uint8_t> out;
    out.reserve(headerBytes + pixelBytes);
    out.push_back('B');
    out.push_back('M');
    le::Append32(out, headerBytes + pixelBytes);
    le::Append32(out, 0);  // reserved
    le::Append32(out, headerBytes);
    le::Append32(out, 40);  // BITMAPINFOHEADER
    le::Append32(out, static_cast<uint32_t>(image.width));
    le::Append32(out, static_cast<uint32_t>(image.height));  // positive: bottom-up
    le::Append16(out, 1);                                    // planes
    le::Append16(out, 24);
    le::Append32(out, 0);  // BI_RGB
    le::Append32(out, pixelBytes);
    le::Append32(out, 2835);  // 72 dpi
    le::Append32(out, 2835);
    le::Append32(out, 0);
    le::Append32(out, 0);
    PutRowsBottomUp(out, image, false, rowBytes);
    return out;
}

std::vector<uint8_t> EncodeTga(const Canvas& image) {
    std::vector<uint8_t> out;
    out.reserve(18 + size_t(image.width) * image.height * 4);
    out.push_back(0);  // no image id
    out.push_back(0);  // no colour map
    out.push_back(2);  // uncompressed true colour
    for (int i = 0; i < 5; ++i) out.push_back(0);  // colour map description
    le::Append16(out, 0);                          // x origin
    le::Append16(out, 0);                          // y origin
    le::Append16(out, static_cast<uint32_t>(image.width));
    le::Append16(out, static_cast<uint32_t>(image.height));
    out.push_back(32);
    out.push_back(8);  // 8 alpha bits, origin bottom-left
    PutRowsBottomUp(out, image, true, size_t(image.width) * 4);
    return out;
}

}  // namespace tavrin::forge
