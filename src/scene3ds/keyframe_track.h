#pragma once

#include "scene3ds/scene3ds.h"

namespace tavrin {

// Fills every key's in- and out-tangent from the values, frames and tension, continuity and bias
// of its neighbours (Kochanek-Bartels).
void PrepareTangents(SceneTrack* track);

// The ease curve between two keys: u in [0, 1) bent by easeFrom (a) and easeTo (b).
double Ease(double u, double a, double b);

}  // namespace tavrin
