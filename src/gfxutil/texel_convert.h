#pragma once

#include <cstdint>

#include "d3d/d3dtypes.h"

namespace tavrin {

// Expands one row of texels of a locked texture into A8R8G8B8. Formats without alpha read as
// opaque; false (and nothing written) for a format it does not know.
bool ConvertRowToArgb(D3DFORMAT format, const uint8_t* source, int width, uint32_t* target);

}  // namespace tavrin
