#pragma once

#include <cstdint>
#include <vector>

namespace tavrin::record {

// How far a rendered frame is from a stored reference of the same size (A8R8G8B8, alpha ignored).
struct ImageDifference {
    // Pixels with some colour channel further than the tolerance from the reference.
    int64_t pixelsOverTolerance = 0;
    // The largest channel difference anywhere, 0 to 255.
    int largestChannelDifference = 0;
    // The frame in dim grey with every pixel over the tolerance in full red: where it went wrong.
    std::vector<uint32_t> map;
};

// Compares channel by channel; both images hold the same number of pixels.
ImageDifference CompareImages(const std::vector<uint32_t>& actual,
                              const std::vector<uint32_t>& reference, int channelTolerance);

}  // namespace tavrin::record
