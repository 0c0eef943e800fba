#include "d3d/present_layout.h"

#include <cmath>

namespace tavrin::d3d {

PixelRect LetterboxRect(int sourceWidth, int sourceHeight, int destinationWidth,
                        int destinationHeight) {
    if (sourceWidth <= 0 || sourceHeight <= 0 || destinationWidth <= 0 || destinationHeight <= 0) {
        return {0, 0, 0, 0};
    }
    // Compare aspects in integers so an exact fit gives the whole destination.
    const long long across = static_cast<long long>(destinationWidth) * sourceHeight;
    const long long down = static_cast<long long>(destinationHeight) * sourceWidth;
    int width = destinationWidth;
    int height = destinationHeight;
    if (across > down) {
        width = static_cast<int>(std::lround(static_cast<double>(down) / sourceHeight));
    } else if (across < down) {
        height = static_cast<int>(std::lround(static_cast<double>(across) / sourceWidth));
    }
    return {(destinationWidth - width) / 2, (destinationHeight - height) / 2, width, height};
}

}  // namespace tavrin::d3d
