#include "music/xm_writer.h"

#include <algorithm>

#include "bytes/little_endian.h"

namespace tavrin {

namespace {

constexpr uint32_t kSongHeaderSize = 276;
constexpr uint32_t kInstrumentHeaderSize = 263;
constexpr uint32_t kFieldsBeforeSampleCount = 29;  // size, name, type and the sample count
constexpr uint32_t kSampleHeaderSize = 40;
constexpr uint8_t kFileKeyOff = 97;

class ByteWriter {
public:
    void U8(uint32_t v) { bytes_.push_back(static_cast<uint8_t>(v)); }
    void U16(uint32_t v) { le::Append16(bytes_, v); }
    void U32(uint32_t v) { le::Append32(bytes_, v); }
    void Text(const std::string& text, size_t width) {
        for (size_t i = 0; i < width; ++i) U8(i < text.size() ? text[i] : 0);
    }
    void Zeros(size_t count) { bytes_.insert(bytes_.end(), count, 0); }
    void Bytes(const std::vector<uint8_t>& more) {
        bytes_.insert(bytes_.end(), more.begin(), more.end());
    }
    size_t Size() const { return bytes_.size(); }
    void Resize(size_t size) { bytes_.resize(size); }
    std::vector<uint8_t> Take() { return std::move(bytes_); }

private:
    std::vector<uint8_t> bytes_;
};

void WriteHeader(ByteWriter& out, const XmSongSpec& song) {
    out.Text("Extended Module: ", 17);
    out.Text(song.name, 20);
    out.U8(0x1A);
    out.Text("Tavrin", 20);
    out.U16(0x0104);
    out.U32(kSongHeaderSize);
    out.U16(static_cast<uint32_t>(song.orders.size()));
    out.U16(song.restartPosition);
    out.U16(song.channelCount);
    out.U16(static_cast<uint32_t>(song.patterns.size()));
    out.U16(static_cast<uint32_t>(song.instruments.size()));
    out.U16(song.flags);
    out.U16(song.speed);
    out.U16(song.bpm);
    for (size_t i = 0; i < 256; ++i) out.U8(i < song.orders.size() ? song.orders[i] : 0);
}

// Bytes a tracker may leave after the cells it packed; read as cells they would add notes.
void AdjustPackedSize(std::vector<uint8_t>& packed, int32_t extra) {
    if (extra < 0) {
        packed.resize(packed.size() - std::min<size_t>(packed.size(), static_cast<size_t>(-extra)));
        return;
    }
    for (int32_t i = 0; i < extra; ++i) packed.push_back(i % 2 ? 0x31 : 0x81);
}

void WritePattern(ByteWriter& out, const XmPatternSpec& pattern, uint16_t channels,
                  const XmLayoutSpec& layout) {
    std::vector<XmNote> cells(static_cast<size_t>(pattern.rows) * channels);
    std::copy_n(pattern.cells.begin(), std::min(cells.size(), pattern.cells.size()), cells.begin());
    const bool empty = std::all_of(cells.begin(), cells.end(), [](const XmNote& cell) {
        return !cell.note && !cell.instrument && !cell.volume && !cell.effect && !cell.parameter;
    });
    std::vector<uint8_t> packed =
        empty ? std::vector<uint8_t>{} : PackPattern(cells.data(), cells.size());
    if (!empty) AdjustPackedSize(packed, layout.extraPackedBytes);
    const size_t start = out.Size();
    out.U32(layout.patternHeaderLength);
    out.U8(0);
    out.U16(static_cast<uint32_t>(pattern.rows));
    out.U16(static_cast<uint32_t>(packed.size()));
    if (out.Size() < start + layout.patternHeaderLength)
        out.Zeros(start + layout.patternHeaderLength - out.Size());
    out.Bytes(packed);
}

void WriteEnvelopePoints(ByteWriter& out, const XmEnvelopeSpec& envelope) {
    for (size_t i = 0; i < 12; ++i) {
        const EnvelopePoint point =
            i < envelope.points.size() ? envelope.points[i] : EnvelopePoint{};
        out.U16(point.tick);
        out.U16(point.value);
    }
}

uint32_t SampleBytes(const XmSampleSpec& sample, uint32_t elements) {
    return sample.sixteenBit ? elements * 2 : elements;
}

void WriteSampleHeader(ByteWriter& out, const XmSampleSpec& sample, uint32_t headerSize) {
    const size_t start = out.Size();
    const uint32_t length = static_cast<uint32_t>(sample.pcm.size());
    out.U32(SampleBytes(sample, length));
    out.U32(SampleBytes(sample, sample.loopStart));
    out.U32(SampleBytes(sample, sample.loopLength));
    out.U8(sample.volume);
    out.U8(static_cast<uint8_t>(sample.finetune));
    uint8_t type = sample.sixteenBit ? 0x10 : 0;
    if (sample.loopMode == kLoopForward) type |= 0x01;
    if (sample.loopMode == kLoopPingPong) type |= 0x02;
    out.U8(type);
    out.U8(sample.panning);
    out.U8(static_cast<uint8_t>(sample.relativeNote));
    out.U8(0);
    out.Text(sample.name, 22);
    if (out.Size() < start + headerSize) out.Zeros(start + headerSize - out.Size());
}

void WriteSampleData(ByteWriter& out, const XmSampleSpec& sample) {
    int32_t previous = 0;
    for (const int16_t value : sample.pcm) {
        const int32_t stored = sample.sixteenBit ? value : value >> 8;
        const int32_t delta = stored - previous;
        previous = stored;
        if (sample.sixteenBit)
            out.U16(static_cast<uint16_t>(delta));
        else
            out.U8(static_cast<uint8_t>(delta));
    }
}

void WriteInstrument(ByteWriter& out, const XmInstrumentSpec& instrument,
                     const XmLayoutSpec& layout) {
    const size_t start = out.Size();
    out.U32(layout.instrumentHeaderSize);
    out.Text(instrument.name, 22);
    out.U8(0);
    out.U16(static_cast<uint32_t>(instrument.samples.size()));
    out.U32(layout.sampleHeaderSize);
    for (const uint8_t number : instrument.sampleForNote) out.U8(number);
    WriteEnvelopePoints(out, instrument.volumeEnvelope);
    WriteEnvelopePoints(out, instrument.panningEnvelope);
    out.U8(static_cast<uint32_t>(instrument.volumeEnvelope.points.size()));
    out.U8(static_cast<uint32_t>(instrument.panningEnvelope.points.size()));
    out.U8(instrument.volumeEnvelope.sustainPoint);
    out.U8(instrument.volumeEnvelope.loopStart);
    out.U8(instrument.volumeEnvelope.loopEnd);
    out.U8(instrument.panningEnvelope.sustainPoint);
    out.U8(instrument.panningEnvelope.loopStart);
    out.U8(instrument.panningEnvelope.loopEnd);
    out.U8(instrument.volumeEnvelope.type);
    out.U8(instrument.panningEnvelope.type);
    out.U8(instrument.vibratoType);
    out.U8(instrument.vibratoSweep);
    out.U8(instrument.vibratoDepth);
    out.U8(instrument.vibratoRate);
    out.U16(instrument.fadeout);
    out.Zeros(start + kInstrumentHeaderSize - out.Size());
    out.Resize(start + std::max(layout.instrumentHeaderSize, kFieldsBeforeSampleCount));
    for (const XmSampleSpec& sample : instrument.samples)
        WriteSampleHeader(out, sample, std::max(layout.sampleHeaderSize, kSampleHeaderSize));
    for (const XmSampleSpec& sample : instrument.samples) WriteSampleData(out, sample);
}

}  // namespace

std::vector<uint8_t> PackPattern(const XmNote* cells, size_t cellCount) {
    ByteWriter out;
    for (size_t i = 0; i < cellCount; ++i) {
        const XmNote& cell = cells[i];
        const uint8_t note = cell.note == kKeyOffNote ? kFileKeyOff : cell.note;
        const uint8_t fields[5] = {note, cell.instrument, cell.volume, cell.effect, cell.parameter};
        uint8_t mask = 0;
        for (int f = 0; f < 5; ++f)
            if (fields[f]) mask |= static_cast<uint8_t>(1 << f);
        if (mask == 0x1F) {  // all five present: unpacked is one byte shorter
            for (const uint8_t field : fields) out.U8(field);
            continue;
        }
        out.U8(0x80 | mask);
        for (int f = 0; f < 5; ++f)
            if (fields[f]) out.U8(fields[f]);
    }
    return out.Take();
}

std::vector<uint8_t> WriteXm(const XmSongSpec& song) {
    ByteWriter out;
    WriteHeader(out, song);
    for (const XmPatternSpec& pattern : song.patterns)
        WritePattern(out, pattern, song.channelCount, song.layout);
    for (const XmInstrumentSpec& instrument : song.instruments)
        WriteInstrument(out, instrument, song.layout);
    return out.Take();
}

}  // namespace tavrin
