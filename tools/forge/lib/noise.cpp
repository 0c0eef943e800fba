#include "lib/noise.h"

#include <cmath>

namespace tavrin::forge {

uint32_t Hash(uint32_t x) {
    // A well-mixing integer finaliser (xorshift-multiply rounds).
    x ^= x >> 16;
    x *= 0x7feb352dU;
    x ^= x >> 15;
    x *= 0x846ca68bU;
    x ^= x >> 16;
    return x;
}

uint32_t Hash(int32_t x, int32_t y, int32_t z, uint32_t seed) {
    uint32_t h = Hash(seed ^ 0x9e3779b9U);
    h = Hash(h ^ static_cast<uint32_t>(x));
    h = Hash(h ^ static_cast<uint32_t>(y) * 0x85ebca6bU);
    return Hash(h ^ static_cast<uint32_t>(z) * 0xc2b2ae35U);
}

double HashUnit(int32_t x, int32_t y, int32_t z, uint32_t seed) {
    return (Hash(x, y, z, seed) >> 8) * (1.0 / 16777216.0);
}

double ValueNoise(const V3& p, uint32_t seed) {
    const double fx = std::floor(p.x), fy = std::floor(p.y), fz = std::floor(p.z);
    const auto ix = static_cast<int32_t>(fx), iy = static_cast<int32_t>(fy),
               iz = static_cast<int32_t>(fz);
    auto fade = [](double t) { return t * t * t * (t * (t * 6.0 - 15.0) + 10.0); };
    const double tx = fade(p.x - fx), ty = fade(p.y - fy), tz = fade(p.z - fz);
    auto corner = [&](int dx, int dy, int dz) { return HashUnit(ix + dx, iy + dy, iz + dz, seed); };
    const double x00 = Mix(corner(0, 0, 0), corner(1, 0, 0), tx);
    const double x10 = Mix(corner(0, 1, 0), corner(1, 1, 0), tx);
    const double x01 = Mix(corner(0, 0, 1), corner(1, 0, 1), tx);
    const double x11 = Mix(corner(0, 1, 1), corner(1, 1, 1), tx);
    return Mix(Mix(x00, x10, ty), Mix(x01, x11, ty), tz);
}

double Fbm(const V3& p, int octaves, uint32_t seed) {
    double sum = 0.0, weight = 1.0, total = 0.0;
    V3 q = p;
    for (int i = 0; i < octaves; ++i) {
        sum += ValueNoise(q, seed + static_cast<uint32_t>(i)) * weight;
        total += weight;
        weight *= 0.5;
        q = q * 2.03;
    }
    return sum / total;
}

}  // namespace tavrin::forge
