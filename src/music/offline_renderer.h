// Mixes a playing module into a caller's accumulation buffer exactly as the output ring does:
// one stretch per tick at most, the tick handler whenever the previous tick's frames are done,
// and the music clock advanced by each stretch's truncated length.
#pragma once

#include <cstdint>
#include <functional>

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

// Receives each finished block of interleaved 16-bit stereo PCM; false stops the render.
using PcmSink = std::function<bool(const int16_t* pcm, int32_t frames)>;
// Asked before every stretch; true ends the render there.
using RenderStop = std::function<bool(const XmModule& module)>;

// Plays the module from where it stands at the mixer's rate in blocks of blockFrames, each
// mixed stretch by stretch as the output ring mixes its blocks (so the sound is the same as the
// show's with that block size), and hands each block's PCM to sink, so memory stays the same
// whatever the length. Ends after frameLimit frames, when stop says so (asked before every
// stretch), or when sink refuses a block. Returns the frames made, all of them handed over, or
// -1 when sink refused.
int64_t RenderPcm(XmModule* module, int32_t blockFrames, int64_t frameLimit, const RenderStop& stop,
                  const PcmSink& sink);

}  // namespace tavrin
