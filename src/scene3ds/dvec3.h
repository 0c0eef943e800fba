#pragma once

#include <cmath>

namespace tavrin {

// Double-precision vector of the scene loader; scenes are read and animated in doubles.
struct DVec3 {
    double x = 0, y = 0, z = 0;

    constexpr DVec3() = default;
    constexpr DVec3(double ax, double ay, double az) : x(ax), y(ay), z(az) {}

    constexpr DVec3 operator+(const DVec3& o) const { return {x + o.x, y + o.y, z + o.z}; }
    constexpr DVec3 operator-(const DVec3& o) const { return {x - o.x, y - o.y, z - o.z}; }
    constexpr DVec3 operator*(double s) const { return {x * s, y * s, z * s}; }
    constexpr DVec3 operator-() const { return {-x, -y, -z}; }
    constexpr bool operator==(const DVec3&) const = default;

    constexpr double Dot(const DVec3& o) const { return x * o.x + y * o.y + z * o.z; }
    constexpr DVec3 Cross(const DVec3& o) const {
        return {y * o.z - z * o.y, z * o.x - x * o.z, x * o.y - y * o.x};
    }
    constexpr double SquaredLength() const { return Dot(*this); }
    double Length() const { return std::sqrt(SquaredLength()); }
    DVec3 Normalised() const { return *this * (1.0 / Length()); }
};

constexpr DVec3 operator*(double s, const DVec3& v) { return v * s; }

// 4 x 4 doubles, row-major, row vectors.
struct DMatrix4 {
    double m[4][4] = {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}};
};

}  // namespace tavrin
