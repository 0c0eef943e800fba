#include "archive/mesh_model.h"

#include <span>
#include <string>

#include "archive/music_files.h"
#include "archive/texture_loader.h"
#include "gfxutil/display_device.h"
#include "gfxutil/mesh_load.h"

namespace tavrin {
namespace {

D3DMATERIAL8 ToDeviceMaterial(const MeshMaterial& m) {
    D3DMATERIAL8 out{};
    out.Diffuse = {m.diffuse[0], m.diffuse[1], m.diffuse[2], m.diffuse[3]};
    out.Ambient = out.Diffuse;  // the show lights its meshes with ambient = diffuse
    out.Specular = {m.specular[0], m.specular[1], m.specular[2], 1};
    out.Emissive = {m.emissive[0], m.emissive[1], m.emissive[2], 1};
    out.Power = m.power;
    return out;
}

}  // namespace

MeshModel::MeshModel(DisplayDevice* displayDevice, const char* name)
    : MeshModel(displayDevice, MusicArchive(), name) {}

// The X data is parsed straight from the archive's buffer: no file is written while loading.
MeshModel::MeshModel(DisplayDevice* displayDevice, DataArchive* archive, const char* name)
    : device(displayDevice) {
    IDirect3DDevice8* d3d = device ? device->device : nullptr;
    if (!archive || !d3d || !name) return;
    uint8_t* bytes = nullptr;
    const uint32_t size = archive->Load(name, &bytes);
    const std::unique_ptr<uint8_t[]> owned(bytes);
    LoadedMesh loaded;
    std::string error;
    if (size == 0 || !LoadMeshFromXInMemory(d3d, std::span(bytes, size), loaded, error)) return;

    materialCount = static_cast<uint32_t>(loaded.materials.size());
    materials.reserve(materialCount);
    textures.reserve(materialCount);
    for (const MeshMaterial& material : loaded.materials) {
        materials.push_back(ToDeviceMaterial(material));
        IDirect3DTexture8* texture = nullptr;
        // LoadTexture already box-filters every level below 0 from level 0.
        if (!material.textureFile.empty()) {
            texture = LoadTexture(archive, d3d, material.textureFile.c_str());
        }
        textures.push_back(texture);
    }
    loaded.mesh->Optimize(kMeshOptCompact | kMeshOptAttrSort | kMeshOptVertexCache);
    mesh = std::move(loaded.mesh);
}

MeshModel::~MeshModel() {
    for (IDirect3DTexture8* texture : textures) {
        if (texture) texture->Release();
    }
}

}  // namespace tavrin
