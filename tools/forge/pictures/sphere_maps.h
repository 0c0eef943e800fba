#pragma once

#include "lib/canvas.h"

// The pictures read through sphere-map coordinates: two mirror balls and the normal map the tori
// and the stadium's metaballs are lit with.
// Sizes are the files' sizes.

namespace tavrin::forge {

// Sphere maps are looked up with u = 0.5 + scale * n.x, v = 0.5 - scale * n.y from the camera-space
// normal n; scale is the radius of the mirrored sphere in texture units.
inline constexpr double kBlueEnvScale = 0.49;    // blob and torus lookups
inline constexpr double kStadiumEnvScale = 0.4;  // the metaballs over the pitch

Canvas MakeBlueEnv();     // "BlueEnv.bmp": a blue photo studio reflected in a chrome ball
Canvas MakeStadiumEnv();  // "FussballEnv.tga": pitch below, stands and floodlights, night sky
Canvas MakeSphereBump();  // "SphereBump.bmp": sphere normals bent by a dimpled height field

// Turns a height field into the normal map of a sphere seen through sphere-map coordinates with
// the given scale: each texel holds (n + 1) / 2 of the sphere normal tilted against the height
// gradient by 'strength'. Texels outside the sphere repeat its rim, so filtering never reads black.
Canvas SphereNormalMap(const Canvas& height, double scale, double strength);

}  // namespace tavrin::forge
