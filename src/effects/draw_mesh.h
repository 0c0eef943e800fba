#pragma once

#include "archive/mesh_model.h"

namespace tavrin {

// Draws the model material by material: for each i, material i and texture i (null included) on
// stage 0, then subset i. Transforms, render states and lights are left as the caller set them.
void DrawMesh(const MeshModel& model);

}  // namespace tavrin
