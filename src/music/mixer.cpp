// Voice operations and the mixing loops. Positions and steps are 32.32 fixed point; each stretch
// a voice mixes is cut in advance at its loop boundary or ramp end, so the inner loops run
// without a test per frame and read at most the guard element past the loop end.
#include "music/mixer.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstddef>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace tavrin {

namespace {

__extension__ typedef __int128 Wide;

constexpr int32_t kReferenceRate = 44100;
constexpr int32_t kReferenceRampFrames = 128;
constexpr float kFractionScale = 1.0f / 2147483648.0f;  // (fraction >> 1) x 2^-31

MixVoice g_voices[kVoiceTableSize];
int32_t g_rate = kReferenceRate;
int32_t g_rampLength = kReferenceRampFrames;

void UpdateLevels(MixVoice& voice) {
    // XM panning: 0 is fully left, 255 fully right.
    voice.leftLevel = voice.volume * (255 - voice.pan) / 255;
    voice.rightLevel = voice.volume * voice.pan / 255;
}

inline uint64_t Position(const MixVoice& voice) {
    return static_cast<uint64_t>(voice.position) << 32 | voice.positionFraction;
}

inline void StorePosition(MixVoice& voice, uint64_t position) {
    voice.position = static_cast<uint32_t>(position >> 32);
    voice.positionFraction = static_cast<uint32_t>(position);
}

inline float Interpolate(const int16_t* data, uint64_t position) {
    const int16_t* at = data + (position >> 32);
    const float t = static_cast<float>(static_cast<uint32_t>(position) >> 1) * kFractionScale;
    const float a = at[0];
    return a + t * (static_cast<float>(at[1]) - a);
}

#if defined(__SSE2__)
// Both elements a frame interpolates between, widened to float: [a0, b0, a1, b1].
inline __m128 ElementPairs(const int16_t* data, uint64_t first, uint64_t second) {
    int32_t pair0;
    int32_t pair1;
    std::memcpy(&pair0, data + (first >> 32), sizeof pair0);
    std::memcpy(&pair1, data + (second >> 32), sizeof pair1);
    const __m128i packed = _mm_unpacklo_epi32(_mm_cvtsi32_si128(pair0), _mm_cvtsi32_si128(pair1));
    return _mm_cvtepi32_ps(_mm_srai_epi32(_mm_unpacklo_epi16(packed, packed), 16));
}
#endif

// Constant levels. The vector form mixes four frames an iteration (interpolation for all four
// at once) with the same float operations in the same order as the scalar form.
uint64_t MixSteady(const int16_t* data, uint64_t position, uint64_t step, float* out,
                   int32_t frames, float gainLeft, float gainRight) {
    int32_t i = 0;
#if defined(__SSE2__)
    const __m128 gains = _mm_setr_ps(gainLeft, gainRight, gainLeft, gainRight);
    const __m128 scale = _mm_set1_ps(kFractionScale);
    for (; i + 4 <= frames; i += 4) {
        const uint64_t p1 = position + step;
        const uint64_t p2 = p1 + step;
        const uint64_t p3 = p2 + step;
        const __m128 ab01 = ElementPairs(data, position, p1);
        const __m128 ab23 = ElementPairs(data, p2, p3);
        const __m128 a = _mm_shuffle_ps(ab01, ab23, _MM_SHUFFLE(2, 0, 2, 0));
        const __m128 b = _mm_shuffle_ps(ab01, ab23, _MM_SHUFFLE(3, 1, 3, 1));
        const __m128i fractions =
            _mm_setr_epi32(static_cast<int32_t>(static_cast<uint32_t>(position) >> 1),
                           static_cast<int32_t>(static_cast<uint32_t>(p1) >> 1),
                           static_cast<int32_t>(static_cast<uint32_t>(p2) >> 1),
                           static_cast<int32_t>(static_cast<uint32_t>(p3) >> 1));
        const __m128 t = _mm_mul_ps(_mm_cvtepi32_ps(fractions), scale);
        const __m128 s = _mm_add_ps(a, _mm_mul_ps(t, _mm_sub_ps(b, a)));
        const __m128 first = _mm_mul_ps(_mm_unpacklo_ps(s, s), gains);
        const __m128 second = _mm_mul_ps(_mm_unpackhi_ps(s, s), gains);
        _mm_storeu_ps(out, _mm_add_ps(_mm_loadu_ps(out), first));
        _mm_storeu_ps(out + 4, _mm_add_ps(_mm_loadu_ps(out + 4), second));
        out += 8;
        position = p3 + step;
    }
#endif
    for (; i + 2 <= frames; i += 2) {
        const float s0 = Interpolate(data, position);
        position += step;
        const float s1 = Interpolate(data, position);
        position += step;
        out[0] += s0 * gainLeft;
        out[1] += s0 * gainRight;
        out[2] += s1 * gainLeft;
        out[3] += s1 * gainRight;
        out += 4;
    }
    if (i < frames) {
        const float s = Interpolate(data, position);
        position += step;
        out[0] += s * gainLeft;
        out[1] += s * gainRight;
    }
    return position;
}

// Running ramp: gains change every frame, one frame per iteration.
uint64_t MixRamp(const int16_t* data, uint64_t position, uint64_t step, float* out, int32_t frames,
                 float& gainLeft, float& gainRight, float stepLeft, float stepRight) {
    float left = gainLeft;
    float right = gainRight;
    for (int32_t i = 0; i < frames; ++i) {
        const float s = Interpolate(data, position);
        position += step;
        out[0] += s * left;
        out[1] += s * right;
        out += 2;
        left += stepLeft;
        right += stepRight;
    }
    gainLeft = left;
    gainRight = right;
    return position;
}

#if defined(__x86_64__)
#define TAVRIN_AVX2 __attribute__((target("avx2")))
#define TAVRIN_AVX2_INLINE __attribute__((target("avx2"), always_inline)) inline

// Interpolates eight frames from their elements and fractions and adds them, times the
// interleaved gains, to out: the float operations of the scalar form, in its order. The lanes
// hold frames 0 1 4 5 | 2 3 6 7, so that duplicating each lane gives frames 0 to 3 and 4 to 7
// interleaved as out is.
TAVRIN_AVX2_INLINE void AddEight(__m256 a, __m256 b, __m256i fraction, const float* gains,
                                 float* out) {
    const __m256 scale = _mm256_set1_ps(kFractionScale);
    const __m256 t = _mm256_mul_ps(_mm256_cvtepi32_ps(_mm256_srli_epi32(fraction, 1)), scale);
    const __m256 s = _mm256_add_ps(a, _mm256_mul_ps(t, _mm256_sub_ps(b, a)));
    const __m256 frames03 = _mm256_mul_ps(_mm256_unpacklo_ps(s, s), _mm256_loadu_ps(gains));
    const __m256 frames47 = _mm256_mul_ps(_mm256_unpackhi_ps(s, s), _mm256_loadu_ps(gains + 8));
    _mm256_storeu_ps(out, _mm256_add_ps(_mm256_loadu_ps(out), frames03));
    _mm256_storeu_ps(out + 8, _mm256_add_ps(_mm256_loadu_ps(out + 8), frames47));
}

// Eight frames an iteration where the processor has AVX2, the sound the same to the bit as the
// scalar form's (no fused multiply-adds). The read positions are two lane vectors, element
// indices and fractions; a fraction that wraps carries into its index. Below one element a
// frame the eight frames lie within nine elements, which two short loads and a permute deliver
// (the loads may reach up to seven elements past the guard element, inside the eight the
// loader allocates, and never use them); faster voices gather each frame's two elements at
// once. gains holds a left and a right gain per frame, interleaved as out is; with gainStride 0
// the same eight frames' gains serve every iteration.
TAVRIN_AVX2 uint64_t MixEightsAvx2(const int16_t* data, uint64_t position, uint64_t step,
                                   float* out, int32_t frames, const float* gains,
                                   int32_t gainStride) {
    constexpr int kLaneFrame[8] = {0, 1, 4, 5, 2, 3, 6, 7};
    alignas(32) int32_t indices[8];
    alignas(32) int32_t fractions[8];
    for (int lane = 0; lane < 8; ++lane) {
        const uint64_t at = position + static_cast<uint64_t>(kLaneFrame[lane]) * step;
        indices[lane] = static_cast<int32_t>(at >> 32);
        fractions[lane] = static_cast<int32_t>(at);
    }
    // Fractions are kept with the top bit flipped, so that a signed compare tells a wrap.
    const __m256i flip = _mm256_set1_epi32(INT32_MIN);
    __m256i index = _mm256_load_si256(reinterpret_cast<const __m256i*>(indices));
    __m256i flipped =
        _mm256_xor_si256(_mm256_load_si256(reinterpret_cast<const __m256i*>(fractions)), flip);
    const uint64_t advance = 8 * step;
    const __m256i fractionStep = _mm256_set1_epi32(static_cast<int32_t>(advance));
    const __m256i indexStep = _mm256_set1_epi32(static_cast<int32_t>(advance >> 32));
    const bool backward = step >> 63;
    const bool slow = (backward ? ~step + 1 : step) < (uint64_t{1} << 32);
    for (int32_t i = 0; i < frames; i += 8) {
        __m256 a;
        __m256 b;
        if (slow) {
            const int32_t base =
                backward ? _mm256_extract_epi32(index, 7) : _mm256_cvtsi256_si32(index);
            const __m256i offset = _mm256_sub_epi32(index, _mm256_set1_epi32(base));
            const auto* near = reinterpret_cast<const __m128i*>(data + base);
            const auto* next = reinterpret_cast<const __m128i*>(data + base + 1);
            a = _mm256_permutevar8x32_ps(
                _mm256_cvtepi32_ps(_mm256_cvtepi16_epi32(_mm_loadu_si128(near))), offset);
            b = _mm256_permutevar8x32_ps(
                _mm256_cvtepi32_ps(_mm256_cvtepi16_epi32(_mm_loadu_si128(next))), offset);
        } else {
            const __m256i ab = _mm256_i32gather_epi32(reinterpret_cast<const int*>(data), index, 2);
            a = _mm256_cvtepi32_ps(_mm256_srai_epi32(_mm256_slli_epi32(ab, 16), 16));
            b = _mm256_cvtepi32_ps(_mm256_srai_epi32(ab, 16));
        }
        AddEight(a, b, _mm256_xor_si256(flipped, flip), gains, out);
        out += 16;
        gains += gainStride;
        const __m256i next = _mm256_add_epi32(flipped, fractionStep);
        const __m256i wrapped = _mm256_cmpgt_epi32(flipped, next);  // -1 where it carries
        index = _mm256_sub_epi32(_mm256_add_epi32(index, indexStep), wrapped);
        flipped = next;
    }
    return position + static_cast<uint64_t>(frames) * step;
}

uint64_t MixSteadyAvx2(const int16_t* data, uint64_t position, uint64_t step, float* out,
                       int32_t frames, float gainLeft, float gainRight) {
    const int32_t eights = frames & ~7;
    if (eights > 0) {
        const float gains[16] = {gainLeft, gainRight, gainLeft, gainRight, gainLeft, gainRight,
                                 gainLeft, gainRight, gainLeft, gainRight, gainLeft, gainRight,
                                 gainLeft, gainRight, gainLeft, gainRight};
        position = MixEightsAvx2(data, position, step, out, eights, gains, 0);
    }
    return MixSteady(data, position, step, out + 2 * static_cast<ptrdiff_t>(eights),
                     frames - eights, gainLeft, gainRight);
}

// The gains of a ramp are a running sum and stay one add a frame; they are laid out first, a
// stretch at a time, and the frames are then mixed eight at once.
uint64_t MixRampAvx2(const int16_t* data, uint64_t position, uint64_t step, float* out,
                     int32_t frames, float& gainLeft, float& gainRight, float stepLeft,
                     float stepRight) {
    constexpr int32_t kChunk = 64;
    float gains[2 * kChunk];
    float left = gainLeft;
    float right = gainRight;
    int32_t done = 0;
    while (frames - done >= 8) {
        const int32_t chunk = std::min(kChunk, (frames - done) & ~7);
        for (int32_t k = 0; k < chunk; ++k) {
            gains[2 * k] = left;
            gains[2 * k + 1] = right;
            left += stepLeft;
            right += stepRight;
        }
        position = MixEightsAvx2(data, position, step, out + 2 * static_cast<ptrdiff_t>(done),
                                 chunk, gains, 16);
        done += chunk;
    }
    gainLeft = left;
    gainRight = right;
    return MixRamp(data, position, step, out + 2 * static_cast<ptrdiff_t>(done), frames - done,
                   gainLeft, gainRight, stepLeft, stepRight);
}

// Sixteen values an iteration, as the SSE2 form below; returns how many it converted.
TAVRIN_AVX2 int32_t ConvertSixteensAvx2(int16_t* destination, const float* source, int32_t count) {
    const __m256 low = _mm256_set1_ps(-32768.0f);
    const __m256 high = _mm256_set1_ps(32767.0f);
    int32_t i = 0;
    for (; i + 16 <= count; i += 16) {
        const __m256 first = _mm256_min_ps(_mm256_max_ps(_mm256_loadu_ps(source + i), low), high);
        const __m256 second =
            _mm256_min_ps(_mm256_max_ps(_mm256_loadu_ps(source + i + 8), low), high);
        const __m256i packed =
            _mm256_packs_epi32(_mm256_cvtps_epi32(first), _mm256_cvtps_epi32(second));
        // The pack works within 128-bit halves: put the four quarters back in order.
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(destination + i),
                            _mm256_permute4x64_epi64(packed, _MM_SHUFFLE(3, 1, 2, 0)));
    }
    return i;
}
#endif

int32_t ConvertNone(int16_t*, const float*, int32_t) {
    return 0;
}

using SteadyMixer = uint64_t (*)(const int16_t* data, uint64_t position, uint64_t step, float* out,
                                 int32_t frames, float gainLeft, float gainRight);
using RampMixer = uint64_t (*)(const int16_t* data, uint64_t position, uint64_t step, float* out,
                               int32_t frames, float& gainLeft, float& gainRight, float stepLeft,
                               float stepRight);

using Converter = int32_t (*)(int16_t* destination, const float* source, int32_t count);

struct Kernels {
    SteadyMixer steady;
    RampMixer ramp;
    Converter convertSixteens;
};

// The AVX2 kernels where the processor has them (and they are wanted); SSE2 and scalar ones
// otherwise.
Kernels ChooseKernels([[maybe_unused]] bool widest) {
#if defined(__x86_64__)
    __builtin_cpu_init();  // this runs from a static initialiser, perhaps before libgcc's own
    if (widest && __builtin_cpu_supports("avx2"))
        return {MixSteadyAvx2, MixRampAvx2, ConvertSixteensAvx2};
#endif
    return {MixSteady, MixRamp, ConvertNone};
}

Kernels g_kernels = ChooseKernels(true);

// Frames until the read position reaches or passes the boundary the voice moves towards:
// every frame before the last reads strictly inside it. Exact in 32.32, whatever the distance.
uint64_t FramesToBoundary(uint64_t position, uint64_t step, uint64_t loopStart, uint64_t loopEnd,
                          bool forward) {
    uint64_t distance = 0;
    if (forward && loopEnd > position) distance = loopEnd - position;
    if (!forward && !(position >> 63) && position > loopStart) distance = position - loopStart;
    step = std::max<uint64_t>(step, 1);
    return distance / step + (distance % step != 0);
}

// Moves a ping-pong voice back inside its loop after it reached an end. Moving backward over a
// loop start of 0 leaves the position just below zero, which the unsigned add has wrapped.
void Reflect(MixVoice& voice, uint64_t& position, uint64_t loopStart, uint64_t loopEnd) {
    Wide at = position >> 63 ? Wide{static_cast<int64_t>(position)} : Wide{position};
    const Wide start = loopStart;
    const Wide end = loopEnd;
    while (true) {
        if (voice.direction == 1) {
            if (at < end) break;
            at = 2 * end - at - 1;
            voice.direction = 2;
        } else {
            if (at > start) break;
            at = 2 * start - at - 1;
            voice.direction = 1;
        }
    }
    // A reflection landing exactly on a loop start of 0 would read before the sample.
    position = static_cast<uint64_t>(std::max<Wide>(at, 0));
}

// Handles a voice that reached its boundary; false when it fell silent.
bool CrossBoundary(MixVoice& voice, uint64_t& position, uint64_t loopStart, uint64_t loopEnd) {
    const XmSample& sample = *voice.sample;
    if (sample.loopMode == kLoopForward && loopEnd > loopStart) {
        if (position >= loopEnd)
            position = loopStart + (position - loopStart) % (loopEnd - loopStart);
        return true;
    }
    if (sample.loopMode == kLoopPingPong && loopEnd > loopStart) {
        Reflect(voice, position, loopStart, loopEnd);
        return true;
    }
    voice.sample = nullptr;
    position = 0;
    return false;
}

void StartRampIfLevelsChanged(MixVoice& voice) {
    if (voice.rampFramesLeft != 0 && voice.leftLevel == voice.rampLeftTarget &&
        voice.rightLevel == voice.rampRightTarget)
        return;
    voice.rampLeftTarget = voice.leftLevel;
    voice.rampRightTarget = voice.rightLevel;
    const int32_t deltaLeft = voice.leftLevel - (voice.currentLeft >> 8);
    const int32_t deltaRight = voice.rightLevel - (voice.currentRight >> 8);
    const float frames = static_cast<float>(g_rampLength);
    voice.rampLeftStep = deltaLeft ? static_cast<float>(deltaLeft) / 255.0f / frames : 0.0f;
    voice.rampRightStep = deltaRight ? static_cast<float>(deltaRight) / 255.0f / frames : 0.0f;
    voice.rampFramesLeft = (deltaLeft || deltaRight) ? g_rampLength : 0;
}

void MixVoiceFrames(MixVoice& voice, float* out, int32_t remaining) {
    while (remaining > 0 && voice.sample) {
        const XmSample& sample = *voice.sample;
        uint64_t position = Position(voice);
        const uint64_t loopStart = static_cast<uint64_t>(sample.loopStart) << 32;
        const uint64_t loopEnd = (uint64_t{sample.loopStart} + sample.loopLength) << 32;
        if (!sample.data) {
            voice.sample = nullptr;
            position = 0;
            StorePosition(voice, position);
            return;
        }
        const bool forward = voice.direction == 1;
        const uint64_t step = static_cast<uint64_t>(static_cast<uint32_t>(voice.stepInteger))
                                  << 32 |
                              voice.stepFraction;
        const uint64_t boundaryFrames =
            FramesToBoundary(position, step, loopStart, loopEnd, forward);
        int32_t frames = remaining;
        bool atBoundary = false;
        if (boundaryFrames <= static_cast<uint64_t>(remaining)) {
            frames = static_cast<int32_t>(boundaryFrames);
            atBoundary = true;
        }
        StartRampIfLevelsChanged(voice);
        if (voice.rampFramesLeft > 0 && voice.rampFramesLeft < frames) {
            frames = voice.rampFramesLeft;
            atBoundary = false;
        }

        const uint64_t signedStep = forward ? step : ~step + 1;
        if (voice.rampFramesLeft > 0) {
            float gainLeft = static_cast<float>(voice.currentLeft) / 256.0f / 255.0f;
            float gainRight = static_cast<float>(voice.currentRight) / 256.0f / 255.0f;
            position = g_kernels.ramp(sample.data, position, signedStep, out, frames, gainLeft,
                                      gainRight, voice.rampLeftStep, voice.rampRightStep);
            voice.currentLeft = static_cast<int32_t>(std::lround(gainLeft * 255.0f * 256.0f));
            voice.currentRight = static_cast<int32_t>(std::lround(gainRight * 255.0f * 256.0f));
            voice.rampFramesLeft -= frames;
            if (voice.rampFramesLeft == 0) {
                voice.rampLeftStep = voice.rampRightStep = 0.0f;
                voice.currentLeft = voice.leftLevel * 256;
                voice.currentRight = voice.rightLevel * 256;
            }
        } else if (voice.leftLevel == 0 && voice.rightLevel == 0) {
            position += signedStep * static_cast<uint64_t>(frames);  // silent: only move on
        } else {
            position = g_kernels.steady(sample.data, position, signedStep, out, frames,
                                        static_cast<float>(voice.leftLevel) / 255.0f,
                                        static_cast<float>(voice.rightLevel) / 255.0f);
        }
        out += 2 * static_cast<ptrdiff_t>(frames);
        remaining -= frames;
        if (atBoundary) CrossBoundary(voice, position, loopStart, loopEnd);
        StorePosition(voice, position);
    }
}

}  // namespace

void ResetMixer(int32_t rate) {
    g_rate = std::max(rate, 1);
    g_rampLength = std::max(g_rate * kReferenceRampFrames / kReferenceRate, 1);
    std::memset(g_voices, 0, sizeof g_voices);
    for (int i = 0; i < kVoiceTableSize; ++i) {
        g_voices[i].index = i;
        g_voices[i].stepInteger = 1;
    }
}

void UseWidestMixKernels(bool widest) {
    g_kernels = ChooseKernels(widest);
}

int32_t MixerRate() {
    return g_rate;
}

int32_t RampLength() {
    return g_rampLength;
}

MixVoice* Voice(int index) {
    return index >= 0 && index < kVoiceTableSize ? &g_voices[index] : nullptr;
}

void TriggerVoice(MixVoice* voice, XmSample* sample) {
    voice->sample = sample;
    if (sample && uint64_t{voice->startOffset} >= uint64_t{sample->loopStart} + sample->loopLength)
        voice->startOffset = 0;
    voice->position = voice->startOffset;
    voice->positionFraction = 0;
    voice->direction = 1;
    voice->startOffset = 0;
    voice->currentLeft = voice->currentRight = 0;
    voice->rampFramesLeft = 0;
}

void SetVoiceVolume(MixVoice* voice, int32_t volume) {
    voice->volume = volume;
    UpdateLevels(*voice);
}

void SetVoicePan(MixVoice* voice, int32_t pan) {
    voice->pan = pan;
    UpdateLevels(*voice);
}

void SetVoiceFrequency(MixVoice* voice, int32_t hz) {
    // The engine hands the frequency over on every tick; the step changes far less often.
    if (hz == voice->frequency && hz != 0) return;
    voice->frequency = hz;
    // Below 100 Hz is raised to 100; the top keeps the step under 256 elements a frame.
    const int64_t clamped =
        std::clamp<int64_t>(hz, kMinimumVoiceFrequency, int64_t{g_rate} * 256 - 1);
    voice->stepInteger = static_cast<int32_t>(clamped / g_rate);
    voice->stepFraction = static_cast<uint32_t>(((clamped % g_rate) << 32) / g_rate);
}

void StopVoice(MixVoice* voice) {
    voice->position = 0;
    voice->positionFraction = 0;
    voice->sample = nullptr;
    voice->startOffset = 0;
}

void MixFrames(float* buffer, int32_t frameCount) {
    if (!buffer || frameCount <= 0) return;
    for (int v = 0; v < kMixedVoices; ++v) MixVoiceFrames(g_voices[v], buffer, frameCount);
}

void ConvertToPcm16(int16_t* destination, const float* source, int32_t frameCount) {
    if (!destination || !source || frameCount <= 0) return;
    const int32_t count = frameCount * 2;
    int32_t i = g_kernels.convertSixteens(destination, source, count);
#if defined(__SSE2__)
    // Same rounding as lrintf (the current mode, to nearest); the pack saturates nothing more
    // once the values are clipped.
    const __m128 low = _mm_set1_ps(-32768.0f);
    const __m128 high = _mm_set1_ps(32767.0f);
    for (; i + 8 <= count; i += 8) {
        const __m128 first = _mm_min_ps(_mm_max_ps(_mm_loadu_ps(source + i), low), high);
        const __m128 second = _mm_min_ps(_mm_max_ps(_mm_loadu_ps(source + i + 4), low), high);
        const __m128i packed = _mm_packs_epi32(_mm_cvtps_epi32(first), _mm_cvtps_epi32(second));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(destination + i), packed);
    }
#endif
    for (; i < count; ++i) {
        const float clipped = std::clamp(source[i], -32768.0f, 32767.0f);
        destination[i] = static_cast<int16_t>(std::lrintf(clipped));
    }
}

}  // namespace tavrin
