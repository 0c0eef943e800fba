#pragma once

#include <cstdint>
#include <vector>

#include "lib/canvas.h"

namespace tavrin::forge {

// Baseline JFIF at the given quality (1..100), no chroma subsampling so hard edges stay clean.
// Returns the whole file, or an empty vector when libjpeg reports an error.
std::vector<uint8_t> EncodeJpeg(const Canvas& image, int quality);

}  // namespace tavrin::forge
