#include "memory_music.h"

#include <algorithm>
#include <cstring>
#include <map>

#include "bytes/little_endian.h"

namespace tavrin::test {
namespace {

class ByteWriter {
public:
    void U8(int value) { bytes_.push_back(static_cast<uint8_t>(value)); }
    void U16(int value) { le::Append16(bytes_, static_cast<uint32_t>(value)); }
    void U32(uint32_t value) { le::Append32(bytes_, value); }
    void Text(const char* text, size_t size) {
        const size_t length = std::strlen(text);
        for (size_t i = 0; i < size; ++i) U8(i < length ? text[i] : 0);
    }
    void Zeros(size_t count) { bytes_.insert(bytes_.end(), count, 0); }
    std::vector<uint8_t> Take() { return std::move(bytes_); }

private:
    std::vector<uint8_t> bytes_;
};

constexpr int kSampleLength = 64;

struct OpenFile {
    const std::vector<uint8_t>* bytes;
    int32_t position;
};

std::map<std::string, std::vector<uint8_t>>& Files() {
    static std::map<std::string, std::vector<uint8_t>> files;
    return files;
}

void* Open(const char* name) {
    const auto found = Files().find(name);
    if (found == Files().end()) return nullptr;
    return new OpenFile{&found->second, 0};
}

void Close(void* handle) {
    delete static_cast<OpenFile*>(handle);
}

uint32_t Read(void* buffer, uint32_t byteCount, void* handle) {
    auto* file = static_cast<OpenFile*>(handle);
    const auto size = static_cast<int32_t>(file->bytes->size());
    const auto available = static_cast<uint32_t>(std::max(0, size - file->position));
    const uint32_t count = std::min(byteCount, available);
    if (count > 0) std::memcpy(buffer, file->bytes->data() + file->position, count);
    file->position += static_cast<int32_t>(count);
    return count;
}

void Seek(void* handle, int32_t offset, uint8_t origin) {
    auto* file = static_cast<OpenFile*>(handle);
    file->position = std::max(0, (origin == 1 ? file->position : 0) + offset);
}

int32_t Tell(void* handle) {
    return static_cast<OpenFile*>(handle)->position;
}

}  // namespace

std::vector<uint8_t> MakeTinyXm(const TinySong& song) {
    ByteWriter out;
    out.Text("Extended Module: ", 17);
    out.Text("tiny", 20);
    out.U8(0x1A);
    out.Text("tavrin tests", 20);
    out.U16(0x0104);
    out.U32(276);
    out.U16(song.orders);
    out.U16(0);  // restart position
    out.U16(1);  // channels
    out.U16(1);  // patterns
    out.U16(1);  // instruments
    out.U16(1);  // linear frequencies
    out.U16(song.speed);
    out.U16(song.bpm);
    for (int i = 0; i < 256; ++i) out.U8(0);

    // Row 0: C-4, instrument 1; every other row packed empty.
    out.U32(9);
    out.U8(0);
    out.U16(song.rows);
    out.U16(3 + song.rows - 1);
    out.U8(0x83);
    out.U8(49);
    out.U8(1);
    for (int row = 1; row < song.rows; ++row) out.U8(0x80);

    out.U32(263);
    out.Text("square", 22);
    out.U8(0);
    out.U16(1);
    out.U32(40);
    out.Zeros(96 + 48 + 48);
    out.Zeros(16);  // envelope counts and types, vibrato, fadeout: all off
    out.Zeros(263 - 241);

    out.U32(kSampleLength);
    out.U32(0);
    out.U32(kSampleLength);
    out.U8(48);  // volume
    out.U8(0);
    out.U8(1);  // forward loop, 8-bit
    out.U8(128);
    out.U8(0);
    out.Zeros(23);
    // A square wave, delta coded: one jump up at the start, one down in the middle.
    for (int i = 0; i < kSampleLength; ++i) {
        out.U8(i == 0 ? 60 : i == kSampleLength / 2 ? -120 : 0);
    }
    return out.Take();
}

void AddMemoryFile(const std::string& name, std::vector<uint8_t> bytes) {
    Files()[name] = std::move(bytes);
}

MusicFileCallbacks MemoryMusicCallbacks() {
    return {&Open, &Close, &Read, &Seek, &Tell};
}

}  // namespace tavrin::test
