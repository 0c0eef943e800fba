#include "effects/effect.h"

#include "gfxutil/display_device.h"

namespace tavrin {

Effect::Effect(DisplayDevice* display)
    : device(display),
      aspect(display != nullptr && display->height != 0
                 ? static_cast<float>(display->width) / static_cast<float>(display->height)
                 : 0.0f) {}

void Effect::Render(double) {}

}  // namespace tavrin
