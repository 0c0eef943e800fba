#pragma once

#include <algorithm>
#include <cmath>

// Double-precision vector maths for offline generation: the forge has time to spare for accuracy,
// and doubles keep texture seams and mesh joins exact to the last bit that reaches the file.

namespace tavrin::forge {

inline constexpr double kPi = 3.14159265358979323846;

struct V2 {
    double x = 0.0, y = 0.0;
    V2 operator+(V2 b) const { return {x + b.x, y + b.y}; }
    V2 operator-(V2 b) const { return {x - b.x, y - b.y}; }
    V2 operator*(double s) const { return {x * s, y * s}; }
};

inline double Dot(V2 a, V2 b) { return a.x * b.x + a.y * b.y; }
inline double Length(V2 a) { return std::sqrt(Dot(a, a)); }

struct V3 {
    double x = 0.0, y = 0.0, z = 0.0;
    V3 operator+(const V3& b) const { return {x + b.x, y + b.y, z + b.z}; }
    V3 operator-(const V3& b) const { return {x - b.x, y - b.y, z - b.z}; }
    V3 operator-() const { return {-x, -y, -z}; }
    V3 operator*(double s) const { return {x * s, y * s, z * s}; }
    V3 operator/(double s) const { return {x / s, y / s, z / s}; }
};

inline double Dot(const V3& a, const V3& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
inline V3 Cross(const V3& a, const V3& b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
inline double Length(const V3& a) { return std::sqrt(Dot(a, a)); }
inline V3 Normalised(const V3& a) {
    const double length = Length(a);
    return length > 0.0 ? a / length : V3{0.0, 1.0, 0.0};
}

inline double Clamp01(double v) { return std::clamp(v, 0.0, 1.0); }
inline double Mix(double a, double b, double t) { return a + (b - a) * t; }
// Hermite ramp from 0 at edge0 to 1 at edge1 (either order).
inline double SmoothStep(double edge0, double edge1, double v) {
    const double t = Clamp01((v - edge0) / (edge1 - edge0));
    return t * t * (3.0 - 2.0 * t);
}

}  // namespace tavrin::forge
