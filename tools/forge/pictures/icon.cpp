#include "pictures/icon.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace tavrin::forge {
namespace {

// How much of each source pixel along one axis falls into destination pixel i, whose footprint in
// source pixels is [i * scale - offset, (i + 1) * scale - offset).
struct Span {
    int first = 0;
    std::vector<double> weights;
};

Span Footprint(int i, double scale, double offset, int sourceLength) {
    const double from = i * scale - offset, to = (i + 1) * scale - offset;
    Span span;
    span.first = std::max(0, static_cast<int>(std::floor(from)));
    const int last = std::min(sourceLength, static_cast<int>(std::ceil(to)));
    for (int s = span.first; s < last; ++s) {
        span.weights.push_back((std::min(to, s + 1.0) - std::max(from, double(s))) / scale);
    }
    return span;
}

}  // namespace

Canvas MakeIcon(const Canvas& title, int size) {
    const double scale = double(std::max(title.width, title.height)) / size;
    const double offsetX = (size * scale - title.width) / 2.0,
                 offsetY = (size * scale - title.height) / 2.0;
    Canvas icon(size, size, {0.0, 0.0, 0.0, 1.0});
    for (int y = 0; y < size; ++y) {
        const Span rows = Footprint(y, scale, offsetY, title.height);
        for (int x = 0; x < size; ++x) {
            const Span columns = Footprint(x, scale, offsetX, title.width);
            Rgba sum{0.0, 0.0, 0.0, 1.0};
            for (size_t r = 0; r < rows.weights.size(); ++r) {
                for (size_t c = 0; c < columns.weights.size(); ++c) {
                    const Rgba& p = title.At(columns.first + int(c), rows.first + int(r));
                    sum = Added(sum, Scaled(p, p.a * rows.weights[r] * columns.weights[c]));
                }
            }
            icon.At(x, y) = sum;
        }
    }
    return icon;
}

}  // namespace tavrin::forge
