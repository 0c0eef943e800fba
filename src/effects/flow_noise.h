#pragma once

#include "effects/vec3.h"

namespace tavrin {

// Three-dimensional Perlin gradient noise whose lattice gradients turn with a frame (three
// orthonormal rows), so the pattern tumbles with the object it is attached to.
//
// The permutation and gradient tables are process-wide and drawn from Rand() once, on the first
// noise evaluation (or an earlier InitialiseNoiseTables), so their values depend on how many draws
// came before.
void InitialiseNoiseTables();

// The gradients turned by one frame: rotate once, then evaluate the noise any number of times.
class FlowNoise {
public:
    // Rows of the frame; g' = (row0 . g, row1 . g, row2 . g) for every lattice gradient g.
    void SetFrame(const Vec3& row0, const Vec3& row1, const Vec3& row2);

    // Safe to call from several threads at once once the frame is set.
    float operator()(const Vec3& q) const;

    static constexpr int kTableSize = 256 + 258;

private:
    Vec3 gradients_[kTableSize];
};

}  // namespace tavrin
