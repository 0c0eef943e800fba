#include "lib/canvas.h"

#include <cmath>

namespace tavrin::forge {

Rgba Hue(double turns) {
    const double h = (turns - std::floor(turns)) * 6.0;
    auto channel = [h](double offset) {
        const double d = std::fabs(std::fmod(h + offset, 6.0) - 3.0);
        return Clamp01(d - 1.0);
    };
    return {channel(0.0), channel(4.0), channel(2.0), 1.0};
}

void Canvas::Cover(int x, int y, const Rgba& colour, double c) {
    if (x < 0 || y < 0 || x >= width || y >= height || c <= 0.0) return;
    Rgba& p = At(x, y);
    c = std::min(c, 1.0);
    p.r = Mix(p.r, colour.r, c);
    p.g = Mix(p.g, colour.g, c);
    p.b = Mix(p.b, colour.b, c);
    p.a = p.a + c * colour.a * (1.0 - p.a);
}

void Canvas::Glow(int x, int y, const Rgba& colour, double c) {
    if (x < 0 || y < 0 || x >= width || y >= height || c <= 0.0) return;
    Rgba& p = At(x, y);
    p.r += colour.r * c;
    p.g += colour.g * c;
    p.b += colour.b * c;
}

uint8_t ToByte(double channel) {
    return static_cast<uint8_t>(std::lround(Clamp01(channel) * 255.0));
}

}  // namespace tavrin::forge
