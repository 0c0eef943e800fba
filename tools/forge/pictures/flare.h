#pragma once

#include "lib/canvas.h"

namespace tavrin::forge {

Canvas MakeFlare();  // "Flare.bmp": lens flare on black

}  // namespace tavrin::forge
