// Instrument envelopes (16.16 values stepped once a tick) and the instrument's auto-vibrato.
#include <algorithm>
#include <array>
#include <cmath>

#include "music/replay_internal.h"

namespace tavrin {

namespace {

constexpr int32_t kValueLimit = 64 << 16;

struct EnvelopeCursor {
    int32_t& tick;
    int32_t& point;
    int32_t& value;
    int32_t& output;
    int32_t& step;
    uint8_t& done;
};

struct EnvelopeShape {
    const EnvelopePoint* points;
    int32_t count;
    uint8_t type;
    int32_t sustain;
    int32_t loopStart;
    int32_t loopEnd;
};

int32_t SlopeBetween(const EnvelopePoint& from, const EnvelopePoint& to) {
    const int32_t ticks = to.tick - from.tick;
    return ticks ? (to.value - from.value) * 65536 / ticks : 0;
}

void Step(EnvelopeCursor e, const EnvelopeShape& shape, bool keyOff) {
    if (e.point < shape.count) {
        if (shape.points[e.point].tick == e.tick) {
            if ((shape.type & kEnvelopeLoop) && e.point == shape.loopEnd) {
                e.point = shape.loopStart;
                e.tick = shape.points[shape.loopStart].tick;
            }
            const int32_t i = e.point;
            if (i == shape.count - 1) {
                e.output = shape.points[i].value;
                e.done = 1;
                return;
            }
            if ((shape.type & kEnvelopeSustain) && i == shape.sustain && !keyOff) {
                e.output = shape.points[i].value;  // held here until key off
                return;
            }
            e.step = SlopeBetween(shape.points[i], shape.points[i + 1]);
            e.value = shape.points[i].value * 65536;
            e.point = i + 1;
        } else {
            // Points whose ticks run backwards are never met; the value stays in range.
            e.value = std::clamp(e.value + e.step, 0, kValueLimit);
        }
    }
    e.output = e.value >> 16;
    e.tick += 1;
}

}  // namespace

void StepVolumeEnvelope(ChannelState& c, const XmInstrument& instrument) {
    Step({c.volEnvTick, c.volEnvPoint, c.volEnvValue, c.volEnvOutput, c.volEnvStep, c.volEnvDone},
         {instrument.volumeEnvelope, instrument.volumePointCount, instrument.volumeType,
          instrument.volumeSustainPoint, instrument.volumeLoopStart, instrument.volumeLoopEnd},
         c.keyOff);
    c.updateFlags |= kUpdateVolume;
}

void StepPanningEnvelope(ChannelState& c, const XmInstrument& instrument) {
    Step({c.panEnvTick, c.panEnvPoint, c.panEnvValue, c.panEnvOutput, c.panEnvStep, c.panEnvDone},
         {instrument.panningEnvelope, instrument.panningPointCount, instrument.panningType,
          instrument.panningSustainPoint, instrument.panningLoopStart, instrument.panningLoopEnd},
         c.keyOff);
    c.updateFlags |= kUpdatePan;
}

void SetVolumeEnvelopePosition(ChannelState& c, const XmInstrument& instrument, int32_t position) {
    if (!(instrument.volumeType & kEnvelopeOn)) return;
    const EnvelopePoint* points = instrument.volumeEnvelope;
    const int32_t count = instrument.volumePointCount;
    int32_t j = 0;
    while (j < count - 1 && points[j + 1].tick < position) ++j;
    if (j < count - 1) {
        c.volEnvDone = 0;
        c.volEnvTick = position;
        c.volEnvStep = SlopeBetween(points[j], points[j + 1]);
        c.volEnvValue = std::clamp(
            points[j].value * 65536 + c.volEnvStep * (position - points[j].tick), 0, kValueLimit);
        c.volEnvOutput = c.volEnvValue >> 16;
        c.volEnvPoint = j + 1;
    } else {
        c.volEnvOutput = points[count - 1].value;
        c.volEnvDone = 1;
    }
}

namespace {

constexpr uint8_t kNoAutoVibrato = 0xFF;  // any type above 3 plays none

// The sine waveform at each of its 256 phases, worked out once.
int32_t AutoVibratoSine(int32_t phase) {
    static const std::array<int8_t, 256> kSine = [] {
        std::array<int8_t, 256> table{};
        for (int i = 0; i < 256; ++i)
            table[i] = static_cast<int8_t>(std::sin(i * 2 * 3.141592 / 256) * 64);
        return table;
    }();
    return kSine[static_cast<uint8_t>(phase)];
}

}  // namespace

void AutoVibrato(ChannelState& c, const XmInstrument& instrument) {
    const int32_t phase = c.autoVibratoPhase;
    int32_t v = 0;
    // Without depth the waveform does not matter.
    switch (instrument.vibratoDepth ? instrument.vibratoType : kNoAutoVibrato) {
        case 0:
            v = AutoVibratoSine(phase);
            break;
        case 1:
            v = phase < 128 ? 64 : -64;
            break;
        case 2:
            v = (128 - (phase + 128) % 256) >> 1;
            break;
        case 3:
            v = (128 - (384 - phase) % 256) >> 1;
            break;
        default:
            break;  // undefined waveforms play no vibrato
    }
    v *= instrument.vibratoDepth;
    if (instrument.vibratoSweep != 0) v = v * c.autoVibratoSweep / instrument.vibratoSweep;
    c.periodDelta += v >> 6;
    c.autoVibratoSweep = std::min<int32_t>(c.autoVibratoSweep + 1, instrument.vibratoSweep);
    c.autoVibratoPhase += instrument.vibratoRate;
    if (c.autoVibratoPhase > 255) c.autoVibratoPhase -= 256;
    c.updateFlags |= kUpdateFrequency;
}

}  // namespace tavrin
