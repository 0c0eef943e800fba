// Mixes a playing module into a caller's accumulation buffer exactly as the output ring does:
// one stretch per tick at most, the tick handler whenever the previous tick's frames are done,
// and the music clock advanced by each stretch's truncated length.
#pragma once

#include <cstdint>

#include "music/xm_module.h"

namespace tavrin {

// 1 / rate as the 32-bit float the music clock is built on.
float InverseRate(int32_t rate);

// Runs the tick handler if a tick is due, then adds at most maxFrames frames of the current
// tick to accumulation and advances playedMilliseconds. Returns the frames mixed (> 0 when
// maxFrames > 0).
int32_t RenderStretch(XmModule* module, float* accumulation, int32_t maxFrames, float inverseRate);

// Adds frameCount frames to accumulation, stretch by stretch. Afterwards the module's order,
// row and playedMilliseconds are the stamp of the frames just mixed.
void RenderFrames(XmModule* module, float* accumulation, int32_t frameCount, float inverseRate);

}  // namespace tavrin
