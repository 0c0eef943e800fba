#pragma once

#include "lib/canvas.h"

// Textures of the stadium model. Cut-out textures carry alpha 0 in their holes: the stadium is
// drawn with an alpha test that discards alpha 64 and below.

namespace tavrin::forge {

// Half sizes of the grass the pitch texture covers, and of the marked field inside it.
inline constexpr double kGrassHalfX = 25.5, kGrassHalfZ = 18.5;
inline constexpr double kFieldHalfX = 21.0, kFieldHalfZ = 13.6;

Canvas PitchTexture();     // grass with mown stripes and the markings, u along x, v along z
Canvas CrowdTexture();     // one row of spectators: people in the upper 60 %, seats below
Canvas BoardsTexture();    // advertising boards: abstract logos on coloured panels
Canvas NetTexture();       // goal net: white cords, holes cut out
Canvas LatticeTexture();   // steel lattice girder: chords and diagonals, holes cut out
Canvas FloodlightTexture();// a bank of lamps

}  // namespace tavrin::forge
