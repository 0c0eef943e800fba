#pragma once

#include "lib/canvas.h"

// The stadium's grass, shared by the three pictures that show it at their own scales: the model's
// pitch texture, the sky box's ground and the mirror ball's floor. Each passes lengths in its own
// ground units and keeps its own light and markings.

namespace tavrin::forge {

// Radius of the centre circle in metres; callers scale it to their units.
inline constexpr double kCentreCircleMetres = 9.15;

// Mown stripes: bands stripeWidth wide across the ground, alternating two greens.
struct MownGrass {
    double stripeWidth;
    Rgba even;  // the band starting at 0
    Rgba odd;
};

// The grass colour at a position measured across the stripes, within 100 stripe widths of 0.
Rgba MownGrassAt(const MownGrass& grass, double across);

}  // namespace tavrin::forge
