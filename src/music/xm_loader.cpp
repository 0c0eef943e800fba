// Reads an XM file into XmModule. Samples end up as delta-decoded signed 16-bit mono with one
// guard element past the loop end, so the mixer can interpolate across it without a test.
#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

#include "bytes/little_endian.h"
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
constexpr uint32_t kPatternHeaderLength = 9;
constexpr int32_t kDefaultPatternRows = 64;  // what other players make of a 0-row pattern
constexpr int32_t kMostPatternRows = 1024;
constexpr uint32_t kInstrumentHeaderSize = 263;
constexpr uint32_t kInstrumentFieldsBeforeHeader = 29;  // size, name, type and sample count

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

// Reads little-endian values from bytes already loaded; past the end every byte reads as 0.
class ByteCursor {
public:
    ByteCursor(const uint8_t* bytes, size_t size) : bytes_(bytes), size_(size) {}
    bool AtEnd() const { return at_ >= size_; }
    uint8_t U8() { return at_ < size_ ? bytes_[at_++] : 0; }
    uint16_t U16() {
        uint8_t bytes[2];
        Copy(bytes, 2);
        return le::Read16(bytes);
    }
    uint32_t U32() {
        uint8_t bytes[4];
        Copy(bytes, 4);
        return le::Read32(bytes);
    }
    void Copy(void* out, size_t count) {
        auto* to = static_cast<uint8_t*>(out);
        for (size_t i = 0; i < count; ++i) to[i] = U8();
    }
    void Skip(size_t count) { at_ += count; }

private:
    const uint8_t* bytes_;
    size_t size_;
    size_t at_ = 0;
};

void DecodeCell(ByteCursor& packed, XmNote& cell) {
    const uint8_t first = packed.U8();
    if (first & 0x80) {
        if (first & 0x01) cell.note = packed.U8();
        if (first & 0x02) cell.instrument = packed.U8();
        if (first & 0x04) cell.volume = packed.U8();
        if (first & 0x08) cell.effect = packed.U8();
        if (first & 0x10) cell.parameter = packed.U8();
    } else {
        cell.note = first;
        cell.instrument = packed.U8();
        cell.volume = packed.U8();
        cell.effect = packed.U8();
        cell.parameter = packed.U8();
    }
    if (cell.note == 97) cell.note = kKeyOffNote;
    if (cell.instrument > 128) cell.instrument = 0;
}

// A pattern is read by the sizes it states, as other trackers write them: the packed data starts
// after the stated header length, and cells come from the stated packed bytes only (a short
// block leaves the rest of the pattern empty, a long one is skipped). False for a header too
// short to hold its own fields.
bool ReadPattern(MusicFile& file, XmPattern& pattern, int channelCount) {
    const int64_t start = file.Tell();
    const uint32_t headerLength = file.ReadU32();
    file.ReadU8();  // packing type
    const uint16_t rows = file.ReadU16();
    const uint16_t packedSize = file.ReadU16();
    if (file.Exhausted()) return true;  // the file ends here: the pattern stays empty
    if (headerLength < kPatternHeaderLength) return false;
    pattern.rows = rows == 0 ? kDefaultPatternRows : std::min<int32_t>(rows, kMostPatternRows);
    file.SeekTo(start + headerLength);
    const size_t cellCount = static_cast<size_t>(pattern.rows) * channelCount;
    // A pattern without packed data has its rows but no cells: those rows read as empty.
    if (packedSize == 0 || cellCount == 0) {
        file.Skip(packedSize);
        return true;
    }
    std::vector<uint8_t> packed(packedSize);
    const uint32_t delivered = file.Read(packed.data(), packedSize);
    if (delivered == 0) return true;
    pattern.notes = new (std::nothrow) XmNote[cellCount]();
    if (!pattern.notes) return false;
    ByteCursor cursor(packed.data(), delivered);
    for (size_t c = 0; c < cellCount && !cursor.AtEnd(); ++c) DecodeCell(cursor, pattern.notes[c]);
    return true;
}

bool ReadPatterns(MusicFile& file, XmModule& module, int filePatternCount) {
    int highest = -1;
    for (int i = 0; i < module.songLength && i < 256; ++i)
        highest = std::max<int>(highest, module.orderTable[i]);
    module.referencedPatterns = highest + 1;
    module.allocatedPatterns = std::max(module.referencedPatterns, filePatternCount);
    module.patterns = new (std::nothrow) XmPattern[module.allocatedPatterns]();
    if (!module.patterns && module.allocatedPatterns > 0) return false;

    for (int p = 0; p < filePatternCount; ++p)
        if (!ReadPattern(file, module.patterns[p], module.channelCount)) return false;
    for (int p = filePatternCount; p < module.referencedPatterns; ++p)
        module.patterns[p].rows = kMissingPatternRows;
    return true;
}

void ReadEnvelope(ByteCursor& header, EnvelopePoint* points) {
    for (int i = 0; i < kFileEnvelopePoints; ++i) {
        points[i].tick = header.U16();
        points[i].value = std::min<uint16_t>(header.U16(), kEnvelopeMaxValue);
    }
}

// Keeps every envelope index the engine follows inside the points the file gave.
uint8_t CheckedEnvelopeType(uint8_t type, uint8_t& count, uint8_t loopStart) {
    count = std::min<uint8_t>(count, kFileEnvelopePoints);
    if (count < 2) return 0;
    if (loopStart >= count) type &= static_cast<uint8_t>(~kEnvelopeLoop);
    return type;
}

// The fields after the sample count; the header's stated size cuts them (cut fields read as 0).
void ReadInstrumentHeader(ByteCursor& header, XmInstrument& instrument) {
    // The sample header size is not used: other players read 40-byte sample headers whatever
    // it says.
    header.U32();
    header.Copy(instrument.sampleForNote, kNoteCount);
    ReadEnvelope(header, instrument.volumeEnvelope);
    ReadEnvelope(header, instrument.panningEnvelope);
    instrument.volumePointCount = header.U8();
    instrument.panningPointCount = header.U8();
    instrument.volumeSustainPoint = header.U8();
    instrument.volumeLoopStart = header.U8();
    instrument.volumeLoopEnd = header.U8();
    instrument.panningSustainPoint = header.U8();
    instrument.panningLoopStart = header.U8();
    instrument.panningLoopEnd = header.U8();
    instrument.volumeType = header.U8();
    instrument.panningType = header.U8();
    instrument.vibratoType = header.U8();
    instrument.vibratoSweep = header.U8();
    instrument.vibratoDepth = header.U8();
    instrument.vibratoRate = header.U8();
    instrument.fadeout = static_cast<uint16_t>(header.U16() * 2);
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
        const uint16_t stored =
            sample.bits == 16 ? le::Read16(&bytes[2 * i]) : static_cast<uint16_t>(bytes[i] << 8);
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
    uint8_t bytes[kInstrumentHeaderSize] = {};
    const uint32_t delivered = file.Read(bytes, sizeof bytes);
    ByteCursor header(bytes, sizeof bytes);
    const uint32_t headerSize = header.U32();
    // A header too short to hold its own sample count is broken, unless the file ended in it.
    if (headerSize < kInstrumentFieldsBeforeHeader && delivered >= kInstrumentFieldsBeforeHeader)
        return false;
    ByteCursor fields(bytes, std::min<uint32_t>(headerSize, kInstrumentHeaderSize));
    fields.Skip(27);  // size, name and type
    const uint16_t sampleCount = fields.U16();
    if (sampleCount > kMaxInstrumentSamples) return false;
    instrument.sampleCount = sampleCount;
    for (XmSample*& slot : instrument.samples) slot = &EmptySample;
    file.SeekTo(int64_t{start} + headerSize);
    if (sampleCount == 0) return true;
    ReadInstrumentHeader(fields, instrument);

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
