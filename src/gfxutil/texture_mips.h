#pragma once

#include <cstdint>
#include <vector>

#include "d3d/d3d8.h"

namespace tavrin {

// Levels of a full mip chain for a width x height image: down to 1 x 1.
uint32_t FullMipLevelCount(uint32_t width, uint32_t height);

// Halves an A8R8G8B8 image (each side to at least 1) by averaging 2 x 2 blocks, or 2 x 1 / 1 x 2
// where a side is already 1; each channel is rounded to nearest.
std::vector<uint32_t> BoxFilterHalf(const uint32_t* pixels, uint32_t width, uint32_t height);

// Rebuilds every level below level 0 of an A8R8G8B8 texture from level 0 with the box filter.
bool RegenerateMipLevels(IDirect3DTexture8* texture);

}  // namespace tavrin
