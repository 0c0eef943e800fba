#pragma once

#include <vector>

#include "music/xm_writer.h"

// The soundtrack's instruments, synthesised sample by sample. Every sample is made at
// 4 x 8363 Hz with relative note +24, so C-4 plays it back at the rate it was made, and tonal
// samples sound their written pitch.

namespace tavrin::forge {

// Instrument numbers as the patterns use them (1-based, as in the file).
enum SongInstrument : uint8_t {
    kKick = 1,
    kSnare,
    kHat,
    kBass,
    kPad,
    kLead,
    kPluck,
    kCrash,
    kRiser,
    kInstrumentCount = kRiser,
};

std::vector<XmInstrumentSpec> SongInstruments();

}  // namespace tavrin::forge
