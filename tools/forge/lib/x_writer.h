#pragma once

#include <cstdint>
#include <vector>

#include "lib/triangle_mesh.h"

namespace tavrin::forge {

// The mesh as a text X file ("xof 0303txt 0032"): one Mesh with MeshNormals, MeshTextureCoords and
// a MeshMaterialList of inline Materials whose TextureFilename names an archive entry.
std::vector<uint8_t> WriteXFile(const TriangleMesh& mesh);

}  // namespace tavrin::forge
