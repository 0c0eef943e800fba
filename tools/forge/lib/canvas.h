#pragma once

#include <cstdint>
#include <vector>

#include "lib/vecmath.h"

// A picture being generated: straight (not premultiplied) RGBA in 0..1, row 0 at the top, as every
// file format the forge writes is turned round to that orientation.

namespace tavrin::forge {

struct Rgba {
    double r = 0.0, g = 0.0, b = 0.0, a = 1.0;
};

inline Rgba MixRgba(const Rgba& p, const Rgba& q, double t) {
    return {Mix(p.r, q.r, t), Mix(p.g, q.g, t), Mix(p.b, q.b, t), Mix(p.a, q.a, t)};
}
inline Rgba Scaled(const Rgba& c, double s) { return {c.r * s, c.g * s, c.b * s, c.a}; }
inline Rgba Added(const Rgba& p, const Rgba& q) { return {p.r + q.r, p.g + q.g, p.b + q.b, p.a}; }
// Hue in turns (0..1), full saturation and value: the colour wheel the title artwork paints with.
Rgba Hue(double turns);

struct Canvas {
    int width = 0;
    int height = 0;
    std::vector<Rgba> pixels;

    Canvas() = default;
    Canvas(int w, int h, Rgba fill = {}) : width(w), height(h), pixels(size_t(w) * h, fill) {}
    Rgba& At(int x, int y) { return pixels[size_t(y) * width + x]; }
    const Rgba& At(int x, int y) const { return pixels[size_t(y) * width + x]; }

    // Paints colour with coverage c over the pixel: colour blends by c, alpha accumulates.
    void Cover(int x, int y, const Rgba& colour, double c);
    // Adds light: colour scaled by c is added, alpha untouched (glows on an opaque picture).
    void Glow(int x, int y, const Rgba& colour, double c);
};

// Channel in 0..1 to a byte, rounded and clamped.
uint8_t ToByte(double channel);

// Calls paint(x, y, u, v) for every pixel of image, with u, v the pixel centre in 0..1.
template <typename Paint>
void ForEachPixel(Canvas& image, Paint paint) {
    for (int y = 0; y < image.height; ++y) {
        const double v = (y + 0.5) / image.height;
        for (int x = 0; x < image.width; ++x) {
            paint(image.At(x, y), (x + 0.5) / image.width, v);
        }
    }
}

}  // namespace tavrin::forge
