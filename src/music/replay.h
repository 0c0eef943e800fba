// Replay engine: walks orders and rows one tick at a time, runs envelopes, fadeout and effects,
// and hands each channel's volume, panning and pitch to its mixer voice.
#pragma once

#include <cstdint>

#include "music/mixer.h"
#include "music/xm_module.h"

namespace tavrin {

struct ChannelState {
    uint8_t note;  // 0-based
    uint8_t updateFlags;
    MixVoice* voice;
    XmSample* sample;
    int32_t index;
    int32_t period;
    int32_t volume;
    int32_t pan;
    int32_t volumeDelta;
    int32_t periodDelta;
    int32_t volEnvTick;
    int32_t volEnvPoint;
    int32_t volEnvValue;  // 16.16
    int32_t volEnvOutput;
    int32_t volEnvStep;
    uint8_t volEnvDone;
    int32_t panEnvTick;
    int32_t panEnvPoint;
    int32_t panEnvValue;
    int32_t panEnvOutput;
    int32_t panEnvStep;
    uint8_t panEnvDone;
    int32_t fadeVolume;
    int32_t autoVibratoPhase;
    int32_t autoVibratoSweep;
    uint8_t keyOff;
    uint8_t instrument;  // 0-based
    uint8_t realNote;
    int32_t targetPeriod;
    uint8_t lastEffect;
    int32_t sampleOffsetMemory;
    uint8_t portaDownMemory;
    uint8_t portaUpMemory;
    uint8_t extraFineDownMemory;
    uint8_t extraFineUpMemory;
    uint8_t volumeSlideMemory;
    uint8_t panSlideMemory;
    uint8_t retrigVolumeChange;
    uint8_t retrigInterval;
    int32_t portaTarget;
    uint8_t portaSpeed;
    int8_t vibratoPosition;
    uint8_t vibratoSpeed;
    uint8_t vibratoDepth;
    int8_t tremoloPosition;
    uint8_t tremoloSpeed;
    uint8_t tremoloDepth;
    uint8_t tremorCounter;
    uint8_t tremorOn;
    uint8_t tremorOff;
    int32_t loopRow;
    int32_t loopCounter;
    uint8_t waveControl;
    uint8_t fineVolumeMemory;
    uint8_t finePortaUpMemory;
    uint8_t finePortaDownMemory;
    // The linear-table frequency last worked out, and the pitch it was for.
    int32_t linearPitch;
    int32_t linearHz;
};

// updateFlags bits
inline constexpr uint8_t kUpdateFrequency = 1;
inline constexpr uint8_t kUpdateVolume = 2;
inline constexpr uint8_t kUpdatePan = 4;
inline constexpr uint8_t kUpdateTrigger = 8;
inline constexpr uint8_t kUpdateStop = 0x20;

// The channel table: channel i drives voice i.
ChannelState* Channel(int index);

// Rewinds the song to order 0, row 0 with its default speed, tempo and global volume, and
// clears the channels (binding channel i to voice i). Play calls this before the first tick.
void ResetPlayback(XmModule* module);

// Sets the tempo and the tick length in frames at the mixer's rate (882 at 125 BPM, 44.1 kHz).
void SetBpm(XmModule* module, int32_t bpm);

// The module's tick handler: processes one tick.
void ProcessTick(XmModule* module);
void ProcessRowStart(XmModule* module);
void ProcessTickEffects(XmModule* module);

void UpdateVoice(ChannelState* channel, XmSample* sample, XmModule* module);
int32_t AmigaPeriod(int32_t note, int32_t finetune);

}  // namespace tavrin
