#pragma once

#include <cstddef>
#include <string>

#include "d3d/d3d8.h"
#include "gfxutil/image.h"

namespace tavrin {

// A managed A8R8G8B8 texture of the image's own size with a full mip chain: level 0 holds the
// image, the levels below it are box-filtered from level 0. Null when the device refuses it.
IDirect3DTexture8* CreateTextureFromImage(IDirect3DDevice8* device, const Image& image);

// Decodes an image file held in memory (BMP, TGA, JPEG, PNG, DDS) and makes a texture of it as
// above. Null on failure, with the reason in `error` when given.
IDirect3DTexture8* CreateTextureFromFileInMemory(IDirect3DDevice8* device, const void* data,
                                                 size_t size, std::string* error = nullptr);

}  // namespace tavrin
