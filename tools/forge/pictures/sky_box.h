#pragma once

#include <array>

#include "lib/canvas.h"

// The six faces of the trophy scene's sky box. The box draws face k as a quad whose corners carry
// (u, v) = (0, 0), (1, 0), (0, 1), (1, 1) at fixed positions; every texel of a face is painted with
// the sky seen in the direction of its point on that quad, so adjoining faces agree at their edges.

namespace tavrin::forge {

struct SkyFace {
    const char* file;  // archive name
    V3 origin;         // corner at (u 0, v 0)
    V3 alongU;         // corner at (u 1, v 0) minus origin
    V3 alongV;         // corner at (u 0, v 1) minus origin
};

extern const std::array<SkyFace, 6> kSkyFaces;  // Front, Right, Back, Left, Top, Bottom

// Direction from the box's centre to face point (u, v), both in [0, 1].
V3 SkyDirection(const SkyFace& face, double u, double v);

// The sky around the stadium in a unit direction (y up).
Rgba SkyColour(const V3& direction);

// A face of size x size texels; texel centres span the face edge to edge (u = column / (size − 1))
// so a clamped, filtered lookup ends on exactly the colour of the neighbouring face's edge.
Canvas MakeSkyFace(const SkyFace& face, int size);

}  // namespace tavrin::forge
