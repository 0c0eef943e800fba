#include "archive/texture_loader.h"

#include <memory>

#include "archive/music_files.h"
#include "gfxutil/texture_create.h"

namespace tavrin {
namespace {

IDirect3DDevice8* gTextureDevice = nullptr;

}  // namespace

void SetTextureDevice(IDirect3DDevice8* device) {
    gTextureDevice = device;
}

IDirect3DTexture8* LoadTexture(const char* name) {
    return LoadTexture(MusicArchive(), gTextureDevice, name);
}

IDirect3DTexture8* LoadTexture(DataArchive* archive, IDirect3DDevice8* device, const char* name) {
    if (!archive || !device || !name) return nullptr;
    uint8_t* bytes = nullptr;
    const uint32_t size = archive->Load(name, &bytes);
    const std::unique_ptr<uint8_t[]> owned(bytes);
    if (size == 0) return nullptr;
    return CreateTextureFromFileInMemory(device, bytes, size);
}

}  // namespace tavrin
