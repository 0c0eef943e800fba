#include "gfxutil/image_bits.h"
#include "gfxutil/image_codecs.h"

// DirectDraw surfaces: the top level of the first surface, uncompressed through its channel masks
// (16, 24 and 32 bits per pixel) or block-compressed as DXT1, DXT3 or DXT5.

namespace tavrin {
namespace {

constexpr size_t kHeaderEnd = 128;  // magic + 124-byte header
constexpr uint32_t kPfAlphaPixels = 0x1, kPfAlpha = 0x2, kPfFourCc = 0x4, kPfRgb = 0x40,
                   kPfLuminance = 0x20000;

constexpr uint32_t FourCc(char a, char b, char c, char d) {
    return uint32_t(uint8_t(a)) | uint32_t(uint8_t(b)) << 8 | uint32_t(uint8_t(c)) << 16 |
           uint32_t(uint8_t(d)) << 24;
}

uint32_t Expand565(uint16_t c) {
    const uint32_t r = c >> 11, g = (c >> 5) & 63, b = c & 31;
    return Argb(255, r << 3 | r >> 2, g << 2 | g >> 4, b << 3 | b >> 2);
}

uint32_t Mix(uint32_t a, uint32_t b, uint32_t wa, uint32_t wb, uint32_t total) {
    uint32_t out = 0xFF000000u;
    for (int shift = 0; shift < 24; shift += 8) {
        const uint32_t ca = (a >> shift) & 255, cb = (b >> shift) & 255;
        out |= ((ca * wa + cb * wb) / total) << shift;
    }
    return out;
}

// Decodes the colour half of a block into 16 pixels (alpha 255, or 0 for DXT1's transparent entry).
void DecodeColourBlock(const uint8_t* block, bool allowTransparent, uint32_t out[16]) {
    const uint16_t c0 = le::Read16(block), c1 = le::Read16(block + 2);
    uint32_t colours[4] = {Expand565(c0), Expand565(c1), 0, 0};
    if (c0 > c1 || !allowTransparent) {
        colours[2] = Mix(colours[0], colours[1], 2, 1, 3);
        colours[3] = Mix(colours[0], colours[1], 1, 2, 3);
    } else {
        colours[2] = Mix(colours[0], colours[1], 1, 1, 2);
        colours[3] = 0;  // transparent black
    }
    const uint32_t indices = le::Read32(block + 4);
    for (int i = 0; i < 16; ++i) out[i] = colours[(indices >> (2 * i)) & 3];
}

void DecodeExplicitAlpha(const uint8_t* block, uint32_t pixels[16]) {
    for (int i = 0; i < 16; ++i) {
        const uint32_t a = (block[i / 2] >> (i & 1 ? 4 : 0)) & 15;
        pixels[i] = (pixels[i] & 0x00FFFFFFu) | (a * 17) << 24;
    }
}

void DecodeInterpolatedAlpha(const uint8_t* block, uint32_t pixels[16]) {
    const uint32_t a0 = block[0], a1 = block[1];
    uint32_t alphas[8] = {a0, a1};
    if (a0 > a1) {
        for (uint32_t i = 1; i < 7; ++i) alphas[i + 1] = ((7 - i) * a0 + i * a1) / 7;
    } else {
        for (uint32_t i = 1; i < 5; ++i) alphas[i + 1] = ((5 - i) * a0 + i * a1) / 5;
        alphas[6] = 0;
        alphas[7] = 255;
    }
    uint64_t bits = 0;
    for (int i = 0; i < 6; ++i) bits |= uint64_t{block[2 + i]} << (8 * i);
    for (int i = 0; i < 16; ++i) {
        pixels[i] = (pixels[i] & 0x00FFFFFFu) | alphas[(bits >> (3 * i)) & 7] << 24;
    }
}

// Both decoders check that the file holds all the pixel data before allocating the image: the
// header alone must not claim more memory than the file is worth.
bool DecodeBlocks(std::span<const uint8_t> bytes, uint32_t fourCc, uint32_t width, uint32_t height,
                  Image& image, std::string& error) {
    const bool dxt1 = fourCc == FourCc('D', 'X', 'T', '1');
    const size_t blockBytes = dxt1 ? 8 : 16;
    const size_t blocksX = (size_t{width} + 3) / 4, blocksY = (size_t{height} + 3) / 4;
    if (blocksX * blocksY * blockBytes > bytes.size() - kHeaderEnd) {
        error = "DDS block data is truncated";
        return false;
    }
    if (!AllocateImage(image, width, height, error)) return false;
    const uint8_t* block = &bytes[kHeaderEnd];
    for (size_t by = 0; by < blocksY; ++by) {
        for (size_t bx = 0; bx < blocksX; ++bx, block += blockBytes) {
            uint32_t pixels[16];
            DecodeColourBlock(dxt1 ? block : block + 8, dxt1, pixels);
            if (fourCc == FourCc('D', 'X', 'T', '3')) DecodeExplicitAlpha(block, pixels);
            if (fourCc == FourCc('D', 'X', 'T', '5')) DecodeInterpolatedAlpha(block, pixels);
            for (size_t py = 0; py < 4 && by * 4 + py < image.height; ++py) {
                for (size_t px = 0; px < 4 && bx * 4 + px < image.width; ++px) {
                    image.pixels[(by * 4 + py) * image.width + bx * 4 + px] = pixels[py * 4 + px];
                }
            }
        }
    }
    return true;
}

bool DecodeMasked(std::span<const uint8_t> bytes, const uint8_t* format, uint32_t width,
                  uint32_t height, Image& image, std::string& error) {
    const uint32_t flags = le::Read32(format + 4), bits = le::Read32(format + 12);
    if (bits != 8 && bits != 16 && bits != 24 && bits != 32) {
        error = "unsupported DDS pixel size of " + std::to_string(bits) + " bits";
        return false;
    }
    uint32_t red = le::Read32(format + 16), green = le::Read32(format + 20),
             blue = le::Read32(format + 24);
    const uint32_t alpha = flags & (kPfAlphaPixels | kPfAlpha) ? le::Read32(format + 28) : 0;
    if (flags & kPfLuminance) green = blue = red;
    if (flags & kPfAlpha && !(flags & (kPfRgb | kPfLuminance))) red = green = blue = 0;
    const MaskedPixelFormat masks(red, green, blue, alpha);
    if (!masks.Valid()) {
        error = "DDS channel masks are not contiguous";
        return false;
    }
    const size_t pixelBytes = bits / 8, stride = size_t{width} * pixelBytes;
    if (stride * height > bytes.size() - kHeaderEnd) {
        error = "DDS pixel data is truncated";
        return false;
    }
    if (!AllocateImage(image, width, height, error)) return false;
    const uint8_t* src = &bytes[kHeaderEnd];
    for (uint32_t& pixel : image.pixels) {
        pixel = masks.ToArgb(ReadPixelBytes(src, static_cast<unsigned>(pixelBytes)));
        src += pixelBytes;
    }
    return true;
}

}  // namespace

bool IsDds(std::span<const uint8_t> bytes) {
    return bytes.size() >= 4 && bytes[0] == 'D' && bytes[1] == 'D' && bytes[2] == 'S' &&
           bytes[3] == ' ';
}

bool DecodeDds(std::span<const uint8_t> bytes, Image& image, std::string& error) {
    if (bytes.size() < kHeaderEnd || le::Read32(&bytes[4]) != 124) {
        error = "DDS header is missing or damaged";
        return false;
    }
    const uint32_t height = le::Read32(&bytes[12]), width = le::Read32(&bytes[16]);
    const uint8_t* format = &bytes[76];
    const uint32_t formatFlags = le::Read32(format + 4);
    if (!CheckImageSize(width, height, error)) return false;
    if (formatFlags & kPfFourCc) {
        const uint32_t fourCc = le::Read32(format + 8);
        if (fourCc != FourCc('D', 'X', 'T', '1') && fourCc != FourCc('D', 'X', 'T', '3') &&
            fourCc != FourCc('D', 'X', 'T', '5')) {
            error = "unsupported DDS compression '" +
                    std::string(reinterpret_cast<const char*>(format + 8), 4) + "'";
            return false;
        }
        return DecodeBlocks(bytes, fourCc, width, height, image, error);
    }
    if (formatFlags & (kPfRgb | kPfLuminance | kPfAlpha)) {
        return DecodeMasked(bytes, format, width, height, image, error);
    }
    error = "DDS pixel format is not recognised";
    return false;
}

}  // namespace tavrin
