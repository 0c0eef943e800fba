#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "d3d/d3d8.h"
#include "gfxutil/mesh.h"
#include "gfxutil/mesh_data.h"

namespace tavrin {

struct LoadedMesh {
    std::unique_ptr<Mesh> mesh;
    std::vector<uint32_t> adjacency;      // three entries per face
    std::vector<MeshMaterial> materials;  // attribute i draws with materials[i]
};

// Reads an X file held in memory into a mesh on the device, with its adjacency and materials.
// False with the reason in `error` when the data is not a readable X file or the device refuses.
bool LoadMeshFromXInMemory(IDirect3DDevice8* device, std::span<const uint8_t> bytes,
                           LoadedMesh& loaded, std::string& error);

}  // namespace tavrin
