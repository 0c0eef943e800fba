#pragma once

#include "lib/canvas.h"

namespace tavrin::forge {

Canvas MakeTitleArt();  // "Outline_Bunt.tga": the show's title in neon outlines

}  // namespace tavrin::forge
