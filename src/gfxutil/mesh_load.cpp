#include "gfxutil/mesh_load.h"

#include "gfxutil/xfile_reader.h"

namespace tavrin {

bool LoadMeshFromXInMemory(IDirect3DDevice8* device, std::span<const uint8_t> bytes,
                           LoadedMesh& loaded, std::string& error) {
    loaded = LoadedMesh{};
    XFileContents contents;
    if (!ReadXFile(bytes, contents, error)) return false;
    std::vector<uint32_t> adjacency = ComputeAdjacency(contents.mesh);
    std::unique_ptr<Mesh> mesh = Mesh::Create(device, std::move(contents.mesh), error);
    if (!mesh) return false;
    loaded.mesh = std::move(mesh);
    loaded.adjacency = std::move(adjacency);
    loaded.materials = std::move(contents.materials);
    return true;
}

}  // namespace tavrin
