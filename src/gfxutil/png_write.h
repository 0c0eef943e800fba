#pragma once

#include <cstdint>

namespace tavrin {

// Writes rows of A8R8G8B8 pixels, top row first, as an 8-bit RGBA PNG. False when the file
// cannot be written.
bool WritePngFile(const char* path, const uint32_t* pixels, uint32_t width, uint32_t height);

}  // namespace tavrin
