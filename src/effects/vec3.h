#pragma once

#include <cmath>

#include "d3d/d3dtypes.h"

namespace tavrin {

// Three single-precision floats: the vector the effects compute with. It is a D3DVECTOR, so it
// passes straight to the matrix operations.
struct Vec3 : D3DVECTOR {
    Vec3() : D3DVECTOR{0.0f, 0.0f, 0.0f} {}
    Vec3(float x0, float y0, float z0) : D3DVECTOR{x0, y0, z0} {}
    explicit Vec3(const D3DVECTOR& v) : D3DVECTOR(v) {}

    void Set(float x0, float y0, float z0) {
        x = x0;
        y = y0;
        z = z0;
    }
    Vec3& operator+=(const Vec3& b) {
        x += b.x;
        y += b.y;
        z += b.z;
        return *this;
    }
    Vec3 operator+(const Vec3& b) const { return {x + b.x, y + b.y, z + b.z}; }
    Vec3 operator-(const Vec3& b) const { return {x - b.x, y - b.y, z - b.z}; }
    Vec3 operator-() const { return {-x, -y, -z}; }
    Vec3 operator*(float s) const { return {x * s, y * s, z * s}; }

    float Dot(const Vec3& b) const { return x * b.x + y * b.y + z * b.z; }
    Vec3 Cross(const Vec3& b) const {
        return {y * b.z - z * b.y, z * b.x - x * b.z, x * b.y - y * b.x};
    }
    float Length() const { return std::sqrt(Dot(*this)); }
    // In place, by the reciprocal of the length; a zero vector becomes non-finite, as it would
    // with any reciprocal, so callers keep zero vectors away.
    void Normalise() {
        const float inverse = 1.0f / Length();
        x *= inverse;
        y *= inverse;
        z *= inverse;
    }
};

// Makes (u, v, w) orthonormal again after rounding has made it drift: u keeps its direction,
// w = u x v and v = w x u, each normalised.
inline void Reorthonormalise(Vec3& u, Vec3& v, Vec3& w) {
    u = u * (1.0f / u.Length());
    w = u.Cross(v);
    w.Normalise();
    v = w.Cross(u);
    v.Normalise();
}

// Packs a direction with components in [-1, 1] into an opaque colour, each channel (c + 1) / 2 of
// full scale: the encoding DOT3 texture stages read back.
inline D3DCOLOR PackDirection(const Vec3& v) {
    auto channel = [](float c) { return static_cast<D3DCOLOR>((c + 1.0f) * 0.5f * 255.0f); };
    return 0xFF000000u | channel(v.x) << 16 | channel(v.y) << 8 | channel(v.z);
}

}  // namespace tavrin
