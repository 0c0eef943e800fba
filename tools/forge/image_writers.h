#pragma once

#include <cstdint>
#include <vector>

#include "image.h"

// Encoders for the file formats the show's texture loader reads. Each returns the whole file.

namespace tavrin::forge {

// Windows bitmap, 24 bits per pixel, bottom-up rows padded to four bytes; alpha is dropped.
std::vector<uint8_t> EncodeBmp(const Image& image);
// Truevision TGA, uncompressed true colour, 32 bits per pixel with 8 alpha bits, bottom-up rows.
std::vector<uint8_t> EncodeTga(const Image& image);
// Baseline JFIF at the given quality (1..100), no chroma subsampling so hard edges stay clean.
// Returns an empty vector when libjpeg reports an error.
std::vector<uint8_t> EncodeJpeg(const Image& image, int quality);

}  // namespace tavrin::forge
