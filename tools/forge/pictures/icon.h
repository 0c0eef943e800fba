#pragma once

#include "lib/canvas.h"

namespace tavrin::forge {

// The program's icon: the title picture as the show draws it, lit over black, fitted whole into a
// size x size square (black above and below) by area averaging.
Canvas MakeIcon(const Canvas& title, int size);

}  // namespace tavrin::forge
