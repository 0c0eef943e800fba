#include "gfxutil/mesh_optimize.h"

#include <meshoptimizer.h>

#include <algorithm>
#include <numeric>

namespace tavrin {
namespace {

void Compact(MeshData& mesh) {
    size_t kept = 0;
    for (size_t f = 0; f < mesh.FaceCount(); ++f) {
        const uint32_t* t = &mesh.indices[3 * f];
        if (t[0] == t[1] || t[1] == t[2] || t[0] == t[2]) continue;
        std::copy(t, t + 3, &mesh.indices[3 * kept]);
        mesh.attributes[kept++] = mesh.attributes[f];
    }
    mesh.indices.resize(3 * kept);
    mesh.attributes.resize(kept);

    constexpr uint32_t kUnused = 0xFFFFFFFFu;
    std::vector<uint32_t> remap(mesh.vertices.size(), kUnused);
    std::vector<MeshVertex> used;
    for (uint32_t& index : mesh.indices) {
        if (remap[index] == kUnused) {
            remap[index] = static_cast<uint32_t>(used.size());
            used.push_back(mesh.vertices[index]);
        }
        index = remap[index];
    }
    mesh.vertices = std::move(used);
}

void SortByAttribute(MeshData& mesh) {
    std::vector<uint32_t> order(mesh.FaceCount());
    std::iota(order.begin(), order.end(), 0u);
    std::stable_sort(order.begin(), order.end(), [&](uint32_t a, uint32_t b) {
        return mesh.attributes[a] < mesh.attributes[b];
    });
    std::vector<uint32_t> indices(mesh.indices.size()), attributes(order.size());
    for (size_t f = 0; f < order.size(); ++f) {
        std::copy_n(&mesh.indices[3 * size_t{order[f]}], 3, &indices[3 * f]);
        attributes[f] = mesh.attributes[order[f]];
    }
    mesh.indices = std::move(indices);
    mesh.attributes = std::move(attributes);
}

void OptimizeForCache(MeshData& mesh) {
    // Each run of equal attributes is reordered on its own, so runs (and subsets) stay intact.
    for (const AttributeRange& range : BuildAttributeTable(mesh)) {
        uint32_t* indices = &mesh.indices[3 * size_t{range.faceStart}];
        meshopt_optimizeVertexCache(indices, indices, 3 * size_t{range.faceCount},
                                    mesh.vertices.size());
    }
    std::vector<uint32_t> remap(mesh.vertices.size());
    const size_t vertexCount = meshopt_optimizeVertexFetchRemap(
        remap.data(), mesh.indices.data(), mesh.indices.size(), mesh.vertices.size());
    meshopt_remapIndexBuffer(mesh.indices.data(), mesh.indices.data(), mesh.indices.size(),
                             remap.data());
    std::vector<MeshVertex> vertices(vertexCount);
    meshopt_remapVertexBuffer(vertices.data(), mesh.vertices.data(), mesh.vertices.size(),
                              sizeof(MeshVertex), remap.data());
    mesh.vertices = std::move(vertices);
}

}  // namespace

std::vector<AttributeRange> BuildAttributeTable(const MeshData& mesh) {
    std::vector<AttributeRange> table;
    for (uint32_t f = 0; f < mesh.FaceCount(); ++f) {
        if (table.empty() || table.back().attribute != mesh.attributes[f]) {
            table.push_back({mesh.attributes[f], f, 0, 0, 0});
        }
        ++table.back().faceCount;
    }
    for (AttributeRange& range : table) {
        const auto first = mesh.indices.begin() + 3 * range.faceStart;
        const auto [low, high] = std::minmax_element(first, first + 3 * range.faceCount);
        range.vertexStart = *low;
        range.vertexCount = *high - *low + 1;
    }
    return table;
}

std::vector<uint32_t> OptimizeMesh(MeshData& mesh, uint32_t flags) {
    if (flags & kMeshOptCompact) Compact(mesh);
    if (flags & kMeshOptAttrSort) SortByAttribute(mesh);
    if (flags & kMeshOptVertexCache) OptimizeForCache(mesh);
    return ComputeAdjacency(mesh);
}

}  // namespace tavrin
