// The music clock the show runs on: the music time of the block the device is playing.
#pragma once

#include <cstdint>

#include "music/xm_module.h"

namespace tavrin {

// Whole milliseconds of music up to the end of the block being heard; 0 with no module or when
// `module` is not playing. Never goes backwards during play; the song's own wrap does not reset it.
uint32_t PlayedMilliseconds(const XmModule* module);

// The order and row (low 8 bits) reached at the end of the block being heard; 0 like the time.
uint8_t PlayedOrder(const XmModule* module);
uint8_t PlayedRow(const XmModule* module);

// Milliseconds as the show's song time in seconds.
float SongSeconds(uint32_t milliseconds);

}  // namespace tavrin
