#pragma once

#include "archive/data_archive.h"
#include "d3d/d3d8.h"

namespace tavrin {

// The device that LoadTexture(name) creates its textures on; null (the default) makes it fail.
void SetTextureDevice(IDirect3DDevice8* device);

// A texture from an image file in the program-wide archive (SetMusicArchive) on the device set
// above: the image's own size, a full mip chain, A8R8G8B8. Null when there is no archive or
// device, the file is missing or empty, or the image cannot be decoded. The caller releases it.
IDirect3DTexture8* LoadTexture(const char* name);

// The same from a given archive onto a given device.
IDirect3DTexture8* LoadTexture(DataArchive* archive, IDirect3DDevice8* device, const char* name);

}  // namespace tavrin
