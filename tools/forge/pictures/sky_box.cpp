#include "pictures/sky_box.h"

#include <cmath>

#include "lib/noise.h"
#include "pictures/pitch.h"

namespace tavrin::forge {

const std::array<SkyFace, 6> kSkyFaces{{
    {"SkyBox/Front.jpg", {40, 40, -40}, {-80, 0, 0}, {0, -80, 0}},
    {"SkyBox/Right.jpg", {-40, 40, -40}, {0, 0, 80}, {0, -80, 0}},
    {"SkyBox/Back.jpg", {-40, 40, 40}, {80, 0, 0}, {0, -80, 0}},
    {"SkyBox/Left.jpg", {40, 40, 40}, {0, 0, -80}, {0, -80, 0}},
    {"SkyBox/Top.jpg", {40, 40, 40}, {-80, 0, 0}, {0, 0, -80}},
    {"SkyBox/Bottom.jpg", {40, -40, -40}, {-80, 0, 0}, {0, 0, 80}},
}};

V3 SkyDirection(const SkyFace& face, double u, double v) {
    return Normalised(face.origin + face.alongU * u + face.alongV * v);
}

namespace {

constexpr double kEyeHeight = 3.0;
constexpr double kStandSlope = 0.6;    // rise per unit of depth
constexpr double kStandDepth = 36.0;
constexpr double kRowDepth = 0.85;
constexpr double kTexelAngle = 0.0035;  // about one texel of a 512-texel face, in radians

Rgba Lerp(const Rgba& a, const Rgba& b, double t) { return MixRgba(a, b, Clamp01(t)); }

// Horizontal distance from the centre spot to the front of the stands at an azimuth: a rounded
// rectangle round the pitch.
double StandDistance(double azimuth) {
    const double c = std::fabs(std::cos(azimuth)), s = std::fabs(std::sin(azimuth));
    const double a = 40.0, b = 29.0;
    return 1.0 / std::pow(std::pow(s / a, 4.0) + std::pow(c / b, 4.0), 0.25);
}

// Grass seen at ground point (x, z), with markings anti-aliased over the texel footprint.
Rgba Pitch(double x, double z, double footprint) {
    Rgba grass = MownGrassAt({5.5, {0.12, 0.42, 0.13}, {0.16, 0.52, 0.17}}, z);
    grass = Scaled(grass, 0.9 + 0.2 * Fbm({x * 0.3, 0.0, z * 0.3}, 3, 61));
    const double ax = std::fabs(x), az = std::fabs(z);
    double line = std::fabs(z);                                           // halfway line
    line = std::min(line, std::fabs(std::hypot(x, z) - kCentreCircleMetres));  // centre circle
    line = std::min(line, std::max(std::fabs(ax - 34.0), az - 52.5));    // touchlines
    line = std::min(line, std::max(std::fabs(az - 52.5), ax - 34.0));    // goal lines
    line = std::min(line, std::max(std::fabs(az - 36.0), ax - 20.15));   // penalty boxes
    line = std::min(line, std::max(std::fabs(ax - 20.15), std::max(az - 52.5, 36.0 - az)));
    const double half = 0.06 + footprint * 0.5;
    const double paint = Clamp01((half - line) / std::max(footprint, 0.02) + 0.5);
    return Lerp(grass, {0.92, 0.94, 0.9}, paint * std::min(1.0, 0.12 / half + 0.2));
}

// Spectators in rows: a soft disc per seat with a hashed shirt colour.
Rgba Crowd(double row, double column) {
    const int r = static_cast<int>(std::floor(row)), c = static_cast<int>(std::floor(column));
    const double fx = column - c - 0.5, fy = row - r - 0.45;
    const double pick = HashUnit(c, r, 0, 71);
    const Rgba seat = r % 2 == 0 ? Rgba{0.16, 0.2, 0.38} : Rgba{0.12, 0.15, 0.3};
    if (pick < 0.2) return seat;  // an empty seat
    Rgba shirt = Hue(HashUnit(c, r, 1, 72));
    shirt = Lerp(shirt, {0.95, 0.95, 0.95}, HashUnit(c, r, 2, 73) < 0.35 ? 0.8 : 0.15);
    const double body = SmoothStep(0.42, 0.3, std::hypot(fx * 1.2, fy));
    return Lerp(seat, Scaled(shirt, 0.8), body);
}

Rgba Sky(const V3& d, double azimuth) {
    const double up = std::max(d.y, 0.0);
    // Dusk: warm near the horizon on the sunset side, deep blue overhead.
    const double sunSide = 0.5 + 0.5 * std::cos(azimuth - 2.4);
    const Rgba horizon = Lerp({0.45, 0.4, 0.6}, {1.0, 0.55, 0.3}, sunSide);
    Rgba sky = Lerp(horizon, {0.05, 0.1, 0.3}, std::pow(up, 0.45));
    const double cloud = SmoothStep(0.5, 0.75, Fbm(d * 4.0 + V3{0, 0, 3}, 5, 81));
    const Rgba cloudColour = Lerp({0.35, 0.3, 0.45}, {1.0, 0.7, 0.55}, sunSide * (1.0 - up));
    sky = Lerp(sky, cloudColour, cloud * SmoothStep(0.0, 0.15, up) * 0.85);
    return sky;
}

}  // namespace

Rgba SkyColour(const V3& d) {
    const double azimuth = std::atan2(d.x, d.z);
    const double horizontal = std::hypot(d.x, d.z);
    const double front = StandDistance(azimuth);
    // Ground: the pitch up to the stands.
    if (d.y < 0.0) {
        const double reach = kEyeHeight / -d.y;
        if (reach * horizontal < front) {
            const double footprint = reach * kTexelAngle / std::max(-d.y, 0.05);
            return Pitch(d.x * reach, d.z * reach, footprint);
        }
    }
    // Stands: where the ray meets the slope rising from the front of the stands.
    const double tangent = d.y / std::max(horizontal, 1e-9);
    if (tangent < kStandSlope) {
        const double distance = (kEyeHeight + front * kStandSlope) / (kStandSlope - tangent);
        const double depth = distance - front;
        if (depth >= 0.0 && depth <= kStandDepth) {
            // Far seats shrink below a texel: there the crowd fades to its mean colour, broken
            // into blocks by noise, instead of aliasing into stripes.
            const double seatsPerTexel = distance * kTexelAngle / 0.7;
            const Rgba mean = MixRgba({0.3, 0.28, 0.4}, Hue(Fbm({azimuth * 9.0, depth * 0.2, 0.0}, 2, 75) * 3.0), 0.25);
            Rgba crowd = Lerp(Crowd(depth / kRowDepth, azimuth * front / 0.7), mean, SmoothStep(0.1, 0.45, seatsPerTexel));
            if (depth < 1.2) crowd = Lerp(Hue(std::floor(azimuth * 8.0 / kPi) / 16.0), {1, 1, 1}, 0.3);
            const double shade = 0.45 + 0.55 * (depth / kStandDepth);
            return Scaled(crowd, shade);
        }
    }
    const double top = std::atan2(kStandDepth * kStandSlope - kEyeHeight, front + kStandDepth);
    const double elevation = std::asin(std::clamp(d.y, -1.0, 1.0));
    // The roof's edge, a dark band with a row of lamps.
    const double roof = top + 0.05;
    Rgba colour = Sky(d, azimuth);
    if (elevation < roof) {
        colour = {0.16, 0.16, 0.2};
        const double lamps = std::pow(0.5 + 0.5 * std::cos(azimuth * front / 1.2), 8.0);
        colour = Added(colour, Scaled({1.0, 0.95, 0.8}, lamps * SmoothStep(0.01, 0.0, std::fabs(elevation - top - 0.03))));
    }
    // Floodlight masts over the four corners.
    for (int corner = 0; corner < 4; ++corner) {
        const double mast = std::atan2(55.0, 36.0) * ((corner & 1) ? -1.0 : 1.0) + (corner & 2 ? kPi : 0.0);
        const double off = std::fabs(std::remainder(azimuth - mast, 2.0 * kPi));
        const double lampLow = top + 0.1, lampHigh = top + 0.16;
        if (elevation > roof && elevation < lampLow) {
            colour = Lerp(colour, {0.2, 0.2, 0.24}, SmoothStep(0.006, 0.003, off));
        }
        const double inside = std::min(0.05 - off, std::min(elevation - lampLow, lampHigh - elevation));
        const double glow = std::exp(-std::pow(std::hypot(off, elevation - 0.5 * (lampLow + lampHigh)) / 0.06, 2.0));
        colour = Added(colour, Scaled({1.0, 0.97, 0.85}, 0.8 * glow));
        colour = Lerp(colour, {1.0, 1.0, 0.95}, SmoothStep(0.0, 0.004, inside));
    }
    return colour;
}

Canvas MakeSkyFace(const SkyFace& face, int size) {
    Canvas image(size, size);
    const double last = size - 1;
    // Four samples per texel keep the crowd and the markings from aliasing. The pattern is
    // symmetric under every flip and swap of the axes, so the edge texels of two neighbouring
    // faces average the same neighbourhood of their common direction.
    const V2 offsets[4] = {{0.25, 0.25}, {-0.25, 0.25}, {-0.25, -0.25}, {0.25, -0.25}};
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            Rgba sum{0, 0, 0, 0};
            for (const V2& o : offsets) {
                sum = Added(sum, SkyColour(SkyDirection(face, (x + o.x) / last, (y + o.y) / last)));
            }
            image.At(x, y) = Scaled(sum, 0.25);
            image.At(x, y).a = 1.0;
        }
    }
    return image;
}

}  // namespace tavrin::forge
