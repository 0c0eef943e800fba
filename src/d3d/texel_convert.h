#pragma once

#include <cstdint>

#include "d3d/d3dtypes.h"

namespace tavrin {

// Packs four 8-bit channels into one A8R8G8B8 texel.
inline constexpr uint32_t Argb(uint32_t a, uint32_t r, uint32_t g, uint32_t b) {
    return a << 24 | r << 16 | g << 8 | b;
}

// Expands one row of texels of a locked texture into A8R8G8B8. Formats without alpha read as
// opaque; false (and nothing written) for a format it does not know.
bool ConvertRowToArgb(D3DFORMAT format, const uint8_t* source, int width, uint32_t* target);

// The way back: narrows A8R8G8B8 texels into `format`, rounding each channel to the nearest
// value it holds, so a row widened by ConvertRowToArgb comes back unchanged (the padding bits of
// the X formats come back set). False (and nothing written) for a format it does not know.
bool ConvertRowFromArgb(D3DFORMAT format, const uint32_t* source, int width, uint8_t* target);

}  // namespace tavrin
