#pragma once

#include <bit>
#include <cstdint>
#include <string>
#include <vector>

#include "bytes/little_endian.h"

namespace tavrin::test {

// Writes 3DS chunks in memory; Begin/End nest, and End fills in the length.
class ChunkWriter {
public:
    ChunkWriter& Begin(uint16_t id) {
        starts_.push_back(bytes_.size());
        U16(id);
        U32(0);
        return *this;
    }
    ChunkWriter& End() {
        const size_t start = starts_.back();
        starts_.pop_back();
        Patch32(bytes_, start + 2, static_cast<uint32_t>(bytes_.size() - start));
        return *this;
    }
    ChunkWriter& U16(uint16_t v) {
        le::Append16(bytes_, v);
        return *this;
    }
    ChunkWriter& U32(uint32_t v) {
        le::Append32(bytes_, v);
        return *this;
    }
    ChunkWriter& F32(float v) { return U32(std::bit_cast<uint32_t>(v)); }
    ChunkWriter& Xyz(float x, float y, float z) { return F32(x).F32(y).F32(z); }
    ChunkWriter& String(const std::string& s) {
        bytes_.insert(bytes_.end(), s.begin(), s.end());
        bytes_.push_back(0);
        return *this;
    }
    // A whole chunk holding only a string, or only a 32-bit value.
    ChunkWriter& StringChunk(uint16_t id, const std::string& s) { return Begin(id).String(s).End(); }
    ChunkWriter& U32Chunk(uint16_t id, uint32_t v) { return Begin(id).U32(v).End(); }

    static void Patch32(std::vector<uint8_t>& bytes, size_t at, uint32_t v) {
        le::Store32(&bytes[at], v);
    }
    size_t Size() const { return bytes_.size(); }
    const std::vector<uint8_t>& Bytes() const { return bytes_; }

private:
    std::vector<uint8_t> bytes_;
    std::vector<size_t> starts_;
};

// One key of a track chunk: frame, spline flags and the optional floats in file order.
struct KeySpec {
    uint32_t frame;
    uint16_t flags = 0;
    std::vector<float> optional = {};
    std::vector<float> value = {0};  // one float, or x, y, z in file axes
};

inline void WriteTrack(ChunkWriter& w, uint16_t id, const std::vector<KeySpec>& keys) {
    w.Begin(id).U16(0).U32(0).U32(0).U32(static_cast<uint32_t>(keys.size()));
    for (const KeySpec& key : keys) {
        w.U32(key.frame).U16(key.flags);
        for (float f : key.optional) w.F32(f);
        for (float f : key.value) w.F32(f);
    }
    w.End();
}

}  // namespace tavrin::test
