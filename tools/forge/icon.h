#pragma once

#include "image.h"

namespace tavrin::forge {

// The program's icon: the title picture as the show draws it, lit over black, fitted whole into a
// size x size square (black above and below) by area averaging.
Image MakeIcon(const Image& title, int size);

}  // namespace tavrin::forge
