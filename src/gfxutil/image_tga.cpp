#include <vector>

#include "gfxutil/image_bits.h"
#include "gfxutil/image_codecs.h"

// Truevision TGA: colour-mapped (types 1, 9), true-colour 15/16/24/32-bit (2, 10) and grey
// (3, 11), raw or run-length encoded, with any of the four origins.

namespace tavrin {
namespace {

constexpr size_t kHeaderSize = 18;

struct TgaHeader {
    uint8_t idLength, colourMapType, imageType;
    uint16_t mapFirst, mapLength;
    uint8_t mapEntryBits;
    uint16_t width, height;
    uint8_t pixelBits, descriptor;

    bool Rle() const { return imageType >= 9; }
    uint8_t BaseType() const { return Rle() ? imageType - 8 : imageType; }
    unsigned AlphaBits() const { return descriptor & 15; }
    bool RightToLeft() const { return descriptor & 0x10; }
    bool TopDown() const { return descriptor & 0x20; }
};

TgaHeader ParseHeader(std::span<const uint8_t> b) {
    return {b[0],
            b[1],
            b[2],
            le::Read16(&b[3]),
            le::Read16(&b[5]),
            b[7],
            le::Read16(&b[12]),
            le::Read16(&b[14]),
            b[16],
            b[17]};
}

// 15/16-bit entries are X1R5G5B5 or A1R5G5B5, 32-bit ones X8R8G8B8 or A8R8G8B8: the alpha bits
// count only when the descriptor says the file has some.
uint32_t FromTrueColour(const uint8_t* p, unsigned bits, bool useAlpha) {
    switch (bits) {
        case 15:
        case 16: {
            static const MaskedPixelFormat opaque(0x7C00, 0x03E0, 0x001F, 0);
            static const MaskedPixelFormat withAlpha(0x7C00, 0x03E0, 0x001F, 0x8000);
            return (useAlpha && bits == 16 ? withAlpha : opaque).ToArgb(le::Read16(p));
        }
        case 24:
            return Argb(255, p[2], p[1], p[0]);
        default:
            return Argb(useAlpha ? p[3] : 255, p[2], p[1], p[0]);
    }
}

bool ValidTrueColourBits(unsigned bits) {
    return bits == 15 || bits == 16 || bits == 24 || bits == 32;
}

}  // namespace

bool DecodeTga(std::span<const uint8_t> bytes, Image& image, std::string& error) {
    if (bytes.size() < kHeaderSize) {
        error = "file too short for an image header (unknown format)";
        return false;
    }
    const TgaHeader h = ParseHeader(bytes);
    const uint8_t base = h.BaseType();
    const bool known =
        (h.imageType >= 1 && h.imageType <= 3) || (h.imageType >= 9 && h.imageType <= 11);
    const bool mapped = base == 1;
    const bool depthOk = (mapped && (h.pixelBits == 8 || h.pixelBits == 16)) ||
                         (base == 2 && ValidTrueColourBits(h.pixelBits)) ||
                         (base == 3 && (h.pixelBits == 8 || h.pixelBits == 16));
    if (!known || h.colourMapType > 1 || !depthOk || (mapped && h.colourMapType != 1) ||
        (mapped && !ValidTrueColourBits(h.mapEntryBits))) {
        error = "unrecognised image format";
        return false;
    }
    size_t pos = kHeaderSize + h.idLength;
    std::vector<uint32_t> palette;
    if (h.colourMapType == 1) {
        const size_t entryBytes = (h.mapEntryBits + 7) / 8;
        const size_t mapBytes = entryBytes * h.mapLength;
        if (pos + mapBytes > bytes.size()) {
            error = "TGA colour map is truncated";
            return false;
        }
        if (mapped) {
            palette.resize(h.mapLength);
            for (size_t i = 0; i < h.mapLength; ++i) {
                palette[i] =
                    FromTrueColour(&bytes[pos + i * entryBytes], h.mapEntryBits, h.AlphaBits() > 0);
            }
        }
        pos += mapBytes;
    }
    const unsigned pixelBytes = (h.pixelBits + 7) / 8;
    // Raw pixels must all be in the file before the image is allocated for them.
    if (!h.Rle() &&
        (pos > bytes.size() || size_t{h.width} * h.height * pixelBytes > bytes.size() - pos)) {
        error = "TGA pixel data is truncated";
        return false;
    }
    if (!AllocateImage(image, h.width, h.height, error)) return false;

    bool badIndex = false;
    auto convert = [&](const uint8_t* p) -> uint32_t {
        switch (base) {
            case 1: {
                const uint32_t index = ReadPixelBytes(p, pixelBytes) - h.mapFirst;
                if (index >= palette.size()) {
                    badIndex = true;
                    return 0;
                }
                return palette[index];
            }
            case 2:
                return FromTrueColour(p, h.pixelBits, h.AlphaBits() > 0);
            default:
                return Argb(pixelBytes == 2 ? p[1] : 255, p[0], p[0], p[0]);
        }
    };

    // Pixels arrive in file order; packets may run across scanlines.
    const size_t total = size_t{image.width} * image.height;
    size_t index = 0;
    auto store = [&](uint32_t argb) {
        const uint32_t fileRow = static_cast<uint32_t>(index / image.width);
        const uint32_t fileCol = static_cast<uint32_t>(index % image.width);
        const uint32_t y = h.TopDown() ? fileRow : image.height - 1 - fileRow;
        const uint32_t x = h.RightToLeft() ? image.width - 1 - fileCol : fileCol;
        image.pixels[size_t{y} * image.width + x] = argb;
        ++index;
    };
    while (index < total) {
        size_t raw = total - index;  // pixels to read one by one
        size_t repeat = 0;           // or copies of a single pixel
        if (h.Rle()) {
            if (pos >= bytes.size()) break;
            const uint8_t packet = bytes[pos++];
            const size_t count = std::min<size_t>((packet & 0x7F) + 1, total - index);
            if (packet & 0x80) {
                repeat = count;
                raw = 0;
            } else {
                raw = count;
            }
        }
        if (repeat > 0) {
            if (pos + pixelBytes > bytes.size()) break;
            const uint32_t argb = convert(&bytes[pos]);
            pos += pixelBytes;
            for (size_t i = 0; i < repeat; ++i) store(argb);
        } else {
            if (pos + raw * pixelBytes > bytes.size()) break;
            for (size_t i = 0; i < raw; ++i, pos += pixelBytes) store(convert(&bytes[pos]));
        }
    }
    if (index < total) {
        error = "TGA pixel data is truncated";
        return false;
    }
    if (badIndex) {
        error = "TGA pixel refers past the end of its colour map";
        return false;
    }
    return true;
}

}  // namespace tavrin
