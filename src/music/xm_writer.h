// Builds XM files: header, packed patterns, instruments with envelopes and auto-vibrato, and
// delta-coded 8- or 16-bit samples, in the layout FastTracker 2 writes and other trackers read.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "music/xm_module.h"

namespace tavrin {

struct XmSampleSpec {
    std::vector<int16_t> pcm;  // 8-bit samples keep the high byte of each value
    bool sixteenBit = true;
    uint8_t loopMode = kLoopNone;
    uint32_t loopStart = 0;  // in elements
    uint32_t loopLength = 0;
    uint8_t volume = 64;
    int8_t finetune = 0;
    uint8_t panning = 128;
    int8_t relativeNote = 0;
    std::string name;
};

struct XmEnvelopeSpec {
    std::vector<EnvelopePoint> points;  // at most 12
    uint8_t type = 0;                   // kEnvelopeOn | kEnvelopeSustain | kEnvelopeLoop
    uint8_t sustainPoint = 0;
    uint8_t loopStart = 0;
    uint8_t loopEnd = 0;
};

struct XmInstrumentSpec {
    std::string name;
    std::vector<XmSampleSpec> samples;  // at most 16
    std::array<uint8_t, kNoteCount> sampleForNote{};
    XmEnvelopeSpec volumeEnvelope;
    XmEnvelopeSpec panningEnvelope;
    uint8_t vibratoType = 0;
    uint8_t vibratoSweep = 0;
    uint8_t vibratoDepth = 0;
    uint8_t vibratoRate = 0;
    uint16_t fadeout = 0;  // as stored in the file
};

struct XmPatternSpec {
    int32_t rows = 64;
    std::vector<XmNote> cells;  // rows x channelCount, row-major; missing cells are empty
};

// Sizes the file states for its parts. The defaults are FastTracker 2's; other trackers write
// other sizes, and these let a test build such files.
struct XmLayoutSpec {
    uint32_t patternHeaderLength = 9;     // bytes before the packed data, zero-padded past 9
    int32_t extraPackedBytes = 0;         // appended to each non-empty pattern (negative: cut)
    uint32_t instrumentHeaderSize = 263;  // smaller cuts the header's fields, larger pads it
    uint32_t sampleHeaderSize = 40;       // as stored; each sample header is padded to it
};

struct XmSongSpec {
    std::string name;
    uint16_t channelCount = 4;
    uint16_t flags = kLinearFrequencies;
    uint16_t speed = 6;
    uint16_t bpm = 125;
    uint16_t restartPosition = 0;
    std::vector<uint8_t> orders;
    std::vector<XmPatternSpec> patterns;
    std::vector<XmInstrumentSpec> instruments;
    XmLayoutSpec layout;
};

std::vector<uint8_t> WriteXm(const XmSongSpec& song);

// Packs one pattern's cells as the file stores them (empty cells take one byte).
std::vector<uint8_t> PackPattern(const XmNote* cells, size_t cellCount);

}  // namespace tavrin
