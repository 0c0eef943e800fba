#pragma once

#include <cstdint>

// Plain records shared by the device layer and everything that computes transforms for it.
// Laid out as Direct3D 8 lays them out: row-major matrices used with row vectors.

using D3DCOLOR = uint32_t;  // ARGB, alpha in the top byte

struct D3DVECTOR {
    float x, y, z;
};

struct D3DMATRIX {
    float m[4][4];
};
