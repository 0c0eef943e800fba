#pragma once

#include "d3d/d3dtypes.h"

namespace tavrin {

// The product a * b of two Direct3D matrices (row vectors, so a applies first). The device
// layer composes its transforms with it and the layers above use it through gfxutil/matrix.h.
D3DMATRIX MatrixMultiply(const D3DMATRIX& a, const D3DMATRIX& b);

}  // namespace tavrin
