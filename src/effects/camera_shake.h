#pragma once

#include "d3d/d3dtypes.h"
#include "effects/vec3.h"

namespace tavrin {

// A look-at camera jittered by nine fresh random draws per frame, each (q - 0.5) * amplitude with
// q uniform in [0, 1], in the fixed order up.z, up.y, up.x, target.x, target.y, target.z, eye.x,
// eye.y, eye.z. The draws happen even at amplitude 0, so the sequence advances the same either way.
D3DMATRIX ShakenLookAt(const Vec3& eye, const Vec3& target, const Vec3& up, float amplitude);

// q: a fresh draw of the shared generator scaled to [0, 1].
float UnitRandom();

}  // namespace tavrin
