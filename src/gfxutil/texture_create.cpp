#include "gfxutil/texture_create.h"

#include <cstring>

#include "gfxutil/texture_mips.h"

namespace tavrin {

IDirect3DTexture8* CreateTextureFromImage(IDirect3DDevice8* device, const Image& image) {
    IDirect3DTexture8* texture = nullptr;
    if (!device || FAILED(device->CreateTexture(image.width, image.height,
                                                FullMipLevelCount(image.width, image.height), 0,
                                                D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture))) {
        return nullptr;
    }
    D3DLOCKED_RECT locked{};
    if (FAILED(texture->LockRect(0, &locked, nullptr, 0))) {
        texture->Release();
        return nullptr;
    }
    for (uint32_t y = 0; y < image.height; ++y) {
        std::memcpy(static_cast<uint8_t*>(locked.pBits) + size_t{y} * locked.Pitch,
                    &image.pixels[size_t{y} * image.width], size_t{image.width} * 4);
    }
    texture->UnlockRect(0);
    if (!RegenerateMipLevels(texture)) {
        texture->Release();
        return nullptr;
    }
    return texture;
}

IDirect3DTexture8* CreateTextureFromFileInMemory(IDirect3DDevice8* device, const void* data,
                                                 size_t size, std::string* error) {
    Image image;
    std::string reason;
    if (!data || !DecodeImage({static_cast<const uint8_t*>(data), size}, image, reason)) {
        if (error) *error = data ? reason : "no image data";
        return nullptr;
    }
    IDirect3DTexture8* texture = CreateTextureFromImage(device, image);
    if (!texture && error) *error = "the device refused the texture";
    return texture;
}

}  // namespace tavrin
