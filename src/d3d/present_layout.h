#pragma once

namespace tavrin::d3d {

struct PixelRect {
    int x, y, width, height;
};

// The largest rectangle with the source's aspect that fits the destination, centred: the
// picture scaled with its aspect kept, black bars on the sides or at top and bottom.
PixelRect LetterboxRect(int sourceWidth, int sourceHeight, int destinationWidth,
                        int destinationHeight);

}  // namespace tavrin::d3d
