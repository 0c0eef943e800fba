#include "lib/bmp_tga_writers.h"

namespace tavrin::forge {
namespace {

void PutLe16(std::vector<uint8_t>& out, uint32_t v) {
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}
void PutLe32(std::vector<uint8_t>& out, uint32_t v) {
    PutLe16(out, v & 0xFFFF);
    PutLe16(out, v >> 16);
}

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
    PutLe32(out, headerBytes + pixelBytes);
    PutLe32(out, 0);  // reserved
    PutLe32(out, headerBytes);
    PutLe32(out, 40);  // BITMAPINFOHEADER
    PutLe32(out, static_cast<uint32_t>(image.width));
    PutLe32(out, static_cast<uint32_t>(image.height));  // positive: bottom-up
    PutLe16(out, 1);                                     // planes
    PutLe16(out, 24);
    PutLe32(out, 0);  // BI_RGB
    PutLe32(out, pixelBytes);
    PutLe32(out, 2835);  // 72 dpi
    PutLe32(out, 2835);
    PutLe32(out, 0);
    PutLe32(out, 0);
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
    PutLe16(out, 0);                                // x origin
    PutLe16(out, 0);                                // y origin
    PutLe16(out, static_cast<uint32_t>(image.width));
    PutLe16(out, static_cast<uint32_t>(image.height));
    out.push_back(32);
    out.push_back(8);  // 8 alpha bits, origin bottom-left
    PutRowsBottomUp(out, image, true, size_t(image.width) * 4);
    return out;
}

}  // namespace tavrin::forge
