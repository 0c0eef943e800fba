#include <cstdlib>
#include <vector>

#include "gfxutil/image_bits.h"
#include "gfxutil/image_codecs.h"

// Windows bitmaps: core (OS/2) and Windows info headers up to version 5; 1/4/8-bit palettes,
// 16/24/32-bit direct colour with optional bit-field masks, RLE8 and RLE4; bottom-up and top-down.

namespace tavrin {
namespace {

constexpr size_t kFileHeaderSize = 14;
constexpr uint32_t kBiRgb = 0, kBiRle8 = 1, kBiRle4 = 2, kBiBitfields = 3, kBiAlphaBitfields = 6;

struct BmpHeader {
    int64_t width = 0;
    int64_t height = 0;  // positive: rows stored bottom-up
    uint32_t bitCount = 0;
    uint32_t compression = kBiRgb;
    uint32_t redMask = 0, greenMask = 0, blueMask = 0, alphaMask = 0;
    uint32_t paletteOffset = 0;     // from the start of the file
    uint32_t paletteEntrySize = 4;  // 3 in core headers
    uint32_t paletteCount = 0;
    uint32_t pixelOffset = 0;
};

bool ParseHeader(std::span<const uint8_t> bytes, BmpHeader& h, std::string& error) {
    if (bytes.size() < kFileHeaderSize + 12) {
        error = "BMP file too short for its headers";
        return false;
    }
    h.pixelOffset = le::Read32(&bytes[10]);
    const uint8_t* info = &bytes[kFileHeaderSize];
    const uint32_t infoSize = le::Read32(info);
    if (infoSize == 12) {
        h.width = le::Read16(info + 4);
        h.height = le::Read16(info + 6);
        h.bitCount = le::Read16(info + 10);
        h.paletteEntrySize = 3;
    } else if (infoSize >= 40 && infoSize <= 124 && bytes.size() >= kFileHeaderSize + infoSize) {
        h.width = ReadS32(info + 4);
        h.height = ReadS32(info + 8);
        h.bitCount = le::Read16(info + 14);
        h.compression = le::Read32(info + 16);
        h.paletteCount = le::Read32(info + 32);
        uint32_t maskCount = 0;
        size_t maskOffset = kFileHeaderSize + 40;
        if (infoSize >= 52) {
            maskCount = infoSize >= 56 ? 4 : 3;
        } else if (h.compression == kBiBitfields || h.compression == kBiAlphaBitfields) {
            // A plain info header is followed by the masks it announces.
            maskCount = h.compression == kBiBitfields ? 3 : 4;
        }
        if (maskOffset + 4 * maskCount > bytes.size()) {
            error = "BMP colour masks are truncated";
            return false;
        }
        const uint8_t* masks = bytes.data() + maskOffset;  // may be the end when there are none
        if (maskCount >= 3) {
            h.redMask = le::Read32(masks);
            h.greenMask = le::Read32(masks + 4);
            h.blueMask = le::Read32(masks + 8);
        }
        if (maskCount == 4) h.alphaMask = le::Read32(masks + 12);
        h.paletteOffset = static_cast<uint32_t>(kFileHeaderSize + infoSize);
        if (infoSize == 40 && maskCount > 0) h.paletteOffset += 4 * maskCount;
    } else {
        error = "unsupported BMP header size " + std::to_string(infoSize);
        return false;
    }
    if (infoSize == 12) h.paletteOffset = kFileHeaderSize + 12;
    return true;
}

std::vector<uint32_t> ReadPalette(std::span<const uint8_t> bytes, const BmpHeader& h) {
    const uint32_t full = 1u << h.bitCount;
    uint32_t count = h.paletteCount == 0 || h.paletteCount > full ? full : h.paletteCount;
    std::vector<uint32_t> palette(full, Argb(255, 0, 0, 0));
    const size_t available =
        h.paletteOffset < bytes.size() ? (bytes.size() - h.paletteOffset) / h.paletteEntrySize : 0;
    if (count > available) count = static_cast<uint32_t>(available);
    for (uint32_t i = 0; i < count; ++i) {
        const uint8_t* e = &bytes[h.paletteOffset + size_t{i} * h.paletteEntrySize];
        palette[i] = Argb(255, e[2], e[1], e[0]);
    }
    return palette;
}

// Bytes per stored row: rows are padded to whole 32-bit words.
uint64_t RowStride(uint64_t width, uint16_t bitCount) {
    return ((width * bitCount + 31) / 32) * 4;
}

// Row order in the file versus the image: bottom-up files fill the last image row first.
uint32_t ImageRow(const Image& image, bool bottomUp, uint32_t fileRow) {
    return bottomUp ? image.height - 1 - fileRow : fileRow;
}

bool DecodeUncompressed(std::span<const uint8_t> bytes, const BmpHeader& h, bool bottomUp,
                        const std::vector<uint32_t>& palette, Image& image, std::string& error) {
    const uint64_t stride = RowStride(image.width, h.bitCount);
    uint32_t red = 0x7C00, green = 0x03E0, blue = 0x001F, alpha = 0;    // 16-bit default X1R5G5B5
    if (h.bitCount == 32) red = 0xFF0000, green = 0xFF00, blue = 0xFF;  // X8R8G8B8
    if (h.compression == kBiBitfields || h.compression == kBiAlphaBitfields) {
        red = h.redMask, green = h.greenMask, blue = h.blueMask, alpha = h.alphaMask;
    }
    const MaskedPixelFormat direct(red, green, blue, alpha);
    if (h.bitCount >= 16 && !direct.Valid()) {
        error = "BMP colour masks are not contiguous";
        return false;
    }
    for (uint32_t fileRow = 0; fileRow < image.height; ++fileRow) {
        const uint8_t* src = &bytes[h.pixelOffset + fileRow * stride];
        uint32_t* dst = &image.pixels[size_t{ImageRow(image, bottomUp, fileRow)} * image.width];
        for (uint32_t x = 0; x < image.width; ++x) {
            switch (h.bitCount) {
                case 1:
                    dst[x] = palette[(src[x >> 3] >> (7 - (x & 7))) & 1];
                    break;
                case 4:
                    dst[x] = palette[(src[x >> 1] >> (x & 1 ? 0 : 4)) & 15];
                    break;
                case 8:
                    dst[x] = palette[src[x]];
                    break;
                case 24:
                    dst[x] = Argb(255, src[3 * x + 2], src[3 * x + 1], src[3 * x]);
                    break;
                default:
                    dst[x] =
                        direct.ToArgb(ReadPixelBytes(src + x * (h.bitCount / 8), h.bitCount / 8));
            }
        }
    }
    return true;
}

// RLE streams: (count, value) runs, or escape 0 followed by 0 end of line, 1 end of bitmap,
// 2 delta (dx, dy), n >= 3 an absolute run of n pixels padded to a 16-bit boundary.
bool DecodeRle(std::span<const uint8_t> bytes, const BmpHeader& h,
               const std::vector<uint32_t>& palette, Image& image, std::string& error) {
    const bool nibbles = h.compression == kBiRle4;
    size_t pos = h.pixelOffset;
    uint32_t x = 0, fileRow = 0;
    auto put = [&](uint32_t index) {
        if (x < image.width && fileRow < image.height) {
            image.pixels[size_t{image.height - 1 - fileRow} * image.width + x] = palette[index];
        }
        ++x;
    };
    while (fileRow < image.height) {
        if (pos + 2 > bytes.size()) {
            error = "BMP RLE data ends before its end-of-bitmap marker";
            return false;
        }
        const uint8_t count = bytes[pos], value = bytes[pos + 1];
        pos += 2;
        if (count > 0) {
            for (uint32_t i = 0; i < count; ++i) {
                put(nibbles ? (i & 1 ? value & 15 : value >> 4) : value);
            }
            continue;
        }
        if (value == 0) {
            x = 0;
            ++fileRow;
        } else if (value == 1) {
            break;
        } else if (value == 2) {
            if (pos + 2 > bytes.size()) {
                error = "BMP RLE delta is truncated";
                return false;
            }
            x += bytes[pos];
            fileRow += bytes[pos + 1];
            pos += 2;
        } else {
            const size_t dataBytes = nibbles ? (value + 1) / 2 : value;
            if (pos + dataBytes > bytes.size()) {
                error = "BMP RLE absolute run is truncated";
                return false;
            }
            for (uint32_t i = 0; i < value; ++i) {
                put(nibbles ? (bytes[pos + i / 2] >> (i & 1 ? 0 : 4)) & 15 : bytes[pos + i]);
            }
            pos += (dataBytes + 1) & ~size_t{1};
        }
    }
    return true;
}

}  // namespace

bool IsBmp(std::span<const uint8_t> bytes) {
    return bytes.size() >= 2 && bytes[0] == 'B' && bytes[1] == 'M';
}

bool DecodeBmp(std::span<const uint8_t> bytes, Image& image, std::string& error) {
    BmpHeader h;
    if (!ParseHeader(bytes, h, error)) return false;
    const bool rle = h.compression == kBiRle8 || h.compression == kBiRle4;
    const bool bitfields = h.compression == kBiBitfields || h.compression == kBiAlphaBitfields;
    const bool depthOk = h.bitCount == 1 || h.bitCount == 4 || h.bitCount == 8 ||
                         h.bitCount == 16 || h.bitCount == 24 || h.bitCount == 32;
    if (!depthOk || (h.compression == kBiRle8 && h.bitCount != 8) ||
        (h.compression == kBiRle4 && h.bitCount != 4) ||
        (bitfields && h.bitCount != 16 && h.bitCount != 32) ||
        (!rle && !bitfields && h.compression != kBiRgb)) {
        error = "unsupported BMP encoding (" + std::to_string(h.bitCount) + " bits, compression " +
                std::to_string(h.compression) + ")";
        return false;
    }
    const bool bottomUp = h.height > 0;
    if (rle && !bottomUp) {
        error = "top-down BMP cannot be RLE-compressed";
        return false;
    }
    const std::vector<uint32_t> palette =
        h.bitCount <= 8 ? ReadPalette(bytes, h) : std::vector<uint32_t>{};
    if (h.width < 0) {
        error = "BMP width is negative";
        return false;
    }
    const uint64_t height = static_cast<uint64_t>(std::llabs(h.height));
    // Uncompressed rows must all be in the file before the image is allocated for them.
    if (!rle && CheckImageSize(static_cast<uint64_t>(h.width), height, error) &&
        (h.pixelOffset > bytes.size() ||
         RowStride(static_cast<uint64_t>(h.width), h.bitCount) * height >
             bytes.size() - h.pixelOffset)) {
        error = "BMP pixel data is truncated";
        return false;
    }
    // Pixels an RLE stream skips keep the first palette colour.
    if (!AllocateImage(image, static_cast<uint64_t>(h.width), height, error,
                       palette.empty() ? 0 : palette[0])) {
        return false;
    }
    return rle ? DecodeRle(bytes, h, palette, image, error)
               : DecodeUncompressed(bytes, h, bottomUp, palette, image, error);
}

}  // namespace tavrin
