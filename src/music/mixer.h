// Software mixer: resamples up to 32 voices by linear interpolation into a stereo float
// accumulation buffer, with click-free level ramps, and converts that buffer to 16-bit PCM.
#pragma once

#include <cstdint>

#include "music/xm_module.h"

namespace tavrin {

struct MixVoice {
    int32_t index;
    int32_t frequency;  // Hz as last set, before the 100 Hz floor
    int32_t volume;
    int32_t pan;  // 0 left .. 255 right
    uint32_t startOffset;
    XmSample* sample;  // null: silent
    int32_t leftLevel;
    int32_t rightLevel;
    uint32_t position;  // 32.32 read position with positionFraction
    uint32_t positionFraction;
    uint32_t stepFraction;
    int32_t stepInteger;
    int32_t direction;  // 1 forward, 2 backward
    int32_t rampLeftTarget;
    int32_t rampRightTarget;
    int32_t currentLeft;  // applied level x 256
    int32_t currentRight;
    float rampLeftStep;
    float rampRightStep;
    int32_t rampFramesLeft;
};

inline constexpr int kVoiceTableSize = 256;
inline constexpr int kMixedVoices = 32;
inline constexpr int kMinimumVoiceFrequency = 100;

// Sets the output rate and the ramp length, and clears the voice table (index set, step 1.0).
void ResetMixer(int32_t rate);
int32_t MixerRate();
// The widest mixing kernels the processor offers are used by default; false falls back to the
// SSE2 and scalar ones (the sound is the same either way). Not while a mix runs.
void UseWidestMixKernels(bool widest);
int32_t RampLength();
MixVoice* Voice(int index);

void TriggerVoice(MixVoice* voice, XmSample* sample);
void SetVoiceVolume(MixVoice* voice, int32_t volume);
void SetVoicePan(MixVoice* voice, int32_t pan);
void SetVoiceFrequency(MixVoice* voice, int32_t hz);
void StopVoice(MixVoice* voice);

// Adds frameCount interleaved stereo frames of voices 0..31 to buffer.
void MixFrames(float* buffer, int32_t frameCount);
// Rounds and clips frameCount stereo frames to signed 16-bit.
void ConvertToPcm16(int16_t* destination, const float* source, int32_t frameCount);

}  // namespace tavrin
