#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "lib/canvas.h"

// A triangle mesh on its way into an X file: per-vertex position, normal and texture coordinate,
// faces with a material each. Coordinates are the show's: left-handed, y up, v = 0 at the top of
// a texture. Front faces wind clockwise as seen from outside (the show culls counter-clockwise).

namespace tavrin::forge {

struct Material {
    std::string name;
    Rgba diffuse{1, 1, 1, 1};
    double power = 20.0;
    V3 specular{0.5, 0.5, 0.5};
    V3 emissive{0, 0, 0};
    std::string texture;  // archive name, empty for none
};

struct Face {
    uint32_t a, b, c;
    uint32_t material;
};

struct TriangleMesh {
    std::string name;
    std::vector<V3> positions;
    std::vector<V3> normals;
    std::vector<V2> uvs;
    std::vector<Face> faces;
    std::vector<Material> materials;

    uint32_t AddMaterial(Material material);
    uint32_t AddVertex(const V3& position, const V3& normal, V2 uv);
    // Winds the triangle so that its front is on the side its vertex normals point to.
    void AddTriangle(uint32_t a, uint32_t b, uint32_t c, uint32_t material);
    // Quad a b c d in order around its edge, split along a-c.
    void AddQuad(uint32_t a, uint32_t b, uint32_t c, uint32_t d, uint32_t material);
};

// Axis-aligned box, flat-shaded; texture coordinates span each face once times uvScale per unit.
void AddBox(TriangleMesh& mesh, const V3& low, const V3& high, uint32_t material,
            double uvScale = 0.0);

// Flat rectangle from origin along edges du and dv, normal du x dv, texture (u0, v0)..(u1, v1).
void AddPanel(TriangleMesh& mesh, const V3& origin, const V3& du, const V3& dv, V2 uv0, V2 uv1,
              uint32_t material);

// Surface of revolution about the y axis of a profile of (radius, height) points, smooth along the
// profile; normals point to the right of the profile's direction in the (radius right, height up)
// plane, so a profile climbing the outside and descending the inside shades both walls correctly.
void AddLathe(TriangleMesh& mesh, const std::vector<V2>& profile, int segments, uint32_t material);

// A round tube of the given radius swept along a path, with parallel-transported cross sections.
void AddTube(TriangleMesh& mesh, const std::vector<V3>& path, double radius, int sides,
             uint32_t material);

// Smooth surface from loose triangles: vertices that meet (to 1e-7) are merged and get the
// area-weighted mean normal; 'outward' orients each triangle (its front faces that way).
void AddWeldedSurface(TriangleMesh& mesh, const std::vector<std::array<V3, 3>>& triangles,
                      V3 (*outward)(const V3&), uint32_t material);

}  // namespace tavrin::forge
