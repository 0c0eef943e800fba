#pragma once

#include <cstdint>
#include <vector>

// Little-endian integers in byte buffers: the byte order of every file format Tavrin reads or
// writes (ZIP, BMP, TGA, DDS, X, XM, 3DS, WAV). Callers check the buffer's length first.
namespace tavrin::le {

constexpr uint16_t Read16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | p[1] << 8);
}

constexpr uint32_t Read32(const uint8_t* p) {
    return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}

constexpr uint64_t Read64(const uint8_t* p) {
    return Read32(p) | uint64_t{Read32(p + 4)} << 32;
}

// Stores the low 16 bits of v.
constexpr void Store16(uint8_t* p, uint32_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}

constexpr void Store32(uint8_t* p, uint32_t v) {
    Store16(p, v);
    Store16(p + 2, v >> 16);
}

// Appends the low 16 bits of v.
inline void Append16(std::vector<uint8_t>& out, uint32_t v) {
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}

inline void Append32(std::vector<uint8_t>& out, uint32_t v) {
    Append16(out, v);
    Append16(out, v >> 16);
}

}  // namespace tavrin::le
