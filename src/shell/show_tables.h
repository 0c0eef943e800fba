#pragma once

#include <array>

#include "shell/captions.h"
#include "shell/screen_flash.h"

namespace tavrin {

// The flash cues of the show, fired in order: the black opening, white flashes at the scene
// changes, the fades to black and the veil behind the end scroller. The last one is never reached.
extern const std::array<FlashCue, 14> kShowFlashCues;

// The show's caption table: one caption and the end record. Captions retire in place, so every
// show run starts from a fresh copy.
using ShowCaptionTable = std::array<Caption, 2>;
ShowCaptionTable MakeShowCaptions();

}  // namespace tavrin
