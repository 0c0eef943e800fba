// The tick functions: order and row walking, note triggering, envelopes and fadeout, and the
// hand-over of each channel's state to its mixer voice at the end of every tick.
#include "music/replay.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "music/replay_internal.h"

namespace tavrin {

namespace {

constexpr int32_t kRowsOutsidePatterns = 64;
constexpr int32_t kFullFade = 65536;

ChannelState g_channels[kMaxChannels];

int32_t PlayedChannels(const XmModule& module) {
    return std::clamp<int32_t>(module.channelCount, 0, kMaxChannels);
}

// The pattern an order plays, or null where the order or its pattern lies outside the song.
const XmPattern* PatternAt(const XmModule& module, int32_t order) {
    if (order < 0 || order >= static_cast<int32_t>(sizeof module.orderTable)) return nullptr;
    const int32_t pattern = module.orderTable[order];
    return pattern < module.allocatedPatterns ? &module.patterns[pattern] : nullptr;
}

int32_t RowCount(const XmModule& module, int32_t order) {
    const XmPattern* pattern = PatternAt(module, order);
    return pattern ? pattern->rows : kRowsOutsidePatterns;
}

// Rows outside their pattern read as empty; note bytes that name no note read as none.
XmNote CellAt(const XmModule& module, int32_t channel) {
    const XmPattern* pattern = PatternAt(module, module.order);
    if (!pattern || !pattern->notes || module.row < 0 || module.row >= pattern->rows) return {};
    XmNote cell = pattern->notes[module.row * module.channelCount + channel];
    if (cell.note > kNoteCount && cell.note != kKeyOffNote) cell.note = 0;
    return cell;
}

bool HasNote(const XmNote& cell) {
    return cell.note != 0 && cell.note != kKeyOffNote;
}

struct ChannelSound {
    const XmInstrument* instrument;
    XmSample* sample;
};

ChannelSound LookUpSound(const XmModule& module, const ChannelState& c) {
    if (c.instrument >= module.instrumentCount) return {&EmptyInstrument, &EmptySample};
    const XmInstrument& instrument = module.instruments[c.instrument];
    const uint8_t sampleNumber = instrument.sampleForNote[c.note];
    return {&instrument,
            sampleNumber < kMaxInstrumentSamples ? instrument.samples[sampleNumber] : &EmptySample};
}

void Fadeout(ChannelState& c, const XmInstrument& instrument) {
    if (!c.keyOff) return;
    c.fadeVolume = std::max(c.fadeVolume - instrument.fadeout, 0);
    c.updateFlags |= kUpdateVolume;
}

void StepEnvelopes(ChannelState& c, const XmInstrument& instrument, bool rowStart) {
    if ((instrument.volumeType & kEnvelopeOn) && !c.volEnvDone)
        StepVolumeEnvelope(c, instrument);
    else if (rowStart && c.keyOff)
        c.volEnvOutput = 0;
    if ((instrument.panningType & kEnvelopeOn) && !c.panEnvDone) StepPanningEnvelope(c, instrument);
}

void StartRowOnChannel(XmModule& module, ChannelState& c, const XmNote& cell, RowContext& row) {
    const bool tonePorta = cell.effect == 3 || cell.effect == 5;
    if (cell.instrument && !tonePorta) c.instrument = static_cast<uint8_t>(cell.instrument - 1);
    if (HasNote(cell) && !tonePorta) c.note = static_cast<uint8_t>(cell.note - 1);
    const ChannelSound sound = LookUpSound(module, c);
    if (!tonePorta) c.sample = sound.sample;

    const ChannelSnapshot before{c.volume, c.period, c.pan};
    if (c.lastEffect == 7 && cell.effect != 7)
        c.volume += c.volumeDelta;  // tremolo's last offset stays
    c.lastEffect = cell.effect;
    c.volumeDelta = 0;
    c.updateFlags = 0;

    if (HasNote(cell)) {
        c.realNote = static_cast<uint8_t>(cell.note + sound.sample->relativeNote - 1);
        c.targetPeriod = NotePeriod(module, c.realNote, sound.sample->finetune);
        if (!tonePorta) c.period = c.targetPeriod;
        c.updateFlags = kUpdateTrigger;
    }
    c.periodDelta = 0;
    c.updateFlags |= kUpdateFrequency | kUpdateVolume;
    if (cell.instrument) ResetForInstrument(c, *sound.sample);
    if (cell.volume) VolumeColumnRowStart(c, cell.volume);
    if (cell.note == kKeyOffNote || cell.effect == 20) c.keyOff = 1;
    StepEnvelopes(c, *sound.instrument, true);
    Fadeout(c, *sound.instrument);
    EffectRowStart(module, c, cell, before, row);
    AutoVibrato(c, *sound.instrument);
    UpdateVoice(&c, sound.sample, &module);
}

void RunTickOnChannel(XmModule& module, ChannelState& c, const XmNote& cell) {
    const ChannelSound sound = LookUpSound(module, c);
    c.volumeDelta = 0;
    c.periodDelta = 0;
    c.updateFlags = 0;
    StepEnvelopes(c, *sound.instrument, false);
    Fadeout(c, *sound.instrument);
    if (cell.volume) VolumeColumnTick(c, cell.volume);
    EffectTick(module, c, cell, *sound.sample);
    AutoVibrato(c, *sound.instrument);
    UpdateVoice(&c, sound.sample, &module);
}

// The frequency is handed over on every tick (auto-vibrato asks for it), but the pitch seldom
// changes from one tick to the next: the linear table's power of two is worked out only when
// it does. The table depends on period - delta alone.
int32_t ChannelFrequency(ChannelState& c, const XmModule& module) {
    if (!(module.flags & kLinearFrequencies))
        return PeriodFrequency(module, c.period, c.periodDelta);
    const int32_t pitch = c.period - c.periodDelta;
    if (c.linearHz == 0 || pitch != c.linearPitch) {
        c.linearPitch = pitch;
        c.linearHz = PeriodFrequency(module, c.period, c.periodDelta);
    }
    return c.linearHz;
}

}  // namespace

ChannelState* Channel(int index) {
    return index >= 0 && index < kMaxChannels ? &g_channels[index] : nullptr;
}

void ResetPlayback(XmModule* module) {
    module->globalVolume = module->defaultGlobalVolume;
    module->speed = module->defaultSpeed;
    module->row = 0;
    module->order = 0;
    module->nextOrder = -1;
    module->nextRow = -1;
    module->samplesLeftInTick = 0;
    module->tick = 0;
    module->patternDelayTicks = 0;
    module->playedMilliseconds = 0;
    SetBpm(module, module->defaultBpm);
    std::memset(g_channels, 0, sizeof g_channels);
    for (int i = 0; i < kMaxChannels; ++i) {
        g_channels[i].index = i;
        g_channels[i].voice = Voice(i);
        // Voices may still hold samples of a module played (and perhaps released) before.
        StopVoice(g_channels[i].voice);
    }
}

void SetBpm(XmModule* module, int32_t bpm) {
    module->bpm = bpm;
    const float f = static_cast<float>(std::max(bpm, 1) * 2) / 5.0f;
    const float frames = static_cast<float>(MixerRate()) * (1000.0f / f) / 1000.0f;
    module->tickLength = std::max(static_cast<int32_t>(frames), 1);
}

void ProcessTick(XmModule* module) {
    if (module->tick != 0) ProcessTickEffects(module);
    if (module->tick == 0) {
        if (module->nextOrder >= 0) module->order = module->nextOrder;
        if (module->nextRow >= 0) module->row = module->nextRow;
        ProcessRowStart(module);
        if (module->nextRow == -1) {
            module->nextRow = module->row + 1;
            if (module->nextRow >= RowCount(*module, module->order)) {
                module->nextOrder = module->order + 1;
                if (module->nextOrder >= module->songLength)
                    module->nextOrder = module->restartPosition;
                module->nextRow = 0;
            }
        }
    }
    module->tick += 1;
    if (module->tick >= module->speed + module->patternDelayTicks) {
        module->patternDelayTicks = 0;
        module->tick = 0;
    }
}

void ProcessRowStart(XmModule* module) {
    module->nextOrder = -1;
    module->nextRow = -1;
    RowContext row;
    const int32_t channels = PlayedChannels(*module);
    for (int32_t k = 0; k < channels; ++k)
        StartRowOnChannel(*module, g_channels[k], CellAt(*module, k), row);
    // A pattern loop goes back within this pattern; a jump or break in the row wins over it.
    if (row.loopRow >= 0 && module->nextRow == -1) module->nextRow = row.loopRow;
}

void ProcessTickEffects(XmModule* module) {
    const int32_t channels = PlayedChannels(*module);
    for (int32_t k = 0; k < channels; ++k)
        RunTickOnChannel(*module, g_channels[k], CellAt(*module, k));
}

void ResetForInstrument(ChannelState& c, const XmSample& sample) {
    c.volume = sample.volume;
    c.pan = sample.panning;
    c.volEnvOutput = 64;
    c.panEnvOutput = 32;
    c.volEnvTick = c.volEnvPoint = c.volEnvStep = 0;
    c.panEnvTick = c.panEnvPoint = c.panEnvStep = 0;
    c.volEnvDone = c.panEnvDone = 0;
    c.keyOff = 0;
    c.fadeVolume = kFullFade;
    c.autoVibratoPhase = 0;
    c.autoVibratoSweep = 0;
    if ((c.waveControl & 0x0F) < 4) c.vibratoPosition = 0;
    if (c.waveControl < 64) c.tremoloPosition = 0;
    c.tremorCounter = 0;
    c.updateFlags |= kUpdateVolume | kUpdatePan;
}

void UpdateVoice(ChannelState* channel, XmSample* sample, XmModule* module) {
    ChannelState& c = *channel;
    MixVoice* voice = c.voice;
    if (c.period + c.periodDelta == 0) c.updateFlags &= static_cast<uint8_t>(~kUpdateFrequency);
    if (c.updateFlags & kUpdateTrigger) TriggerVoice(voice, sample);
    if (c.updateFlags & kUpdateVolume) {
        float level =
            static_cast<float>(c.volume + c.volumeDelta) * static_cast<float>(c.volEnvOutput);
        level *= static_cast<float>(c.fadeVolume);
        level *= static_cast<float>(module->globalVolume);
        SetVoiceVolume(voice, static_cast<int32_t>(level * 255.0f / 34359738368.0f));  // 2^35
    }
    if (c.updateFlags & kUpdatePan) {
        const int32_t room = (128 - std::abs(c.pan - 128)) / 32;
        SetVoicePan(voice, std::clamp(c.pan + (c.panEnvOutput - 32) * room, 0, 255));
    }
    if (c.updateFlags & kUpdateFrequency) SetVoiceFrequency(voice, ChannelFrequency(c, *module));
    if (c.updateFlags & kUpdateStop) StopVoice(voice);
}

}  // namespace tavrin
