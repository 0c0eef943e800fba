#pragma once

#include <cstdint>
#include <vector>

#include "lib/canvas.h"

// Encoders for the two uncompressed picture formats the show's texture loader reads. Each returns
// the whole file.

namespace tavrin::forge {

// Windows bitmap, 24 bits per pixel, bottom-up rows padded to four bytes; alpha is dropped.
std::vector<uint8_t> EncodeBmp(const Canvas& image);
// Truevision TGA, uncompressed true colour, 32 bits per pixel with 8 alpha bits, bottom-up rows.
std::vector<uint8_t> EncodeTga(const Canvas& image);

}  // namespace tavrin::forge
