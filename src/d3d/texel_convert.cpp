#include "d3d/texel_convert.h"

#include <cstring>

#include "bytes/little_endian.h"

namespace tavrin {
namespace {

// Widens an n-bit channel to 8 bits so that full scale stays full scale.
constexpr uint32_t Widen(uint32_t value, int bits) {
    return bits == 8 ? value
                     : (value << (8 - bits)) | (value >> (2 * bits - 8 > 0 ? 2 * bits - 8 : 0));
}

// Nearest `bits`-bit value of an 8-bit channel.
constexpr uint32_t Narrow(uint32_t value, int bits) {
    const uint32_t top = (1u << bits) - 1;
    return (value * top + 127) / 255;
}

}  // namespace

bool ConvertRowToArgb(D3DFORMAT format, const uint8_t* source, int width, uint32_t* target) {
    switch (format) {
        case D3DFMT_A8R8G8B8:
            std::memcpy(target, source, static_cast<size_t>(width) * 4);
            return true;
        case D3DFMT_X8R8G8B8:
            std::memcpy(target, source, static_cast<size_t>(width) * 4);
            for (int x = 0; x < width; ++x) target[x] |= 0xFF000000u;
            return true;
        case D3DFMT_R8G8B8:
            for (int x = 0; x < width; ++x, source += 3) {
                target[x] = Argb(255, source[2], source[1], source[0]);
            }
            return true;
        case D3DFMT_R5G6B5:
            for (int x = 0; x < width; ++x) {
                const uint32_t t = le::Read16(source + 2 * x);
                target[x] = Argb(255, Widen(t >> 11, 5), Widen((t >> 5) & 63, 6), Widen(t & 31, 5));
            }
            return true;
        case D3DFMT_X1R5G5B5:
        case D3DFMT_A1R5G5B5:
            for (int x = 0; x < width; ++x) {
                const uint32_t t = le::Read16(source + 2 * x);
                const uint32_t a = format == D3DFMT_X1R5G5B5 || (t & 0x8000) ? 255 : 0;
                target[x] =
                    Argb(a, Widen((t >> 10) & 31, 5), Widen((t >> 5) & 31, 5), Widen(t & 31, 5));
            }
            return true;
        case D3DFMT_A4R4G4B4:
        case D3DFMT_X4R4G4B4:
            for (int x = 0; x < width; ++x) {
                const uint32_t t = le::Read16(source + 2 * x);
                const uint32_t a = format == D3DFMT_X4R4G4B4 ? 255 : (t >> 12) * 17;
                target[x] = Argb(a, ((t >> 8) & 15) * 17, ((t >> 4) & 15) * 17, (t & 15) * 17);
            }
            return true;
        case D3DFMT_L8:
            for (int x = 0; x < width; ++x) target[x] = Argb(255, source[x], source[x], source[x]);
            return true;
        case D3DFMT_A8:
            for (int x = 0; x < width; ++x) target[x] = Argb(source[x], 0, 0, 0);
            return true;
        case D3DFMT_A8L8:
            for (int x = 0; x < width; ++x) {
                const uint32_t l = source[2 * x], a = source[2 * x + 1];
                target[x] = Argb(a, l, l, l);
            }
            return true;
        default:
            return false;
    }
}

bool ConvertRowFromArgb(D3DFORMAT format, const uint32_t* source, int width, uint8_t* target) {
    // Each 16-bit texel as alpha, red, green and blue bits, most significant first; the padding
    // of the X formats comes back set.
    auto pack16 = [&](int alphaBits, int redBits, int greenBits, int blueBits, bool padded) {
        for (int x = 0; x < width; ++x) {
            const uint32_t t = source[x];
            const uint32_t a = padded ? (1u << alphaBits) - 1 : Narrow(t >> 24, alphaBits);
            uint32_t packed = a;
            packed = packed << redBits | Narrow((t >> 16) & 0xFF, redBits);
            packed = packed << greenBits | Narrow((t >> 8) & 0xFF, greenBits);
            packed = packed << blueBits | Narrow(t & 0xFF, blueBits);
            le::Store16(target + 2 * x, packed);
        }
        return true;
    };
    auto byte = [&](int x, int shift) { return static_cast<uint8_t>(source[x] >> shift); };
    switch (format) {
        case D3DFMT_A8R8G8B8:
        case D3DFMT_X8R8G8B8:
            std::memcpy(target, source, static_cast<size_t>(width) * 4);
            return true;
        case D3DFMT_R8G8B8:
            for (int x = 0; x < width; ++x) {
                target[3 * x] = byte(x, 0);
                target[3 * x + 1] = byte(x, 8);
                target[3 * x + 2] = byte(x, 16);
            }
            return true;
        case D3DFMT_R5G6B5:
            return pack16(0, 5, 6, 5, true);
        case D3DFMT_A1R5G5B5:
            return pack16(1, 5, 5, 5, false);
        case D3DFMT_X1R5G5B5:
            return pack16(1, 5, 5, 5, true);
        case D3DFMT_A4R4G4B4:
            return pack16(4, 4, 4, 4, false);
        case D3DFMT_X4R4G4B4:
            return pack16(4, 4, 4, 4, true);
        case D3DFMT_L8:
            for (int x = 0; x < width; ++x) target[x] = byte(x, 16);
            return true;
        case D3DFMT_A8:
            for (int x = 0; x < width; ++x) target[x] = byte(x, 24);
            return true;
        case D3DFMT_A8L8:
            for (int x = 0; x < width; ++x) {
                target[2 * x] = byte(x, 16);
                target[2 * x + 1] = byte(x, 24);
            }
            return true;
        default:
            return false;
    }
}

}  // namespace tavrin
