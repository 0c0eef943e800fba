#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <map>
#include <set>

#include "gfxutil/mesh_data.h"
#include "gfxutil/mesh_optimize.h"

namespace tavrin {
namespace {

using Triangle = std::array<float, 9>;

// The faces as corner positions, rotated so the smallest corner comes first (the winding is
// kept); grouped by attribute.
std::map<uint32_t, std::multiset<Triangle>> FacesByAttribute(const MeshData& mesh) {
    std::map<uint32_t, std::multiset<Triangle>> faces;
    for (size_t f = 0; f < mesh.FaceCount(); ++f) {
        std::array<std::array<float, 3>, 3> corners;
        for (int k = 0; k < 3; ++k) {
            const MeshVertex& v = mesh.vertices[mesh.indices[3 * f + k]];
            corners[k] = {v.x, v.y, v.z};
        }
        std::rotate(corners.begin(), std::min_element(corners.begin(), corners.end()),
                    corners.end());
        Triangle t;
        for (int k = 0; k < 9; ++k) t[k] = corners[k / 3][k % 3];
        faces[mesh.attributes[f]].insert(t);
    }
    return faces;
}

// A strip of quads along x, two triangles each, with the attributes given per triangle.
MeshData Strip(const std::vector<uint32_t>& attributes) {
    MeshData mesh;
    const size_t quads = (attributes.size() + 1) / 2;
    for (size_t i = 0; i <= quads; ++i) {
        mesh.vertices.push_back({float(i), 0, 0, 0, 0, -1, 0, 0});
        mesh.vertices.push_back({float(i), 1, 0, 0, 0, -1, 0, 1});
    }
    for (size_t t = 0; t < attributes.size(); ++t) {
        const uint32_t base = static_cast<uint32_t>(2 * (t / 2));
        if (t % 2 == 0) {
            mesh.indices.insert(mesh.indices.end(), {base, base + 1, base + 3});
        } else {
            mesh.indices.insert(mesh.indices.end(), {base, base + 3, base + 2});
        }
        mesh.attributes.push_back(attributes[t]);
    }
    return mesh;
}

TEST(MeshOptimize, AttributeSortMakesOneSubsetPerMaterialInOrder) {
    MeshData mesh = Strip({2, 0, 1, 0, 2, 1, 1, 0});
    const auto before = FacesByAttribute(mesh);
    OptimizeMesh(mesh, kMeshOptCompact | kMeshOptAttrSort | kMeshOptVertexCache);
    EXPECT_TRUE(std::is_sorted(mesh.attributes.begin(), mesh.attributes.end()));
    EXPECT_EQ(FacesByAttribute(mesh), before);

    const std::vector<AttributeRange> table = BuildAttributeTable(mesh);
    ASSERT_EQ(table.size(), 3u);
    for (uint32_t i = 0; i < 3; ++i) {
        EXPECT_EQ(table[i].attribute, i);
        EXPECT_EQ(table[i].faceCount, before.at(i).size());
        // The vertex range covers every index the subset uses.
        for (uint32_t f = table[i].faceStart; f < table[i].faceStart + table[i].faceCount; ++f) {
            for (int k = 0; k < 3; ++k) {
                EXPECT_GE(mesh.indices[3 * f + k], table[i].vertexStart);
                EXPECT_LT(mesh.indices[3 * f + k], table[i].vertexStart + table[i].vertexCount);
            }
        }
    }
}

TEST(MeshOptimize, CompactDropsDegenerateFacesAndUnusedVertices) {
    MeshData mesh = Strip({0, 1, 0, 1});
    mesh.vertices.push_back({9, 9, 9, 0, 0, 0, 0, 0});   // never used
    mesh.indices.insert(mesh.indices.end(), {3, 3, 4});  // degenerate
    mesh.attributes.push_back(1);
    const auto before = FacesByAttribute(Strip({0, 1, 0, 1}));
    OptimizeMesh(mesh, kMeshOptCompact);
    EXPECT_EQ(mesh.FaceCount(), 4u);
    EXPECT_EQ(mesh.vertices.size(), 6u);
    EXPECT_EQ(FacesByAttribute(mesh), before);
    // Without attribute sorting the face order stays.
    EXPECT_EQ(mesh.attributes, (std::vector<uint32_t>{0, 1, 0, 1}));
    EXPECT_EQ(BuildAttributeTable(mesh).size(), 4u);
}

TEST(MeshOptimize, VertexCacheOrderNumbersVerticesByFirstUse) {
    MeshData mesh = Strip(std::vector<uint32_t>(40, 0));
    std::reverse(mesh.vertices.begin(), mesh.vertices.end());
    for (uint32_t& index : mesh.indices)
        index = static_cast<uint32_t>(mesh.vertices.size()) - 1 - index;
    const auto before = FacesByAttribute(mesh);
    OptimizeMesh(mesh, kMeshOptVertexCache);
    EXPECT_EQ(FacesByAttribute(mesh), before);
    uint32_t next = 0;
    for (uint32_t index : mesh.indices) {
        ASSERT_LE(index, next);
        if (index == next) ++next;
    }
}

TEST(MeshAdjacency, NeighboursAcrossSharedEdgesAndSplitVertices) {
    MeshData mesh = Strip({0, 0, 0, 0});
    // Give the second quad its own copies of the shared corners (as a different normal would).
    const uint32_t copyBase = static_cast<uint32_t>(mesh.vertices.size());
    mesh.vertices.push_back(mesh.vertices[2]);
    mesh.vertices.push_back(mesh.vertices[3]);
    for (size_t i = 6; i < 12; ++i) {
        if (mesh.indices[i] == 2) mesh.indices[i] = copyBase;
        if (mesh.indices[i] == 3) mesh.indices[i] = copyBase + 1;
    }
    const std::vector<uint32_t> adjacency = ComputeAdjacency(mesh);
    // Face 0 = (0, 1, 3): edge 1-3 borders nothing, 3-0 is the diagonal shared with face 1.
    EXPECT_EQ(adjacency[0], kNoNeighbour);
    EXPECT_EQ(adjacency[1], kNoNeighbour);
    EXPECT_EQ(adjacency[2], 1u);
    // Face 1 = (0, 3, 2): edge 3-2 is shared with face 2 = (2', 3', 5) through the copies.
    EXPECT_EQ(adjacency[3 + 1], 2u);
    EXPECT_EQ(adjacency[3 * 2 + 0], 1u);
    EXPECT_EQ(std::count(adjacency.begin(), adjacency.end(), kNoNeighbour), 6);
}

}  // namespace
}  // namespace tavrin
