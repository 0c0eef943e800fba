#pragma once

#include <cstdint>
#include <vector>

#include "gfxutil/mesh_data.h"

namespace tavrin {

// Optimisation steps, combinable; the values are the ones the show passes (7 = all three).
enum MeshOptimizeFlags : uint32_t {
    kMeshOptCompact = 0x1,      // drop faces whose corners repeat a vertex, then unused vertices
    kMeshOptAttrSort = 0x2,     // faces grouped by attribute, ascending, order kept within a group
    kMeshOptVertexCache = 0x4,  // faces reordered within each group for the vertex cache, vertices
                                // renumbered in order of first use
};

// A run of consecutive faces sharing one attribute, and the vertex range those faces use.
struct AttributeRange {
    uint32_t attribute;
    uint32_t faceStart, faceCount;
    uint32_t vertexStart, vertexCount;
};

// Rewrites the mesh in place. Returns the new adjacency (three entries per face).
std::vector<uint32_t> OptimizeMesh(MeshData& mesh, uint32_t flags);

// The runs of equal attributes in face order; after attribute sorting, one per attribute.
std::vector<AttributeRange> BuildAttributeTable(const MeshData& mesh);

}  // namespace tavrin
