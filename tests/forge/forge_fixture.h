#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "gfxutil/image.h"
#include "lib/canvas.h"

// What the tests look at: the Tavrin.data the build wrote, read through the show's own archive
// reader and image decoders.

namespace tavrin::forge::test {

std::string BuiltArchivePath();
std::vector<uint8_t> LoadFile(const std::string& path);
// The whole entry, or empty when missing.
std::vector<uint8_t> LoadEntry(const std::string& name);
// Decodes an entry with the show's decoders; fails the calling test when that is impossible.
bool DecodeEntry(const std::string& name, tavrin::Image& image);
// A decoded image as the forge's floating-point picture (for the preview renderer).
forge::Canvas ToCanvas(const tavrin::Image& image);

// Image entries named by the show itself.
const std::vector<std::string>& ShowImageNames();
// X files named by the show.
const std::vector<std::string>& ShowMeshNames();

// True when a program of that name is on PATH.
bool HaveProgram(const std::string& name);

}  // namespace tavrin::forge::test
