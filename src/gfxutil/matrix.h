#pragma once

#include "d3d/d3dtypes.h"
#include "d3d/matrix_product.h"

// 4 x 4 matrix operations with Direct3D's conventions: row vectors (p' = p * M), row-major storage,
// left-handed coordinates, depth mapped to 0..1. In MatrixMultiply(a, b), a applies first.

namespace tavrin {

D3DMATRIX MatrixIdentity();
D3DMATRIX MatrixTranslation(float x, float y, float z);
D3DMATRIX MatrixScaling(float x, float y, float z);
D3DMATRIX MatrixRotationX(float radians);
D3DMATRIX MatrixRotationY(float radians);
D3DMATRIX MatrixRotationZ(float radians);

// Perspective projection from the view volume's width and height at the near plane.
D3DMATRIX MatrixPerspectiveLH(float width, float height, float zNear, float zFar);

// View matrix: z = normalise(target - eye), x = normalise(up x z), y = z x x.
D3DMATRIX MatrixLookAtLH(const D3DVECTOR& eye, const D3DVECTOR& target, const D3DVECTOR& up);

// p * M with w = 1, divided by the resulting w (a point through a projection lands in clip space / w).
D3DVECTOR TransformCoord(const D3DVECTOR& p, const D3DMATRIX& m);

// p * M with w = 0: a direction through the upper 3 x 3.
D3DVECTOR TransformNormal(const D3DVECTOR& v, const D3DMATRIX& m);

}  // namespace tavrin
