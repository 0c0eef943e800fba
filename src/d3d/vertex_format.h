#pragma once

#include <array>
#include <cstdint>

#include "d3d/d3dtypes.h"

namespace tavrin::d3d {

inline constexpr int kMaxTexCoordSets = 8;

// Where each element of a flexible-vertex-format vertex lies, in bytes from the vertex start.
// An absent element has offset -1.
struct VertexLayout {
    bool valid = false;
    bool transformed = false;  // XYZRHW: screen position and reciprocal w, no transform or lighting
    int position = 0;
    int normal = -1;
    int diffuse = -1;
    int specular = -1;
    int texCoordCount = 0;
    std::array<int, kMaxTexCoordSets> texCoord{};
    std::array<uint8_t, kMaxTexCoordSets> texCoordSize{};  // floats per set, 1..4
    int stride = 0;
};

// Decodes a D3DFVF_* combination; `valid` is false for formats the renderer does not draw
// (no position, blend weights, point sizes).
VertexLayout DecodeVertexFormat(DWORD fvf);

// Vertices needed for `primitives` primitives of `type`; 0 for an unknown type.
UINT VertexCountFor(D3DPRIMITIVETYPE type, UINT primitives);

}  // namespace tavrin::d3d
