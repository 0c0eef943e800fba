#include "image_compare.h"

#include <algorithm>
#include <cstdlib>

namespace tavrin::record {
namespace {

constexpr uint32_t kMarked = 0xFFFF0000u;

int Channel(uint32_t pixel, int shift) { return static_cast<int>((pixel >> shift) & 0xFF); }

int LargestChannelDifference(uint32_t a, uint32_t b) {
    return std::max({std::abs(Channel(a, 16) - Channel(b, 16)), std::abs(Channel(a, 8) - Channel(b, 8)),
                     std::abs(Channel(a, 0) - Channel(b, 0))});
}

// A third of the pixel's brightness, so marks stand out against any picture.
uint32_t DimGrey(uint32_t pixel) {
    const uint32_t level = static_cast<uint32_t>(Channel(pixel, 16) + Channel(pixel, 8) + Channel(pixel, 0)) / 9;
    return 0xFF000000u | level << 16 | level << 8 | level;
}

}  // namespace

ImageDifference CompareImages(const std::vector<uint32_t>& actual,
                              const std::vector<uint32_t>& reference, int channelTolerance) {
    ImageDifference difference;
    const size_t count = std::min(actual.size(), reference.size());
    difference.map.resize(count);
    for (size_t i = 0; i < count; ++i) {
        const int channelDifference = LargestChannelDifference(actual[i], reference[i]);
        difference.largestChannelDifference = std::max(difference.largestChannelDifference, channelDifference);
        const bool over = channelDifference > channelTolerance;
        difference.pixelsOverTolerance += over ? 1 : 0;
        difference.map[i] = over ? kMarked : DimGrey(actual[i]);
    }
    return difference;
}

}  // namespace tavrin::record
