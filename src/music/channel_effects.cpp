// Effect and volume-column commands, tick 0 and later ticks, one small case each.
#include <algorithm>
#include <array>
#include <cmath>

#include "music/replay_internal.h"

namespace tavrin {

namespace {

enum Effect : uint8_t {
    kArpeggio = 0x0,
    kPortaUp = 0x1,
    kPortaDown = 0x2,
    kTonePorta = 0x3,
    kVibrato = 0x4,
    kTonePortaVolumeSlide = 0x5,
    kVibratoVolumeSlide = 0x6,
    kTremolo = 0x7,
    kSetPanning = 0x8,
    kSampleOffset = 0x9,
    kVolumeSlide = 0xA,
    kPositionJump = 0xB,
    kSetVolume = 0xC,
    kPatternBreak = 0xD,
    kExtended = 0xE,
    kSpeedTempo = 0xF,
    kGlobalVolume = 16,       // G
    kGlobalVolumeSlide = 17,  // H
    kEnvelopePosition = 21,   // L
    kPanningSlide = 25,       // P
    kMultiRetrigger = 27,     // R
    kTremor = 29,             // T
    kExtraFinePorta = 33,     // X
};

enum Extended : uint8_t {
    kFinePortaUp = 0x1,
    kFinePortaDown = 0x2,
    kVibratoControl = 0x4,
    kFinetune = 0x5,
    kPatternLoop = 0x6,
    kTremoloControl = 0x7,
    kCoarsePanning = 0x8,
    kRetrigger = 0x9,
    kFineVolumeUp = 0xA,
    kFineVolumeDown = 0xB,
    kNoteCut = 0xC,
    kNoteDelay = 0xD,
    kPatternDelay = 0xE,
};

constexpr int32_t kMinimumPortaPeriod = 56;
constexpr int32_t kMaximumPortaPeriod = 32000;  // below the lowest note in both tables

uint8_t High(uint8_t parameter) {
    return parameter >> 4;
}
uint8_t Low(uint8_t parameter) {
    return parameter & 0x0F;
}

void Remember(uint8_t& memory, uint8_t parameter) {
    if (parameter) memory = parameter;
}

void PeriodDown(ChannelState& c, int32_t amount) {
    c.period = std::min(c.period + amount, kMaximumPortaPeriod);
}

void PanBy(ChannelState& c, int32_t amount) {
    c.pan = std::clamp(c.pan + amount, 0, 255);
    c.updateFlags |= kUpdatePan;
}

void Clear(ChannelState& c, uint8_t flags) {
    c.updateFlags &= static_cast<uint8_t>(~flags);
}

void VolumeUp(ChannelState& c, int32_t amount) {
    c.volume = std::min(c.volume + amount, 64);
    c.updateFlags |= kUpdateVolume;
}

void VolumeDown(ChannelState& c, int32_t amount) {
    c.volume = std::max(c.volume - amount, 0);
    c.updateFlags |= kUpdateVolume;
}

void VolumeSlide(ChannelState& c) {
    const uint8_t memory = c.volumeSlideMemory;
    if (High(memory))
        VolumeUp(c, High(memory));
    else
        VolumeDown(c, Low(memory));
}

void TonePortaStep(ChannelState& c) {
    const int32_t speed = 4 * c.portaSpeed;
    if (c.period < c.portaTarget)
        c.period = std::min(c.period + speed, c.portaTarget);
    else if (c.period > c.portaTarget)
        c.period = std::max(c.period - speed, c.portaTarget);
    c.updateFlags |= kUpdateFrequency;
}

// The vibrato and tremolo sine at positions -32..31, worked out once.
int32_t SineWave(int32_t position) {
    static const std::array<int16_t, 64> kSine = [] {
        std::array<int16_t, 64> table{};
        for (int i = -32; i < 32; ++i)
            table[i & 63] = static_cast<int16_t>(std::fabs(std::sin(i * 2 * 3.141592 / 64)) * 256);
        return table;
    }();
    return kSine[position & 63];
}

int32_t RampWave(int32_t position) {
    const int32_t v = static_cast<uint8_t>((position & 31) * 8);
    return position < 0 ? 255 - v : v;
}

void Vibrato(ChannelState& c) {
    const int32_t position = c.vibratoPosition;
    int32_t v = 255;
    switch (c.waveControl & 3) {
        case 0:
            v = SineWave(position);
            break;
        case 1:
            v = RampWave(position);
            break;
        default:
            break;
    }
    const int32_t depth = ((v * c.vibratoDepth) >> 7) * 4;
    c.periodDelta = position >= 0 ? -depth : depth;
    c.updateFlags |= kUpdateFrequency;
}

int8_t Advance(int8_t position, uint8_t speed) {
    int32_t next = position + speed;
    if (next > 31) next -= 64;
    return static_cast<int8_t>(next);
}

void AdvanceVibrato(ChannelState& c) {
    c.vibratoPosition = Advance(c.vibratoPosition, c.vibratoSpeed);
}

void Tremolo(ChannelState& c) {
    const int32_t position = c.tremoloPosition;
    int32_t v = 255;
    switch (High(c.waveControl) & 3) {
        case 0:
        case 3:
            v = SineWave(position);
            break;
        case 1:
            v = RampWave(position);
            break;
        default:
            break;
    }
    int32_t depth = (v * c.tremoloDepth) >> 6;
    if (position >= 0) {
        c.volumeDelta = c.volume + depth > 64 ? 64 - c.volume : depth;
    } else {
        if (static_cast<int16_t>(c.volume - depth) < 0) depth = c.volume;
        c.volumeDelta = -depth;
    }
    c.tremoloPosition = Advance(c.tremoloPosition, c.tremoloSpeed);
    c.updateFlags |= kUpdateVolume;
}

void Tremor(ChannelState& c) {
    if (c.tremorCounter >= c.tremorOn) c.volumeDelta = -c.volume;
    c.tremorCounter = static_cast<uint8_t>(c.tremorCounter + 1);
    if (c.tremorCounter >= c.tremorOn + c.tremorOff) c.tremorCounter = 0;
    c.updateFlags |= kUpdateVolume;
}

void Arpeggio(const XmModule& module, ChannelState& c, uint8_t parameter, const XmSample& sample) {
    if (!parameter) return;
    const int32_t phase = module.tick % 3;
    const int32_t semitones = phase == 1 ? High(parameter) : phase == 2 ? Low(parameter) : 0;
    if (module.flags & kLinearFrequencies)
        c.periodDelta = semitones * 64;
    else
        c.periodDelta = AmigaPeriod(c.realNote + semitones, sample.finetune) -
                        AmigaPeriod(c.realNote, sample.finetune);
    c.updateFlags |= kUpdateFrequency;
}

void MultiRetrigger(const XmModule& module, ChannelState& c) {
    if (c.retrigInterval == 0 || module.tick % c.retrigInterval != 0) return;
    if (c.retrigVolumeChange != 0) {
        int32_t& v = c.volume;
        switch (c.retrigVolumeChange) {
            case 1:
                v -= 1;
                break;
            case 2:
                v -= 2;
                break;
            case 3:
                v -= 4;
                break;
            case 4:
                v -= 8;
                break;
            case 5:
                v -= 16;
                break;
            case 6:
                v = v * 2 / 3;
                break;
            case 7:
                v /= 2;
                break;
            case 9:
                v += 1;
                break;
            case 10:
                v += 2;
                break;
            case 11:
                v += 4;
                break;
            case 12:
                v += 8;
                break;
            case 13:
                v += 16;
                break;
            case 14:
                v = v * 3 / 2;
                break;
            case 15:
                v *= 2;
                break;
            default:
                break;
        }
        v = std::clamp(v, 0, 64);
        c.updateFlags |= kUpdateVolume;
    }
    c.updateFlags |= kUpdateTrigger;
}

void SampleOffset(ChannelState& c, uint8_t parameter) {
    if (parameter) c.sampleOffsetMemory = parameter;
    const uint32_t offset = static_cast<uint32_t>(c.sampleOffsetMemory) * 256;
    if (uint64_t{offset} < uint64_t{c.sample->loopStart} + c.sample->loopLength) {
        c.voice->startOffset = offset;
    } else {
        Clear(c, kUpdateTrigger);
        c.updateFlags |= kUpdateStop;
    }
}

void ExtendedRowStart(XmModule& module, ChannelState& c, uint8_t parameter,
                      const ChannelSnapshot& before, RowContext& row) {
    const uint8_t x = Low(parameter);
    switch (High(parameter)) {
        case kFinePortaUp:
            Remember(c.finePortaUpMemory, x);
            c.period -= 4 * c.finePortaUpMemory;
            break;
        case kFinePortaDown:
            Remember(c.finePortaDownMemory, x);
            PeriodDown(c, 4 * c.finePortaDownMemory);
            break;
        case kVibratoControl:
            c.waveControl = static_cast<uint8_t>((c.waveControl & 0xF0) | x);
            break;
        case kFinetune:
            // The shared stand-in for absent samples is never changed.
            if (c.sample != &EmptySample) c.sample->finetune = static_cast<int8_t>(x);
            break;
        case kPatternLoop:
            if (x == 0) {
                c.loopRow = module.row;
            } else {
                // The jump waits for the row's end: every channel still plays this row.
                c.loopCounter = c.loopCounter == 0 ? x : c.loopCounter - 1;
                if (c.loopCounter != 0) row.loopRow = c.loopRow;
            }
            break;
        case kTremoloControl:
            c.waveControl = static_cast<uint8_t>((c.waveControl & 0x0F) | x << 4);
            break;
        case kCoarsePanning:
            c.pan = x * 16;
            c.updateFlags |= kUpdatePan;
            break;
        case kFineVolumeUp:
            Remember(c.fineVolumeMemory, x);
            VolumeUp(c, c.fineVolumeMemory);
            break;
        case kFineVolumeDown:
            Remember(c.fineVolumeMemory, x);
            VolumeDown(c, c.fineVolumeMemory);
            break;
        case kNoteDelay:
            c.volume = before.volume;
            c.period = before.period;
            c.pan = before.pan;
            c.updateFlags = 0;
            break;
        case kPatternDelay:
            module.patternDelayTicks = x * module.speed;
            break;
        default:
            break;  // E0, E3, E9, EC, EF: nothing at tick 0
    }
}

void ExtendedTick(XmModule& module, ChannelState& c, const XmNote& cell, XmSample& sample) {
    const uint8_t x = Low(cell.parameter);
    switch (High(cell.parameter)) {
        case kRetrigger:
            if (x != 0 && module.tick % x == 0)
                c.updateFlags |= kUpdateTrigger | kUpdateVolume | kUpdateFrequency;
            break;
        case kNoteCut:
            if (module.tick == x) {
                c.volume = 0;
                c.updateFlags |= kUpdateVolume;
            }
            break;
        case kNoteDelay:
            if (module.tick == x) {
                ResetForInstrument(c, sample);
                c.period = c.targetPeriod;
                c.updateFlags |= kUpdateFrequency;
                if (cell.volume) VolumeColumnRowStart(c, cell.volume);
                c.updateFlags |= kUpdateTrigger;
            } else {
                Clear(c, kUpdateVolume | kUpdateFrequency | kUpdatePan | kUpdateTrigger);
            }
            break;
        default:
            break;
    }
}

void PanSlide(ChannelState& c) {
    const uint8_t memory = c.panSlideMemory;
    if (High(memory))
        c.pan = std::min(c.pan + High(memory), 255);
    else
        c.pan = std::max(c.pan - Low(memory), 0);
    c.updateFlags |= kUpdatePan;
}

void GlobalVolumeSlide(XmModule& module) {
    const int32_t memory = module.globalVolumeSlide;
    if (memory >= 16)
        module.globalVolume = std::min(module.globalVolume + (memory >> 4), 64);
    else if (memory & 0x0F)
        module.globalVolume = std::max(module.globalVolume - (memory & 0x0F), 0);
}

}  // namespace

void VolumeColumnRowStart(ChannelState& c, uint8_t command) {
    const uint8_t x = Low(command);
    if (command >= 0x10 && command <= 0x50) {
        c.volume = command - 0x10;
        c.updateFlags |= kUpdateVolume;
        return;
    }
    switch (High(command)) {
        case 0x6:
        case 0x8:
            VolumeDown(c, x);
            break;
        case 0x7:
        case 0x9:
            VolumeUp(c, x);
            break;
        case 0xA:
            c.vibratoSpeed = x;
            break;
        case 0xB:
            c.vibratoDepth = x;
            break;
        case 0xC:
            c.pan = x * 16;
            c.updateFlags |= kUpdatePan;
            break;
        case 0xD:
            PanBy(c, -x);
            break;
        case 0xE:
            PanBy(c, x);
            break;
        case 0xF:
            if (x) c.portaSpeed = static_cast<uint8_t>(x * 16);
            c.portaTarget = c.targetPeriod;
            Clear(c, kUpdateTrigger);  // the note's period already stands: the pitch jumps at once
            break;
        default:
            break;
    }
}

void VolumeColumnTick(ChannelState& c, uint8_t command) {
    const uint8_t x = Low(command);
    switch (High(command)) {
        case 0x6:
            VolumeDown(c, x);
            break;
        case 0x7:
            VolumeUp(c, x);
            break;
        case 0xB:
            c.vibratoDepth = x;
            Vibrato(c);
            AdvanceVibrato(c);
            break;
        case 0xD:
            PanBy(c, -x);
            break;
        case 0xE:
            PanBy(c, x);
            break;
        case 0xF:
            TonePortaStep(c);
            break;
        default:
            break;
    }
}

void EffectRowStart(XmModule& module, ChannelState& c, const XmNote& cell,
                    const ChannelSnapshot& before, RowContext& row) {
    const uint8_t p = cell.parameter;
    switch (cell.effect) {
        case kPortaUp:
            Remember(c.portaUpMemory, p);
            break;
        case kPortaDown:
            Remember(c.portaDownMemory, p);
            break;
        case kTonePorta:
            Remember(c.portaSpeed, p);
            c.portaTarget = c.targetPeriod;
            Clear(c, kUpdateTrigger | kUpdateFrequency);
            break;
        case kVibrato:
            if (High(p)) c.vibratoSpeed = High(p);
            if (Low(p)) c.vibratoDepth = Low(p);
            Vibrato(c);
            break;
        case kTonePortaVolumeSlide:
            c.portaTarget = c.targetPeriod;
            Remember(c.volumeSlideMemory, p);
            Clear(c, kUpdateTrigger | kUpdateFrequency);
            break;
        case kVibratoVolumeSlide:
            Remember(c.volumeSlideMemory, p);
            Vibrato(c);
            break;
        case kTremolo:
            if (High(p)) c.tremoloSpeed = High(p);
            if (Low(p)) c.tremoloDepth = Low(p);
            break;
        case kSetPanning:
            c.pan = p;
            c.updateFlags |= kUpdatePan;
            break;
        case kSampleOffset:
            SampleOffset(c, p);
            break;
        case kVolumeSlide:
            Remember(c.volumeSlideMemory, p);
            break;
        case kPositionJump:
            module.nextOrder = p >= module.songLength ? 0 : p;
            module.nextRow = 0;
            row.jumped = true;
            break;
        case kSetVolume:
            c.volume = p;
            c.updateFlags |= kUpdateVolume;
            break;
        case kPatternBreak: {
            const int32_t target = 10 * High(p) + Low(p);
            module.nextRow = target > 63 ? 0 : target;
            if (!row.jumped) module.nextOrder = module.order + 1;
            if (module.nextOrder >= module.songLength) module.nextOrder = 0;
            break;
        }
        case kExtended:
            ExtendedRowStart(module, c, p, before, row);
            break;
        case kSpeedTempo:
            if (p > 31)
                SetBpm(&module, p);
            else
                module.speed = p;
            break;
        case kGlobalVolume:
            module.globalVolume = std::min<int32_t>(p, 64);
            c.updateFlags |= kUpdateVolume;
            break;
        case kGlobalVolumeSlide:
            if (p) module.globalVolumeSlide = p;
            break;
        case kEnvelopePosition: {
            const XmInstrument& instrument = c.instrument < module.instrumentCount
                                                 ? module.instruments[c.instrument]
                                                 : EmptyInstrument;
            SetVolumeEnvelopePosition(c, instrument, p);
            break;
        }
        case kPanningSlide:
            if (p) {
                c.panSlideMemory = p;
                c.updateFlags |= kUpdatePan;
            }
            break;
        case kMultiRetrigger:
            if (p) {
                c.retrigVolumeChange = High(p);
                c.retrigInterval = Low(p);
            }
            break;
        case kTremor:
            if (p) {
                c.tremorOn = static_cast<uint8_t>(High(p) + 1);
                c.tremorOff = static_cast<uint8_t>(Low(p) + 1);
            }
            Tremor(c);
            break;
        case kExtraFinePorta:
            if (High(p) == 1) {
                Remember(c.extraFineUpMemory, Low(p));
                c.period -= c.extraFineUpMemory;
            } else if (High(p) == 2) {
                Remember(c.extraFineDownMemory, Low(p));
                PeriodDown(c, c.extraFineDownMemory);
            }
            break;
        default:
            break;  // arpeggio and key off act later or elsewhere; others are not played
    }
}

void EffectTick(XmModule& module, ChannelState& c, const XmNote& cell, XmSample& sample) {
    switch (cell.effect) {
        case kArpeggio:
            Arpeggio(module, c, cell.parameter, sample);
            break;
        case kPortaUp:
            c.period = std::max(c.period - 4 * c.portaUpMemory, kMinimumPortaPeriod);
            c.updateFlags |= kUpdateFrequency;
            break;
        case kPortaDown:
            PeriodDown(c, 4 * c.portaDownMemory);
            c.updateFlags |= kUpdateFrequency;
            break;
        case kTonePorta:
            TonePortaStep(c);
            break;
        case kVibrato:
            Vibrato(c);
            AdvanceVibrato(c);
            break;
        case kTonePortaVolumeSlide:
            TonePortaStep(c);
            VolumeSlide(c);
            break;
        case kVibratoVolumeSlide:
            Vibrato(c);
            AdvanceVibrato(c);
            VolumeSlide(c);
            break;
        case kTremolo:
            Tremolo(c);
            break;
        case kVolumeSlide:
            VolumeSlide(c);
            break;
        case kExtended:
            ExtendedTick(module, c, cell, sample);
            break;
        case kGlobalVolumeSlide:
            GlobalVolumeSlide(module);
            break;
        case kPanningSlide:
            PanSlide(c);
            break;
        case kMultiRetrigger:
            MultiRetrigger(module, c);
            break;
        case kTremor:
            Tremor(c);
            break;
        default:
            break;
    }
}

}  // namespace tavrin
