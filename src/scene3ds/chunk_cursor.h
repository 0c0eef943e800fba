#pragma once

#include <bit>
#include <cstdint>
#include <cstring>
#include <span>

#include "bytes/little_endian.h"
#include "scene3ds/dvec3.h"

namespace tavrin {

// Little-endian reads over a 3DS file held in memory. A read past the end fails the cursor for
// good and yields zeros, so parsers can read a record and check once.
class ChunkCursor {
public:
    explicit ChunkCursor(std::span<const uint8_t> bytes) : bytes_(bytes) {}

    bool ok() const { return ok_; }
    size_t Position() const { return position_; }
    size_t Remaining() const { return bytes_.size() - position_; }

    // Moves to an absolute position inside the data.
    bool Seek(uint64_t position) {
        if (!ok_ || position > bytes_.size()) return ok_ = false;
        position_ = static_cast<size_t>(position);
        return true;
    }
    bool Skip(size_t count) { return Seek(uint64_t{position_} + count); }

    uint16_t U16() {
        const uint8_t* p = Take(2);
        return p ? le::Read16(p) : 0;
    }
    uint32_t U32() {
        const uint8_t* p = Take(4);
        return p ? le::Read32(p) : 0;
    }
    // Counts and indices stored as 16 bits are signed in this format.
    int I16() { return static_cast<int16_t>(U16()); }
    float F32() { return std::bit_cast<float>(U32()); }

    // Three floats (x, y, z) of the file's z-up space, as a y-up point (x, z, -y).
    DVec3 Point() {
        const double x = F32(), y = F32(), z = F32();
        return {x, z, -y};
    }

    // A zero-terminated string; at most size - 1 characters are kept, the rest is passed over.
    bool String(char* out, size_t size) {
        if (!ok_ || Remaining() == 0) return ok_ = false;
        const uint8_t* begin = bytes_.data() + position_;
        const auto* end = static_cast<const uint8_t*>(std::memchr(begin, 0, Remaining()));
        if (!end) return ok_ = false;
        const size_t length = static_cast<size_t>(end - begin);
        const size_t kept = length < size ? length : size - 1;
        std::memcpy(out, begin, kept);
        out[kept] = '\0';
        position_ += length + 1;
        return true;
    }

private:
    const uint8_t* Take(size_t count) {
        if (!ok_ || count > Remaining()) {
            ok_ = false;
            return nullptr;
        }
        const uint8_t* p = bytes_.data() + position_;
        position_ += count;
        return p;
    }

    std::span<const uint8_t> bytes_;
    size_t position_ = 0;
    bool ok_ = true;
};

}  // namespace tavrin
