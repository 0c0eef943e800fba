#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tavrin::record {

// Writes top-down A8R8G8B8 pixels as an 8-bit RGB PNG (alpha dropped: a frame is opaque).
// Same pixels, same bytes. False when the file cannot be written.
bool WritePng(const std::string& path, int width, int height, const std::vector<uint32_t>& pixels);

}  // namespace tavrin::record
