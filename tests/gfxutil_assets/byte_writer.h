#pragma once

#include <cstdint>
#include <cstring>
#include <span>
#include <string>
#include <vector>

#include "bytes/little_endian.h"

// Little-endian byte assembly for the file fixtures the tests write.
namespace tavrin::testing {

class ByteWriter {
public:
    ByteWriter& U8(uint32_t v) {
        bytes_.push_back(static_cast<uint8_t>(v));
        return *this;
    }
    ByteWriter& U16(uint32_t v) {
        le::Append16(bytes_, v);
        return *this;
    }
    ByteWriter& U32(uint32_t v) {
        le::Append32(bytes_, v);
        return *this;
    }
    ByteWriter& F32(float f) {
        uint32_t v;
        std::memcpy(&v, &f, 4);
        return U32(v);
    }
    ByteWriter& F64(double d) {
        uint64_t v;
        std::memcpy(&v, &d, 8);
        return U32(static_cast<uint32_t>(v)).U32(static_cast<uint32_t>(v >> 32));
    }
    ByteWriter& Text(const std::string& s) {
        bytes_.insert(bytes_.end(), s.begin(), s.end());
        return *this;
    }
    ByteWriter& Bytes(std::span<const uint8_t> b) {
        bytes_.insert(bytes_.end(), b.begin(), b.end());
        return *this;
    }
    ByteWriter& Zeros(size_t n) {
        bytes_.insert(bytes_.end(), n, 0);
        return *this;
    }
    void PatchU32(size_t at, uint32_t v) { le::Store32(&bytes_[at], v); }
    size_t Size() const { return bytes_.size(); }
    const std::vector<uint8_t>& Bytes() const { return bytes_; }

private:
    std::vector<uint8_t> bytes_;
};

}  // namespace tavrin::testing
