#include <cmath>

#include "lib/draw.h"
#include "lib/noise.h"
#include "pictures/pitch.h"
#include "pictures/sphere_maps.h"

namespace tavrin::forge {
namespace {

// The camera-space normal of the mirrored sphere at texture position (u, v); positions outside the
// sphere clamp to its rim. z points away from the camera (left-handed), so visible normals have z < 0.
V3 SphereNormalAt(double u, double v, double scale) {
    double x = (u - 0.5) / scale;
    double y = (0.5 - v) / scale;
    const double r = std::sqrt(x * x + y * y);
    if (r >= 1.0) return {x / r, y / r, 0.0};  // the rim: exactly edge-on, mirrors straight ahead
    return {x, y, -std::sqrt(1.0 - x * x - y * y)};
}

// The world direction a sphere-map texel mirrors: the view ray (0, 0, 1) reflected at the normal.
V3 MirroredDirection(double u, double v, double scale) {
    const V3 n = SphereNormalAt(u, v, scale);
    const V3 view{0.0, 0.0, 1.0};
    return Normalised(view - n * (2.0 * Dot(view, n)));
}

Rgba Lerp3(const Rgba& a, const Rgba& b, double t) { return MixRgba(a, b, Clamp01(t)); }

// Brightness of a rectangular soft box centred on direction 'centre', with angular half-sizes
// (radians) across and along 'up'.
double SoftBox(const V3& dir, const V3& centre, const V3& up, double halfWidth, double halfHeight) {
    const V3 c = Normalised(centre);
    const V3 right = Normalised(Cross(up, c));
    const V3 upright = Cross(c, right);
    const double forward = Dot(dir, c);
    if (forward <= 0.0) return 0.0;
    const double ax = std::atan2(Dot(dir, right), forward);
    const double ay = std::atan2(Dot(dir, upright), forward);
    const double edge = std::min(halfWidth - std::fabs(ax), halfHeight - std::fabs(ay));
    return SmoothStep(-0.04, 0.04, edge);
}

Rgba StudioColour(const V3& d) {
    const Rgba zenith{0.80, 0.90, 1.00};
    const Rgba horizon{0.22, 0.42, 0.86};
    const Rgba floor{0.02, 0.05, 0.20};
    Rgba c = d.y >= 0.0 ? Lerp3(horizon, zenith, std::pow(d.y, 0.7))
                        : Lerp3(horizon, floor, std::pow(-d.y, 0.5));
    // A bright seam where the cyclorama meets the floor.
    c = Added(c, Scaled({0.35, 0.55, 1.0}, std::exp(-std::pow(d.y / 0.03, 2.0))));
    const double cloud = Fbm(d * 3.0, 4, 11);
    c = Scaled(c, 0.85 + 0.3 * cloud);
    const double boxes = SoftBox(d, {-0.6, 0.7, -0.5}, {0, 1, 0}, 0.35, 0.22) +
                         SoftBox(d, {0.8, 0.35, 0.2}, {0, 1, 0}, 0.12, 0.45) +
                         SoftBox(d, {0.0, 0.2, 1.0}, {0, 1, 0}, 0.6, 0.05) +
                         SoftBox(d, {-0.3, 0.9, 0.6}, {1, 0, 0}, 0.08, 0.5);
    return Added(c, Scaled({0.9, 0.95, 1.0}, boxes));
}

// Spectators as a mirror ball shows them: far too small for single seats, so patches of shirt
// colour drifting over the stands, with a little sparkle.
Rgba CrowdColour(double azimuth, double elevation) {
    const V3 at{azimuth * 6.0, elevation * 14.0, 0.0};
    const Rgba shirts = Hue(Fbm(at, 3, 78) * 2.5);
    const double sparkle = Fbm(at * 5.0, 2, 79);
    return Scaled(MixRgba({0.16, 0.18, 0.3}, shirts, 0.45), 0.7 + 0.6 * sparkle);
}

Rgba StadiumColour(const V3& d) {
    const double elevation = std::asin(std::clamp(d.y, -1.0, 1.0));
    const double azimuth = std::atan2(d.x, d.z);
    const double standTop = 0.22 + 0.02 * std::cos(4.0 * azimuth);
    const double standBottom = -0.30;
    if (elevation < standBottom) {
        // The pitch, seen from 15 units up: mown stripes and white markings.
        const double reach = 15.0 / -d.y;
        const double gx = d.x * reach, gz = d.z * reach;
        Rgba grass = MownGrassAt({4.0, {0.10, 0.45, 0.12}, {0.14, 0.55, 0.16}}, gx);
        const double line =
            std::min({std::fabs(gx), std::fabs(std::hypot(gx, gz) - kCentreCircleMetres),
                      std::fabs(std::fabs(gz) - 30.0)});
        grass = Lerp3(grass, {0.95, 0.95, 0.95}, SmoothStep(0.35, 0.15, line));
        return Lerp3(grass, {0.05, 0.2, 0.06}, SmoothStep(standBottom - 0.25, standBottom, elevation));
    }
    if (elevation < standTop) {
        const double shade = 0.55 + 0.45 * SmoothStep(standBottom, standTop, elevation);
        Rgba crowd = Scaled(CrowdColour(azimuth, elevation), shade);
        // Advertising boards along the bottom of the stands.
        if (elevation < standBottom + 0.035) {
            crowd = Hue(std::floor(azimuth * 6.0 / kPi) / 12.0 + 0.05);
            crowd = Lerp3(crowd, {1, 1, 1}, 0.25);
        }
        return crowd;
    }
    // Night sky with a glow over the roof and sparse stars.
    const double height = SmoothStep(standTop, 1.3, elevation);
    Rgba sky = Lerp3({0.10, 0.14, 0.32}, {0.01, 0.02, 0.07}, height);
    const int sx = static_cast<int>(std::floor(d.x * 140.0));
    const int sy = static_cast<int>(std::floor(d.y * 140.0));
    const int sz = static_cast<int>(std::floor(d.z * 140.0));
    if (HashUnit(sx, sy, sz, 5) > 0.993) sky = Added(sky, Scaled({1, 1, 0.9}, 0.8 * height));
    // Roof edge.
    if (elevation < standTop + 0.025) return {0.25, 0.26, 0.3};
    // Four floodlight banks over the corners, each a hot core with a soft halo.
    double flood = 0.0;
    for (int corner = 0; corner < 4; ++corner) {
        const double a = kPi * (0.25 + 0.5 * corner);
        const V3 lamp = Normalised({std::sin(a), 0.55, std::cos(a)});
        const double angle = std::acos(std::clamp(Dot(d, lamp), -1.0, 1.0));
        flood += 1.6 * SmoothStep(0.07, 0.04, angle) + 0.5 * std::exp(-angle * angle / 0.02);
    }
    return Added(sky, Scaled({1.0, 0.97, 0.85}, flood));
}

// The rim of a sphere map squeezes half the world into a few texels, so each texel averages
// 4 x 4 directions instead of aliasing whatever detail lies there.
template <typename Environment>
Canvas MirrorBall(int size, double scale, Environment environment) {
    Canvas image(size, size);
    const int n = 4;
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            Rgba sum{0, 0, 0, 0};
            for (int sy = 0; sy < n; ++sy) {
                for (int sx = 0; sx < n; ++sx) {
                    const double u = (x + (sx + 0.5) / n) / size, v = (y + (sy + 0.5) / n) / size;
                    sum = Added(sum, environment(MirroredDirection(u, v, scale)));
                }
            }
            image.At(x, y) = Scaled(sum, 1.0 / (n * n));
            image.At(x, y).a = 1.0;
        }
    }
    return image;
}

// Golf-ball dimples on a jittered grid, with a little noise so the highlights break up.
Canvas DimpleHeight(int size) {
    Canvas height(size, size);
    const int cells = 14;
    ForEachPixel(height, [&](Rgba& p, double u, double v) {
        const double cx = u * cells, cy = v * cells;
        const int ix = static_cast<int>(std::floor(cx)), iy = static_cast<int>(std::floor(cy));
        double nearest = 1e9;
        for (int oy = -1; oy <= 1; ++oy) {
            for (int ox = -1; ox <= 1; ++ox) {
                const double fx = ix + ox + 0.2 + 0.6 * HashUnit(ix + ox, iy + oy, 0, 21);
                const double fy = iy + oy + 0.2 + 0.6 * HashUnit(ix + ox, iy + oy, 1, 21);
                nearest = std::min(nearest, std::hypot(cx - fx, cy - fy));
            }
        }
        const double dimple = nearest < 0.42 ? std::pow(1.0 - std::pow(nearest / 0.42, 2.0), 2.0) : 0.0;
        const double h = 0.5 - 0.35 * dimple + 0.15 * Fbm({u * 9.0, v * 9.0, 0.5}, 4, 22);
        p = {h, h, h, 1.0};
    });
    return height;
}

}  // namespace

Canvas MakeBlueEnv() { return MirrorBall(256, kBlueEnvScale, StudioColour); }

Canvas MakeStadiumEnv() { return MirrorBall(256, kStadiumEnvScale, StadiumColour); }

Canvas SphereNormalMap(const Canvas& height, double scale, double strength) {
    Canvas out(height.width, height.height);
    auto h = [&](int x, int y) {
        return height.At(std::clamp(x, 0, height.width - 1), std::clamp(y, 0, height.height - 1)).r;
    };
    for (int y = 0; y < out.height; ++y) {
        for (int x = 0; x < out.width; ++x) {
            const double u = (x + 0.5) / out.width, v = (y + 0.5) / out.height;
            // Normal-map convention: z towards the viewer.
            const V3 sphere = SphereNormalAt(u, v, scale);
            const V3 n{sphere.x, sphere.y, -sphere.z};
            const double gx = (h(x + 1, y) - h(x - 1, y)) * 0.5 * out.width;
            const double gy = (h(x, y - 1) - h(x, y + 1)) * 0.5 * out.height;  // y grows upwards
            const V3 bent = Normalised(n - V3{gx, gy, 0.0} * (strength / out.width));
            out.At(x, y) = {(bent.x + 1.0) * 0.5, (bent.y + 1.0) * 0.5, (bent.z + 1.0) * 0.5, 1.0};
        }
    }
    return out;
}

Canvas MakeSphereBump() { return SphereNormalMap(DimpleHeight(256), kBlueEnvScale, 6.0); }

}  // namespace tavrin::forge
