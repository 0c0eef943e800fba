// Reads an XM file into XmModule. Samples end up as delta-decoded signed 16-bit mono with one
// guard element past the loop end, so the mixer can interpolate across it without a test.
#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

#include "music/music_file.h"
#include "music/replay.h"
#include "music/xm_module.h"

namespace tavrin {

XmSample EmptySample{};
XmInstrument EmptyInstrument{};

namespace {

constexpr char kSignature[] = "Extended Module: ";
constexpr int kSignatureLength = 17;
constexpr int kHeaderSizeOffset = 60;
constexpr int kMissingPatternRows = 64;
constexpr int kFileEnvelopePoints = 12;
constexpr int kEnvelopeMaxValue = 64;
constexpr int kGuardElements = 8;
constexpr uint32_t kReadChunk = 1u << 20;

ModuleReleaseHook g_releaseHook = nullptr;

bool ReadHeader(MusicFile& file, XmModule& module, int& filePatternCount) {
    char signature[kSignatureLength];
    file.SeekTo(0);
    file.Read(signature, kSignatureLength);
    if (std::memcmp(signature, kSignature, kSignatureLength) != 0) return false;

    module.tickHandler = ProcessTick;
    module.defaultGlobalVolume = 64;

    file.SeekTo(kHeaderSizeOffset);
    const uint32_t headerSize = file.ReadU32();
    module.songLength = static_cast<int16_t>(file.ReadU16());
    module.restartPosition = static_cast<int16_t>(file.ReadU16());
    module.channelCount = static_cast<int16_t>(file.ReadU16());
    filePatternCount = file.ReadU16();
    module.instrumentCount = static_cast<int16_t>(file.ReadU16());
    module.flags = file.ReadU16();
    module.defaultSpeed = file.ReadU16();
    module.defaultBpm = file.ReadU16();
    file.Read(module.orderTable, sizeof module.orderTable);
    file.SeekTo(int64_t{kHeaderSizeOffset} + headerSize);

    // The channel table and the mixer hold 32 voices; a file needing more cannot be played.
    return module.channelCount >= 0 && module.channelCount <= kMaxChannels &&
           module.instrumentCount >= 0;
}

void DecodeCell(MusicFile& file, XmNote& cell) {
    const uint8_t first = file.ReadU8();
    if (first & 0x80) {
        if (first & 0x01) cell.note = file.ReadU8();
        if (first & 0x02) cell.instrument = file.ReadU8();
        if (first & 0x04) cell.volume = file.ReadU8();
        if (first & 0x08) cell.effect = file.ReadU8();
        if (first & 0x10) cell.parameter = file.ReadU8();
    } else {
        cell.note = first;
        cell.instrument = file.ReadU8();
        cell.volume = file.ReadU8();
        cell.effect = file.ReadU8();
        cell.parameter = file.ReadU8();
    }
    if (cell.note == 97) cell.note = kKeyOffNote;
    if (cell.instrument > 128) cell.instrument = 0;
}

bool ReadPatterns(MusicFile& file, XmModule& module, int filePatternCount) {
    int highest = -1;
    for (int i = 0; i < module.songLength && i < 256; ++i)
        highest = std::max<int>(highest, module.orderTable[i]);
    module.referencedPatterns = highest + 1;
    module.allocatedPatterns = std::max(module.referencedPatterns, filePatternCount);
    module.patterns = new (std::nothrow) XmPattern[module.allocatedPatterns]();
    if (!module.patterns && module.allocatedPatterns > 0) return false;

    for (int p = 0; p < filePatternCount; ++p) {
        XmPattern& pattern = module.patterns[p];
        file.ReadU32();  // header length: 9 assumed
        file.ReadU8();   // packing type
        pattern.rows = file.ReadU16();
        const uint16_t packedSize = file.ReadU16();
        const size_t cellCount = static_cast<size_t>(pattern.rows) * module.channelCount;
        // A pattern without packed data has its rows but no cells: those rows read as empty.
        if (packedSize == 0 || cellCount == 0) continue;
        pattern.notes = new (std::nothrow) XmNote[cellCount]();
        if (!pattern.notes) return false;
        // Past the end of the file every byte reads as 0, which leaves the cells empty.
        for (size_t c = 0; c < cellCount && !file.Exhausted(); ++c)
            DecodeCell(file, pattern.notes[c]);
    }
    for (int p = filePatternCount; p < module.referencedPatterns; ++p)
        module.patterns[p].rows = kMissingPatternRows;
    return true;
}

void ReadEnvelope(MusicFile& file, EnvelopePoint* points) {
    for (int i = 0; i < kFileEnvelopePoints; ++i) {
        points[i].tick = file.ReadU16();
        points[i].value = std::min<uint16_t>(file.ReadU16(), kEnvelopeMaxValue);
    }
}

// Keeps every envelope index the engine follows inside the points the file gave.
uint8_t CheckedEnvelopeType(uint8_t type, uint8_t& count, uint8_t loopStart) {
    count = std::min<uint8_t>(count, kFileEnvelopePoints);
    if (count < 2) return 0;
    if (loopStart >= count) type &= static_cast<uint8_t>(~kEnvelopeLoop);
    return type;
}

void ReadInstrumentHeader(MusicFile& file, XmInstrument& instrument) {
    file.ReadU32();  // sample header size: 40 assumed
    file.Read(instrument.sampleForNote, kNoteCount);
    ReadEnvelope(file, instrument.volumeEnvelope);
    ReadEnvelope(file, instrument.panningEnvelope);
    instrument.volumePointCount = file.ReadU8();
    instrument.panningPointCount = file.ReadU8();
    instrument.volumeSustainPoint = file.ReadU8();
    instrument.volumeLoopStart = file.ReadU8();
    instrument.volumeLoopEnd = file.ReadU8();
    instrument.panningSustainPoint = file.ReadU8();
    instrument.panningLoopStart = file.ReadU8();
    instrument.panningLoopEnd = file.ReadU8();
    instrument.volumeType = file.ReadU8();
    instrument.panningType = file.ReadU8();
    instrument.vibratoType = file.ReadU8();
    instrument.vibratoSweep = file.ReadU8();
    instrument.vibratoDepth = file.ReadU8();
    instrument.vibratoRate = file.ReadU8();
    instrument.fadeout = static_cast<uint16_t>(file.ReadU16() * 2);
    instrument.volumeType = CheckedEnvelopeType(instrument.volumeType, instrument.volumePointCount,
                                                instrument.volumeLoopStart);
    instrument.panningType = CheckedEnvelopeType(
        instrument.panningType, instrument.panningPointCount, instrument.panningLoopStart);
}

// Keeps the loop inside the sample; a loop left empty makes the sample a one-shot.
void ClampLoop(XmSample& sample) {
    sample.loopStart = std::min(sample.loopStart, sample.length);
    sample.loopLength = std::min(sample.loopLength, sample.length - sample.loopStart);
    if (sample.loopLength == 0) {
        sample.loopStart = 0;
        sample.loopLength = sample.length;
        sample.loopMode = kLoopNone;
    }
}

void ReadSampleHeader(MusicFile& file, XmSample& sample) {
    sample.length = file.ReadU32();
    sample.loopStart = file.ReadU32();
    sample.loopLength = file.ReadU32();
    sample.volume = file.ReadU8();
    sample.finetune = static_cast<int8_t>(file.ReadU8());
    const uint8_t type = file.ReadU8();
    sample.loopMode = kLoopNone;
    sample.bits = 8;
    if (type & 0x01) sample.loopMode = kLoopForward;
    if (type & 0x02) sample.loopMode = kLoopPingPong;
    if (type & 0x10) sample.bits = 16;
    if (sample.loopMode == kLoopNone) {
        sample.loopStart = 0;
        sample.loopLength = sample.length;
    }
    if (sample.bits == 16) {
        sample.length /= 2;
        sample.loopStart /= 2;
        sample.loopLength /= 2;
    }
    ClampLoop(sample);
    sample.panning = file.ReadU8();
    sample.relativeNote = static_cast<int8_t>(file.ReadU8());
    file.Skip(23);
}

// Reads the sample's bytes, stopping where the file ends: a sample the file holds only in part
// keeps the part it holds, so a corrupt length cannot make the loader allocate beyond the file.
bool ReadSampleData(MusicFile& file, XmSample& sample) {
    if (sample.length == 0) return true;
    const uint64_t byteCount = static_cast<uint64_t>(sample.bits) * sample.length / 8;
    std::vector<uint8_t> bytes;
    try {
        while (bytes.size() < byteCount) {
            const uint32_t chunk =
                static_cast<uint32_t>(std::min<uint64_t>(kReadChunk, byteCount - bytes.size()));
            const size_t at = bytes.size();
            bytes.resize(at + chunk);
            const uint32_t delivered = file.Read(bytes.data() + at, chunk);
            if (delivered < chunk) {
                bytes.resize(at + delivered);
                break;
            }
        }
    } catch (const std::bad_alloc&) {
        return false;
    }

    const uint32_t delivered =
        static_cast<uint32_t>(sample.bits == 16 ? bytes.size() / 2 : bytes.size());
    if (delivered < sample.length) {
        sample.length = delivered;
        ClampLoop(sample);
        if (sample.length == 0) return true;
    }
    sample.data = new (std::nothrow) int16_t[size_t{sample.length} + kGuardElements]();
    if (!sample.data) return false;

    uint16_t previous = 0;
    for (uint32_t i = 0; i < sample.length; ++i) {
        const uint16_t stored = sample.bits == 16
                                    ? static_cast<uint16_t>(bytes[2 * i] | bytes[2 * i + 1] << 8)
                                    : static_cast<uint16_t>(bytes[i] << 8);
        previous = static_cast<uint16_t>(previous + stored);
        sample.data[i] = static_cast<int16_t>(previous);
    }
    sample.bits = 16;

    const uint32_t loopEnd = sample.loopStart + sample.loopLength;
    if (sample.loopMode == kLoopPingPong) sample.data[loopEnd] = sample.data[loopEnd - 1];
    if (sample.loopMode == kLoopForward) sample.data[loopEnd] = sample.data[sample.loopStart];
    return true;
}

bool ReadInstrument(MusicFile& file, XmInstrument& instrument) {
    const int32_t start = file.Tell();
    const uint32_t headerSize = file.ReadU32();
    const int64_t end = int64_t{start} + headerSize;
    file.Skip(23);
    const uint16_t sampleCount = file.ReadU16();
    if (sampleCount > kMaxInstrumentSamples) return false;
    instrument.sampleCount = sampleCount;
    for (XmSample*& slot : instrument.samples) slot = &EmptySample;
    if (sampleCount == 0) {
        file.SeekTo(end);
        return true;
    }
    ReadInstrumentHeader(file, instrument);
    file.SeekTo(end);

    for (int s = 0; s < sampleCount; ++s) {
        XmSample* sample = new (std::nothrow) XmSample{};
        if (!sample) {
            instrument.sampleCount = s;  // release only what exists
            return false;
        }
        instrument.samples[s] = sample;
        ReadSampleHeader(file, *sample);
    }
    for (int s = 0; s < sampleCount; ++s)
        if (!ReadSampleData(file, *instrument.samples[s])) return false;
    return true;
}

bool ReadInstruments(MusicFile& file, XmModule& module) {
    if (module.instrumentCount == 0) return true;
    module.instruments = new (std::nothrow) XmInstrument[module.instrumentCount]();
    if (!module.instruments) return false;
    // Every instrument starts with empty slots so a load that fails part-way releases cleanly.
    for (int i = 0; i < module.instrumentCount; ++i)
        for (XmSample*& slot : module.instruments[i].samples) slot = &EmptySample;
    for (int i = 0; i < module.instrumentCount; ++i)
        if (!ReadInstrument(file, module.instruments[i])) return false;
    return true;
}

bool ReadModule(MusicFile& file, XmModule& module) {
    int filePatternCount = 0;
    return ReadHeader(file, module, filePatternCount) &&
           ReadPatterns(file, module, filePatternCount) && ReadInstruments(file, module);
}

void ReleaseModule(XmModule* module) {
    for (int i = 0; module->instruments && i < module->instrumentCount; ++i) {
        XmInstrument& instrument = module->instruments[i];
        for (int s = 0; s < instrument.sampleCount; ++s) {
            if (instrument.samples[s] == &EmptySample) continue;
            delete[] instrument.samples[s]->data;
            delete instrument.samples[s];
        }
    }
    delete[] module->instruments;
    for (int p = 0; module->patterns && p < module->allocatedPatterns; ++p)
        delete[] module->patterns[p].notes;
    delete[] module->patterns;
    delete module;
}

}  // namespace

XmModule* LoadModule(const char* fileName) {
    XmModule* module = new (std::nothrow) XmModule{};
    if (!module) return nullptr;
    bool loaded = false;
    {
        MusicFile file(fileName);
        loaded = file.IsOpen() && ReadModule(file, *module);
    }
    if (!loaded) {
        ReleaseModule(module);
        return nullptr;
    }
    return module;
}

void SetModuleReleaseHook(ModuleReleaseHook hook) {
    g_releaseHook = hook;
}

bool FreeModule(XmModule* module) {
    if (!module) return false;
    if (g_releaseHook) g_releaseHook(module);
    ReleaseModule(module);
    return true;
}

}  // namespace tavrin
