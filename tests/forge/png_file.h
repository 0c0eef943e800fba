#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tavrin::forge::test {

// Writes 8-bit RGBA rows, top row first. Returns false when the file cannot be written.
bool WritePng(const std::string& path, int width, int height, const std::vector<uint8_t>& rgba);

}  // namespace tavrin::forge::test
