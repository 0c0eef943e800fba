// Small modules built with the XM writer, and a scoped player that runs them offline.
#pragma once

#include <memory>
#include <vector>

#include "music/xm_module.h"
#include "music/xm_writer.h"

namespace tavrin::testing {

struct ModuleDeleter {
    void operator()(XmModule* module) const { FreeModule(module); }
};
using ModulePtr = std::unique_ptr<XmModule, ModuleDeleter>;

ModulePtr LoadSong(const XmSongSpec& song);
ModulePtr LoadBytes(const std::vector<uint8_t>& bytes);

// A 16-bit sample of length elements with a clear waveform (a saw), at the given amplitude.
XmSampleSpec SawSample(uint32_t length, int16_t amplitude = 8000);
// A sample of one constant value: handy for level checks.
XmSampleSpec ConstantSample(uint32_t length, int16_t value);
// An instrument playing sample for every note.
XmInstrumentSpec InstrumentOf(XmSampleSpec sample);
// One pattern of rows rows on channels channels, no instruments.
XmSongSpec EmptySong(uint16_t channels, int32_t rows = 64);

XmNote& Cell(XmSongSpec& song, int pattern, int row, int channel);

// An eight-channel song that uses every effect and volume-column command at moderate levels.
XmSongSpec EveryEffectSong();

// Every channel busy: long looped 16-bit notes with vibrato and slides on all 32 voices.
XmSongSpec ThirtyTwoChannelSong();
// Thirty-two channels over 16- and 8-bit samples with ping-pong and forward loops, chords,
// portamento, arpeggio, panning and volume slides, notes re-struck every few rows.
XmSongSpec BusyPingPongSong();

}  // namespace tavrin::testing
