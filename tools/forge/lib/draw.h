#pragma once

#include <functional>
#include <vector>

#include "lib/canvas.h"

// Anti-aliased vector drawing in pixel coordinates (x right, y down, pixel centres at .5): the
// coverage of each pixel is its distance to the shape's edge, clamped to one pixel of ramp.

namespace tavrin::forge {

// Colour of a shape at a pixel position: lets one stroke run through a gradient.
using Paint = std::function<Rgba(V2)>;

inline Paint Solid(Rgba colour) {
    return [colour](V2) { return colour; };
}

void StrokeSegment(Canvas& image, V2 a, V2 b, double width, const Paint& paint);
void StrokePolyline(Canvas& image, const std::vector<V2>& points, bool closed, double width,
                    const Paint& paint);
void StrokeCircle(Canvas& image, V2 centre, double radius, double width, const Paint& paint);
void FillDisc(Canvas& image, V2 centre, double radius, const Paint& paint);
// Axis-aligned rectangle from corner a to corner b with anti-aliased borders.
void FillRect(Canvas& image, V2 a, V2 b, const Paint& paint);

// Points of a circular arc, angles in radians (0 along +x, growing towards +y, i.e. downwards).
std::vector<V2> ArcPoints(V2 centre, double radius, double from, double to, int segments);

}  // namespace tavrin::forge
