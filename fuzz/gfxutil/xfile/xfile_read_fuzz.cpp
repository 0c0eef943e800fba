// Any bytes through the X-file reader, and whatever it accepts through adjacency and optimisation:
// every index must stay within the vertices and every attribute within the materials.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "gfxutil/mesh_optimize.h"
#include "gfxutil/xfile_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    tavrin::XFileContents contents;
    std::string error;
    if (!tavrin::ReadXFile({data, size}, contents, error)) {
        if (error.empty()) std::abort();
        return 0;
    }
    tavrin::MeshData& mesh = contents.mesh;
    for (uint32_t attribute : mesh.attributes) {
        if (attribute >= contents.materials.size()) std::abort();
    }
    tavrin::OptimizeMesh(
        mesh, tavrin::kMeshOptCompact | tavrin::kMeshOptAttrSort | tavrin::kMeshOptVertexCache);
    for (uint32_t index : mesh.indices) {
        if (index >= mesh.vertices.size()) std::abort();
    }
    return 0;
}
