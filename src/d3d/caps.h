#pragma once

#include "d3d/d3d8.h"

namespace tavrin::d3d {

// What the OpenGL 3.3 backend can do, in Direct3D's terms: hardware transform and lighting,
// cube maps, DOT3 and the other stage operations the generated programs implement, two
// texture stages, eight directional lights.
void FillCaps(D3DCAPS8& caps);

}  // namespace tavrin::d3d
