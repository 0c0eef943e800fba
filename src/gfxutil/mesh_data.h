#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The mesh as plain data: vertices with position, normal and one texture coordinate, triangles as
// index triples, one attribute (material number) per triangle, and the materials themselves.

namespace tavrin {

struct MeshVertex {
    float x, y, z;
    float nx, ny, nz;
    float u, v;
};

struct MeshMaterial {
    float diffuse[4] = {1, 1, 1, 1};  // r, g, b, a
    float power = 0;
    float specular[3] = {0, 0, 0};
    float emissive[3] = {0, 0, 0};
    std::string textureFile;  // empty when the material has no texture
};

struct MeshData {
    std::vector<MeshVertex> vertices;
    std::vector<uint32_t> indices;     // three per face
    std::vector<uint32_t> attributes;  // one per face

    size_t FaceCount() const { return attributes.size(); }
};

// Marks "no neighbour" in an adjacency array.
inline constexpr uint32_t kNoNeighbour = 0xFFFFFFFFu;

// Three entries per face: the face across its edges (v0, v1), (v1, v2), (v2, v0), or kNoNeighbour.
// Vertices at the same position count as one, so faces split for differing normals or texture
// coordinates are still neighbours.
std::vector<uint32_t> ComputeAdjacency(const MeshData& mesh);

}  // namespace tavrin
