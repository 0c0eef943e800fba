#include "lib/triangle_mesh.h"

#include <cmath>
#include <map>
#include <tuple>

namespace tavrin::forge {

uint32_t TriangleMesh::AddMaterial(Material material) {
    materials.push_back(std::move(material));
    return static_cast<uint32_t>(materials.size() - 1);
}

uint32_t TriangleMesh::AddVertex(const V3& position, const V3& normal, V2 uv) {
    positions.push_back(position);
    normals.push_back(Normalised(normal));
    uvs.push_back(uv);
    return static_cast<uint32_t>(positions.size() - 1);
}

void TriangleMesh::AddTriangle(uint32_t a, uint32_t b, uint32_t c, uint32_t material) {
    const V3 facing = Cross(positions[b] - positions[a], positions[c] - positions[a]);
    const V3 wanted = normals[a] + normals[b] + normals[c];
    if (Dot(facing, wanted) < 0.0) std::swap(b, c);
    faces.push_back({a, b, c, material});
}

void TriangleMesh::AddQuad(uint32_t a, uint32_t b, uint32_t c, uint32_t d, uint32_t material) {
    AddTriangle(a, b, c, material);
    AddTriangle(a, c, d, material);
}

void AddPanel(TriangleMesh& mesh, const V3& origin, const V3& du, const V3& dv, V2 uv0, V2 uv1,
              uint32_t material) {
    const V3 n = Normalised(Cross(du, dv));
    const uint32_t a = mesh.AddVertex(origin, n, uv0);
    const uint32_t b = mesh.AddVertex(origin + du, n, {uv1.x, uv0.y});
    const uint32_t c = mesh.AddVertex(origin + du + dv, n, uv1);
    const uint32_t d = mesh.AddVertex(origin + dv, n, {uv0.x, uv1.y});
    mesh.AddQuad(a, b, c, d, material);
}

void AddBox(TriangleMesh& mesh, const V3& low, const V3& high, uint32_t material, double uvScale) {
    const V3 size = high - low;
    auto panel = [&](const V3& origin, const V3& du, const V3& dv) {
        const V2 uv1 = uvScale > 0.0 ? V2{Length(du) * uvScale, Length(dv) * uvScale} : V2{1, 1};
        AddPanel(mesh, origin, du, dv, {0, 0}, uv1, material);
    };
    const V3 dx{size.x, 0, 0}, dy{0, size.y, 0}, dz{0, 0, size.z};
    // Each face's edge pair chosen so du x dv points outward.
    panel(low, dy, dx);                       // -z
    panel(low + dz, dx, dy);                  // +z
    panel(low, dz, dy);                       // -x
    panel(low + dx, dy, dz);                  // +x
    panel(low, dx, dz);                       // -y
    panel(low + dy, dz, dx);                  // +y
}

void AddLathe(TriangleMesh& mesh, const std::vector<V2>& profile, int segments, uint32_t material) {
    const size_t count = profile.size();
    if (count < 2 || segments < 3) return;
    std::vector<double> along(count, 0.0);
    for (size_t i = 1; i < count; ++i) along[i] = along[i - 1] + Length(profile[i] - profile[i - 1]);
    const uint32_t first = static_cast<uint32_t>(mesh.positions.size());
    for (size_t i = 0; i < count; ++i) {
        const V2 tangent = profile[std::min(i + 1, count - 1)] - profile[i == 0 ? 0 : i - 1];
        const V2 normal2{tangent.y, -tangent.x};  // right of the direction of travel
        for (int s = 0; s <= segments; ++s) {
            const double angle = 2.0 * kPi * s / segments;
            const double c = std::cos(angle), sn = std::sin(angle);
            const V3 position{profile[i].x * c, profile[i].y, profile[i].x * sn};
            const V3 normal{normal2.x * c, normal2.y, normal2.x * sn};
            mesh.AddVertex(position, normal, {double(s) / segments, along[i] / along.back()});
        }
    }
    const uint32_t row = static_cast<uint32_t>(segments + 1);
    for (uint32_t i = 0; i + 1 < count; ++i) {
        for (uint32_t s = 0; s < static_cast<uint32_t>(segments); ++s) {
            const uint32_t a = first + i * row + s;
            // Rings of zero radius (a closed top or bottom) would give degenerate triangles.
            if (profile[i].x > 1e-9) mesh.AddTriangle(a, a + 1, a + row + 1, material);
            if (profile[i + 1].x > 1e-9) mesh.AddTriangle(a, a + row + 1, a + row, material);
        }
    }
}

void AddTube(TriangleMesh& mesh, const std::vector<V3>& path, double radius, int sides,
             uint32_t material) {
    const size_t count = path.size();
    if (count < 2 || sides < 3) return;
    auto tangentAt = [&](size_t i) {
        return Normalised(path[std::min(i + 1, count - 1)] - path[i == 0 ? 0 : i - 1]);
    };
    V3 t = tangentAt(0);
    V3 side = std::fabs(t.y) < 0.9 ? Normalised(Cross(t, {0, 1, 0})) : Normalised(Cross(t, {1, 0, 0}));
    const uint32_t first = static_cast<uint32_t>(mesh.positions.size());
    for (size_t i = 0; i < count; ++i) {
        const V3 next = tangentAt(i);
        // Parallel transport: remove the new tangent's component from the previous side vector.
        side = Normalised(side - next * Dot(side, next));
        t = next;
        const V3 up = Cross(t, side);
        for (int s = 0; s <= sides; ++s) {
            const double angle = 2.0 * kPi * s / sides;
            const V3 n = side * std::cos(angle) + up * std::sin(angle);
            mesh.AddVertex(path[i] + n * radius, n, {double(s) / sides, double(i) / (count - 1)});
        }
    }
    const uint32_t row = static_cast<uint32_t>(sides + 1);
    for (uint32_t i = 0; i + 1 < count; ++i) {
        for (uint32_t s = 0; s < static_cast<uint32_t>(sides); ++s) {
            const uint32_t a = first + i * row + s;
            mesh.AddQuad(a, a + 1, a + row + 1, a + row, material);
        }
    }
}

void AddWeldedSurface(TriangleMesh& mesh, const std::vector<std::array<V3, 3>>& triangles,
                      V3 (*outward)(const V3&), uint32_t material) {
    using Key = std::tuple<long long, long long, long long>;
    auto keyOf = [](const V3& p) {
        return Key{std::llround(p.x * 1e7), std::llround(p.y * 1e7), std::llround(p.z * 1e7)};
    };
    std::map<Key, uint32_t> index;
    std::vector<V3> points, sums;
    std::vector<std::array<uint32_t, 3>> corners;
    for (const auto& t : triangles) {
        std::array<uint32_t, 3> ids{};
        for (int k = 0; k < 3; ++k) {
            auto [it, added] = index.try_emplace(keyOf(t[k]), static_cast<uint32_t>(points.size()));
            if (added) {
                points.push_back(t[k]);
                sums.push_back({});
            }
            ids[k] = it->second;
        }
        V3 area = Cross(t[1] - t[0], t[2] - t[0]);
        if (Dot(area, outward(t[0])) < 0.0) area = -area;
        for (uint32_t id : ids) sums[id] = sums[id] + area;
        corners.push_back(ids);
    }
    const uint32_t first = static_cast<uint32_t>(mesh.positions.size());
    for (size_t i = 0; i < points.size(); ++i) {
        const V3 n = Normalised(sums[i]);
        // Spherical texture coordinates: harmless where the material has no texture.
        mesh.AddVertex(points[i], n, {0.5 + std::atan2(n.x, n.z) / (2.0 * kPi), 0.5 - n.y * 0.5});
    }
    for (const auto& c : corners) {
        if (c[0] == c[1] || c[1] == c[2] || c[0] == c[2]) continue;
        mesh.AddTriangle(first + c[0], first + c[1], first + c[2], material);
    }
}

}  // namespace tavrin::forge
