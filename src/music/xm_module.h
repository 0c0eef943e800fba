// The loaded song: patterns, instruments, envelopes and samples, plus the playback state the
// replay engine and the output side keep while it plays. One record defines it all.
#pragma once

#include <cstdint>

namespace tavrin {

struct XmModule;

// One pattern cell, five bytes as the file packs them.
struct XmNote {
    uint8_t note;        // 0 none, 1..96 C-0..B-7, 255 key off
    uint8_t instrument;  // 0 none, 1..128
    uint8_t volume;      // volume-column byte
    uint8_t effect;
    uint8_t parameter;
};

struct XmPattern {
    int32_t rows;
    XmNote* notes;  // rows x channelCount cells, row-major; null for a pattern without notes
};

struct EnvelopePoint {
    uint16_t tick;
    uint16_t value;  // 0..64
};

struct XmSample {
    int16_t* data;  // length elements followed by 8 guard elements; null when length is 0
    uint32_t length;
    uint32_t loopStart;
    uint32_t loopLength;  // without a loop: start 0 and the whole length
    uint8_t volume;
    int8_t finetune;
    int32_t panning;
    uint8_t bits;
    uint8_t loopMode;  // 1 none, 2 forward, 4 ping-pong
    int8_t relativeNote;
};

inline constexpr uint8_t kLoopNone = 1;
inline constexpr uint8_t kLoopForward = 2;
inline constexpr uint8_t kLoopPingPong = 4;
inline constexpr int kMaxInstrumentSamples = 16;
inline constexpr int kEnvelopeCapacity = 20;
inline constexpr int kNoteCount = 96;
inline constexpr uint8_t kKeyOffNote = 255;

struct XmInstrument {
    int32_t sampleCount;
    XmSample* samples[kMaxInstrumentSamples];  // unused slots point to EmptySample
    uint8_t sampleForNote[kNoteCount];
    EnvelopePoint volumeEnvelope[kEnvelopeCapacity];
    EnvelopePoint panningEnvelope[kEnvelopeCapacity];
    uint8_t volumePointCount;
    uint8_t panningPointCount;
    uint8_t volumeSustainPoint;
    uint8_t volumeLoopStart;
    uint8_t volumeLoopEnd;
    uint8_t panningSustainPoint;
    uint8_t panningLoopStart;
    uint8_t panningLoopEnd;
    uint8_t volumeType;  // bit 0 on, bit 1 sustain, bit 2 loop
    uint8_t panningType;
    uint8_t vibratoType;
    uint8_t vibratoSweep;
    uint8_t vibratoDepth;
    uint8_t vibratoRate;
    uint16_t fadeout;  // already doubled
};

inline constexpr uint8_t kEnvelopeOn = 1;
inline constexpr uint8_t kEnvelopeSustain = 2;
inline constexpr uint8_t kEnvelopeLoop = 4;

using TickHandler = void (*)(XmModule* module);

struct XmModule {
    XmPattern* patterns;
    XmInstrument* instruments;
    int32_t samplesLeftInTick;
    int32_t tickLength;
    int16_t songLength;
    int16_t restartPosition;
    int16_t channelCount;
    int32_t referencedPatterns;
    int32_t allocatedPatterns;
    int16_t instrumentCount;
    uint16_t flags;  // bit 0: linear frequency table
    uint16_t defaultSpeed;
    uint16_t defaultBpm;
    uint8_t orderTable[256];
    uint8_t defaultGlobalVolume;
    int32_t globalVolume;
    int32_t globalVolumeSlide;
    int32_t tick;
    int32_t speed;
    int32_t bpm;
    int32_t row;
    int32_t order;
    int32_t patternDelayTicks;
    int32_t nextRow;
    int32_t nextOrder;
    int32_t playedMilliseconds;
    TickHandler tickHandler;
};

inline constexpr uint16_t kLinearFrequencies = 1;
// The mixer and the channel table hold this many voices; files with more channels are refused.
inline constexpr int kMaxChannels = 32;

// Stand-ins for absent samples and out-of-range instruments; shared, never released.
extern XmSample EmptySample;
extern XmInstrument EmptyInstrument;

// The five music file callbacks; every byte the loader reads comes through them.
using MusicFileOpen = void* (*)(const char* name);
using MusicFileClose = void (*)(void* handle);
using MusicFileRead = uint32_t (*)(void* buffer, uint32_t byteCount, void* handle);
using MusicFileSeek = void (*)(void* handle, int32_t offset, uint8_t origin);  // 0 start, 1 current
using MusicFileTell = int32_t (*)(void* handle);

struct MusicFileCallbacks {
    MusicFileOpen open;
    MusicFileClose close;
    MusicFileRead read;
    MusicFileSeek seek;
    MusicFileTell tell;
};

// Stores the callbacks for every later load; if any is missing, all five are cleared.
void SetFileCallbacks(MusicFileOpen open, MusicFileClose close, MusicFileRead read,
                      MusicFileSeek seek, MusicFileTell tell);
// The callbacks now in force (all null when incomplete).
MusicFileCallbacks CurrentFileCallbacks();
bool FileCallbacksComplete();

// Loads a module through the callbacks; null on failure, with nothing left allocated.
XmModule* LoadModule(const char* fileName);

// Called by FreeModule before it releases anything, so the output side can wait for a running
// block mix and stop playback. Null installs nothing.
using ModuleReleaseHook = void (*)(XmModule* module);
void SetModuleReleaseHook(ModuleReleaseHook hook);

// Stops playback through the release hook, then releases everything; false for null.
bool FreeModule(XmModule* module);

}  // namespace tavrin
