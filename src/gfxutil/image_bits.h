#pragma once

#include <bit>
#include <cstdint>
#include <cstring>

#include "bytes/little_endian.h"
#include "d3d/texel_convert.h"

// Small helpers shared by the raw-pixel decoders: signed reads, colour packing and channel masks.

namespace tavrin {

inline int32_t ReadS32(const uint8_t* p) {
    return static_cast<int32_t>(le::Read32(p));
}

// Extracts one colour channel given by a contiguous bit mask and widens it to 8 bits.
class ChannelMask {
public:
    ChannelMask() = default;
    explicit ChannelMask(uint32_t mask)
        : shift_(mask ? std::countr_zero(mask) : 0), max_(mask ? mask >> shift_ : 0) {}

    bool Present() const { return max_ != 0; }
    // A mask must be one run of bits for the widening below to be meaningful.
    bool Contiguous() const { return (max_ & (max_ + 1)) == 0; }

    uint32_t Extract(uint32_t pixel) const {
        if (max_ == 0) return 0;
        const uint32_t value = (pixel >> shift_) & max_;
        return max_ == 255 ? value
                           : static_cast<uint32_t>((uint64_t{value} * 255 + max_ / 2) / max_);
    }

private:
    int shift_ = 0;
    uint32_t max_ = 0;
};

// Converts pixels whose channels are given by masks; a missing alpha mask means opaque.
class MaskedPixelFormat {
public:
    MaskedPixelFormat(uint32_t red, uint32_t green, uint32_t blue, uint32_t alpha)
        : red_(red), green_(green), blue_(blue), alpha_(alpha) {}

    bool Valid() const {
        return red_.Contiguous() && green_.Contiguous() && blue_.Contiguous() &&
               alpha_.Contiguous();
    }

    uint32_t ToArgb(uint32_t pixel) const {
        const uint32_t a = alpha_.Present() ? alpha_.Extract(pixel) : 255;
        return Argb(a, red_.Extract(pixel), green_.Extract(pixel), blue_.Extract(pixel));
    }

private:
    ChannelMask red_, green_, blue_, alpha_;
};

// Reads a 1..4-byte little-endian pixel.
inline uint32_t ReadPixelBytes(const uint8_t* p, unsigned bytes) {
    uint32_t value = 0;
    for (unsigned i = 0; i < bytes; ++i) value |= uint32_t{p[i]} << (8 * i);
    return value;
}

}  // namespace tavrin
