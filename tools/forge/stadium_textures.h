#pragma once

#include "image.h"

// Textures of the stadium model. Cut-out textures carry alpha 0 in their holes: the stadium is
// drawn with an alpha test that discards alpha 64 and below.

namespace tavrin::forge {

// Half sizes of the grass the pitch texture covers, and of the marked field inside it.
inline constexpr double kGrassHalfX = 25.5, kGrassHalfZ = 18.5;
inline constexpr double kFieldHalfX = 21.0, kFieldHalfZ = 13.6;

Image PitchTexture();     // grass with mown stripes and the markings, u along x, v along z
Image CrowdTexture();     // one row of spectators: people in the upper 60 %, seats below
Image BoardsTexture();    // advertising boards: abstract logos on coloured panels
Image NetTexture();       // goal net: white cords, holes cut out
Image LatticeTexture();   // steel lattice girder: chords and diagonals, holes cut out
Image FloodlightTexture();// a bank of lamps

}  // namespace tavrin::forge
