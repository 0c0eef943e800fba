#include "song_fixtures.h"

#include <cmath>

#include "music/memory_module.h"

namespace tavrin::testing {

ModulePtr LoadBytes(const std::vector<uint8_t>& bytes) {
    return ModulePtr(LoadModuleFromMemory(bytes.data(), bytes.size()));
}

ModulePtr LoadSong(const XmSongSpec& song) {
    return LoadBytes(WriteXm(song));
}

XmSampleSpec SawSample(uint32_t length, int16_t amplitude) {
    XmSampleSpec sample;
    for (uint32_t i = 0; i < length; ++i)
        sample.pcm.push_back(
            static_cast<int16_t>(-amplitude + 2 * amplitude * int64_t(i % 64) / 64));
    return sample;
}

XmSampleSpec ConstantSample(uint32_t length, int16_t value) {
    XmSampleSpec sample;
    sample.pcm.assign(length, value);
    return sample;
}

XmInstrumentSpec InstrumentOf(XmSampleSpec sample) {
    XmInstrumentSpec instrument;
    instrument.samples.push_back(std::move(sample));
    return instrument;
}

XmSongSpec EmptySong(uint16_t channels, int32_t rows) {
    XmSongSpec song;
    song.channelCount = channels;
    song.orders = {0};
    song.patterns.resize(1);
    song.patterns[0].rows = rows;
    song.patterns[0].cells.resize(static_cast<size_t>(rows) * channels);
    return song;
}

XmNote& Cell(XmSongSpec& song, int pattern, int row, int channel) {
    XmPatternSpec& p = song.patterns[pattern];
    p.cells.resize(static_cast<size_t>(p.rows) * song.channelCount);
    return p.cells[static_cast<size_t>(row) * song.channelCount + channel];
}

namespace {

XmSampleSpec SineSample(uint32_t length, double cycles, int16_t amplitude) {
    XmSampleSpec sample;
    for (uint32_t i = 0; i < length; ++i)
        sample.pcm.push_back(
            static_cast<int16_t>(amplitude * std::sin(6.283185307 * cycles * i / length)));
    return sample;
}

XmSampleSpec NoiseSample(uint32_t length, int16_t amplitude) {
    XmSampleSpec sample;
    uint32_t state = 12345;
    for (uint32_t i = 0; i < length; ++i) {
        state = state * 1103515245u + 12345u;
        const double decay = 1.0 - static_cast<double>(i) / length;
        sample.pcm.push_back(
            static_cast<int16_t>(((state >> 16) % 2001 - 1000) * amplitude / 1000 * decay));
    }
    return sample;
}

XmInstrumentSpec Lead() {
    XmSampleSpec sample = SineSample(256, 4, 6000);
    sample.loopMode = kLoopForward;
    sample.loopLength = 256;
    XmInstrumentSpec instrument = InstrumentOf(sample);
    instrument.name = "lead";
    instrument.volumeEnvelope = {
        {{0, 0}, {8, 64}, {32, 40}, {64, 20}, {96, 0}}, kEnvelopeOn | kEnvelopeSustain, 2, 0, 0};
    instrument.fadeout = 256;
    instrument.vibratoType = 0;
    instrument.vibratoSweep = 16;
    instrument.vibratoDepth = 8;
    instrument.vibratoRate = 20;
    return instrument;
}

XmInstrumentSpec Pad() {
    XmSampleSpec sample = SineSample(512, 2, 5000);
    sample.sixteenBit = false;
    sample.loopMode = kLoopPingPong;
    sample.loopStart = 128;
    sample.loopLength = 256;
    sample.volume = 48;
    XmInstrumentSpec instrument = InstrumentOf(sample);
    instrument.name = "pad";
    instrument.panningEnvelope = {
        {{0, 32}, {16, 0}, {48, 64}, {64, 32}}, kEnvelopeOn | kEnvelopeLoop, 0, 1, 3};
    instrument.volumeEnvelope = {
        {{0, 64}, {40, 32}, {80, 48}}, kEnvelopeOn | kEnvelopeLoop, 0, 1, 2};
    instrument.fadeout = 1024;
    instrument.vibratoType = 1;
    instrument.vibratoDepth = 4;
    instrument.vibratoRate = 8;
    return instrument;
}

XmInstrumentSpec Drum() {
    XmInstrumentSpec instrument = InstrumentOf(NoiseSample(4000, 7000));
    instrument.name = "drum";
    return instrument;
}

XmInstrumentSpec Bass() {
    XmSampleSpec sample = SawSample(64, 5000);
    sample.sixteenBit = false;
    sample.loopMode = kLoopForward;
    sample.loopLength = 64;
    sample.relativeNote = -12;
    sample.finetune = 16;
    XmInstrumentSpec instrument = InstrumentOf(sample);
    instrument.name = "bass";
    instrument.vibratoType = 2;
    instrument.vibratoDepth = 2;
    instrument.vibratoRate = 4;
    return instrument;
}

struct EffectUse {
    uint8_t effect;
    uint8_t parameter;
};

// Effects the lead channel walks through, one a row, each after a fresh note.
constexpr EffectUse kLeadEffects[] = {
    {0x0, 0x37}, {0x1, 0x04}, {0x2, 0x04}, {0x3, 0x08}, {0x4, 0x46}, {0x5, 0x02}, {0x6, 0x10},
    {0x7, 0x48}, {0x8, 0x40}, {0x9, 0x01}, {0xA, 0x0F}, {0xC, 0x30}, {0xE, 0x12}, {0xE, 0x22},
    {0xE, 0x41}, {0xE, 0x54}, {0xE, 0x71}, {0xE, 0x8C}, {0xE, 0x93}, {0xE, 0xA4}, {0xE, 0xB4},
    {0xE, 0xC3}, {0xE, 0xD2}, {16, 0x30},  {17, 0x02},  {20, 0x00},  {21, 0x10},  {25, 0x20},
    {27, 0x83},  {29, 0x21},  {33, 0x13},  {33, 0x23},  {0x1, 0x00}, {17, 0x20},  {16, 0x40},
};

constexpr uint8_t kVolumeColumn[] = {0x30, 0x62, 0x72, 0x84, 0x94, 0xA4,
                                     0xB6, 0xC4, 0xD2, 0xE2, 0xF4};

}  // namespace

XmSongSpec EveryEffectSong() {
    XmSongSpec song;
    song.name = "every effect";
    song.channelCount = 8;
    song.speed = 6;
    song.bpm = 140;
    song.orders = {0, 1, 2, 3, 1};
    song.restartPosition = 1;
    song.instruments = {Lead(), Pad(), Drum(), Bass()};
    song.patterns.resize(4);
    for (int p = 0; p < 4; ++p) {
        song.patterns[p].rows = 64;
        for (int r = 0; r < 64; ++r) {
            if (r % 4 == 0) Cell(song, p, r, 0) = {uint8_t(37 + (r / 4 + p) % 5 * 2), 4, 0, 0, 0};
            if (r % 8 == 4) Cell(song, p, r, 1) = {49, 3, 0x38, 0, 0};
            const EffectUse& use = kLeadEffects[(p * 64 + r) % std::size(kLeadEffects)];
            if (r % 2 == 0)
                Cell(song, p, r, 2) = {uint8_t(49 + r % 12), 1, 0, use.effect, use.parameter};
            else
                Cell(song, p, r, 2) = {0, 0, 0, use.effect, use.parameter};
            if (r % 16 == 0) Cell(song, p, r, 3) = {uint8_t(61 + p), 2, 0, 0, 0};
            Cell(song, p, r, 3).volume = kVolumeColumn[(p * 64 + r) % std::size(kVolumeColumn)];
            if (r % 16 == 12) Cell(song, p, r, 3).note = kKeyOffNote;
        }
    }
    // Timing commands in their own channels: tempo and speed, pattern delay, loop, break, jump.
    Cell(song, 0, 0, 4) = {0, 0, 0, 0xF, 0x05};
    Cell(song, 0, 32, 4) = {0, 0, 0, 0xF, 0x80};
    Cell(song, 1, 8, 4) = {0, 0, 0, 0xE, 0xE1};
    Cell(song, 1, 16, 5) = {0, 0, 0, 0xE, 0x60};
    Cell(song, 1, 19, 5) = {0, 0, 0, 0xE, 0x61};
    Cell(song, 2, 48, 4) = {0, 0, 0, 0xD, 0x04};
    Cell(song, 3, 60, 4) = {0, 0, 0, 0xB, 0x04};
    Cell(song, 3, 0, 6) = {25, 4, 0x20, 0x3, 0x10};
    Cell(song, 3, 1, 6) = {0, 0, 0, 0x5, 0x0A};
    Cell(song, 3, 4, 7) = {49, 2, 0, 0xE, 0xF0};
    return song;
}

XmSongSpec ThirtyTwoChannelSong() {
    XmSongSpec song = EmptySong(32, 64);
    song.bpm = 150;
    XmSampleSpec sample = SawSample(4096, 900);
    sample.loopMode = kLoopForward;
    sample.loopStart = 1024;
    sample.loopLength = 3072;
    song.instruments.push_back(InstrumentOf(sample));
    for (int k = 0; k < 32; ++k)
        for (int row = 0; row < 64; row += 16)
            Cell(song, 0, row + k % 4, k) = {uint8_t(25 + (k * 7 + row) % 48), 1, 0,
                                             uint8_t(row % 32 ? 0x4 : 0xA),
                                             uint8_t(row % 32 ? 0x34 : 0x01)};
    return song;
}

XmSongSpec BusyPingPongSong() {
    XmSongSpec song = EmptySong(32, 32);
    song.bpm = 140;
    XmSampleSpec strings = SineSample(3000, 11, 900);
    strings.loopMode = kLoopPingPong;
    strings.loopStart = 700;
    strings.loopLength = 1900;
    XmSampleSpec reed = NoiseSample(2048, 700);
    reed.loopMode = kLoopPingPong;
    reed.loopStart = 10;
    reed.loopLength = 2000;
    XmSampleSpec organ = SawSample(1024, 800);
    organ.sixteenBit = false;
    organ.loopMode = kLoopPingPong;
    organ.loopLength = 1024;  // from element 0
    XmSampleSpec pluck = SawSample(512, 900);
    pluck.loopMode = kLoopForward;
    pluck.loopStart = 256;
    pluck.loopLength = 256;
    for (XmSampleSpec* sample : {&strings, &reed, &organ, &pluck})
        song.instruments.push_back(InstrumentOf(*sample));
    constexpr EffectUse kEffects[] = {{0x4, 0x38}, {0x0, 0x47}, {0x1, 0x02}, {0x2, 0x03},
                                      {0xA, 0x20}, {0x3, 0x10}, {0x8, 0x20}, {0x7, 0x24}};
    song.patterns.resize(2, song.patterns[0]);
    song.orders = {0, 1, 0, 1};
    for (int p = 0; p < 2; ++p)
        for (int k = 0; k < 32; ++k)
            for (int row = k % 3; row < 32; row += 6 + k % 5) {
                const EffectUse use = kEffects[(k + row + p) % 8];
                Cell(song, p, row, k) = {
                    uint8_t(13 + (k * 5 + row * 3 + p * 7) % 60), uint8_t(1 + (k + p) % 4),
                    uint8_t(row % 4 ? 0 : 0x20 + k % 32), use.effect, use.parameter};
            }
    return song;
}

}  // namespace tavrin::testing
