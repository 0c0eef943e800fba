#include <cstring>
#include <unordered_map>

#include "gfxutil/mesh_data.h"

namespace tavrin {
namespace {

struct PositionKey {
    float x, y, z;
    bool operator==(const PositionKey& other) const {
        return x == other.x && y == other.y && z == other.z;
    }
};

struct PositionHash {
    size_t operator()(const PositionKey& p) const {
        uint32_t bits[3];
        std::memcpy(bits, &p, sizeof bits);
        return (size_t{bits[0]} * 73856093u) ^ (size_t{bits[1]} * 19349663u) ^
               (size_t{bits[2]} * 83492791u);
    }
};

// For each vertex, the first vertex at the same position.
std::vector<uint32_t> PointRepresentatives(const std::vector<MeshVertex>& vertices) {
    std::unordered_map<PositionKey, uint32_t, PositionHash> first;
    first.reserve(vertices.size());
    std::vector<uint32_t> representative(vertices.size());
    for (uint32_t i = 0; i < vertices.size(); ++i) {
        const MeshVertex& v = vertices[i];
        // Adding zero turns -0 into +0, which compare equal and must hash alike.
        representative[i] =
            first.try_emplace(PositionKey{v.x + 0.0f, v.y + 0.0f, v.z + 0.0f}, i).first->second;
    }
    return representative;
}

}  // namespace

std::vector<uint32_t> ComputeAdjacency(const MeshData& mesh) {
    const std::vector<uint32_t> rep = PointRepresentatives(mesh.vertices);
    const size_t faces = mesh.FaceCount();
    std::vector<uint32_t> adjacency(faces * 3, kNoNeighbour);
    // Directed edge (a, b) -> its slot; a neighbour holds the same edge as (b, a).
    std::unordered_map<uint64_t, uint32_t> edges;
    edges.reserve(faces * 3);
    auto key = [](uint32_t a, uint32_t b) { return uint64_t{a} << 32 | b; };
    for (uint32_t f = 0; f < faces; ++f) {
        for (uint32_t k = 0; k < 3; ++k) {
            const uint32_t a = rep[mesh.indices[3 * f + k]];
            const uint32_t b = rep[mesh.indices[3 * f + (k + 1) % 3]];
            if (a != b) edges.try_emplace(key(a, b), 3 * f + k);
        }
    }
    for (uint32_t f = 0; f < faces; ++f) {
        for (uint32_t k = 0; k < 3; ++k) {
            const uint32_t a = rep[mesh.indices[3 * f + k]];
            const uint32_t b = rep[mesh.indices[3 * f + (k + 1) % 3]];
            const auto twin = edges.find(key(b, a));
            if (a == b || twin == edges.end() || twin->second / 3 == f) continue;
            // Pair edges both ways only once, so a third face on the same edge stays unlinked.
            const uint32_t slot = twin->second;
            if (adjacency[3 * f + k] == kNoNeighbour && adjacency[slot] == kNoNeighbour) {
                adjacency[3 * f + k] = slot / 3;
                adjacency[slot] = f;
            }
        }
    }
    return adjacency;
}

}  // namespace tavrin
