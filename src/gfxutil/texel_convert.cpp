#include "gfxutil/texel_convert.h"

#include <cstring>

#include "bytes/little_endian.h"
#include "gfxutil/image_bits.h"

namespace tavrin {
namespace {

// Widens an n-bit channel to 8 bits so that full scale stays full scale.
constexpr uint32_t Widen(uint32_t value, int bits) {
    return bits == 8 ? value : (value << (8 - bits)) | (value >> (2 * bits - 8 > 0 ? 2 * bits - 8 : 0));
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
                target[x] = Argb(a, Widen((t >> 10) & 31, 5), Widen((t >> 5) & 31, 5),
                                 Widen(t & 31, 5));
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

}  // namespace tavrin
