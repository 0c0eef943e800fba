#include <cmath>

#include "lib/noise.h"
#include "pictures/flare.h"

namespace tavrin::forge {

Canvas MakeFlare() {
    // Drawn additively on a quad as tall as the screen, so everything fades to black well before
    // the border: the quad's edge must not show.
    const int size = 256;
    const int rayCount = 14;
    double rayLength[rayCount];
    double rayAngle[rayCount];
    for (int i = 0; i < rayCount; ++i) {
        rayLength[i] = 0.35 + 0.5 * HashUnit(i, 0, 0, 31);
        rayAngle[i] = 2.0 * kPi * (i + 0.35 * HashUnit(i, 1, 0, 31)) / rayCount;
    }
    Canvas image(size, size);
    ForEachPixel(image, [&](Rgba& p, double u, double v) {
        const double x = 2.0 * u - 1.0, y = 2.0 * v - 1.0;
        const double r = std::hypot(x, y);
        const double angle = std::atan2(y, x);
        const double edge = SmoothStep(0.98, 0.8, r);

        const double core = std::exp(-r * r / 0.0025);
        const double glow = 0.55 / (1.0 + 60.0 * r * r) - 0.55 / 61.0;
        double rays = 0.0;
        for (int i = 0; i < rayCount; ++i) {
            const double off = std::remainder(angle - rayAngle[i], 2.0 * kPi);
            const double width = 0.012 + 0.02 * r;
            rays += std::exp(-std::pow(off * r / width, 2.0)) *
                    std::exp(-std::pow(r / rayLength[i], 2.0) * 3.0);
        }
        // A faint ring with a prismatic fringe: blue inside, red outside.
        auto ring = [r](double radius) { return std::exp(-std::pow((r - radius) / 0.018, 2.0)); };
        const Rgba fringe{0.18 * ring(0.66), 0.14 * ring(0.645), 0.2 * ring(0.63)};

        const double white = core + 0.6 * rays;
        p.r = (white + glow * 1.0) * edge + fringe.r * edge;
        p.g = (white + glow * 0.85) * edge + fringe.g * edge;
        p.b = (white * 0.9 + glow * 0.6) * edge + fringe.b * edge;
        p.a = 1.0;
    });
    return image;
}

}  // namespace tavrin::forge
