#include "lib/draw.h"

#include <algorithm>
#include <cmath>

namespace tavrin::forge {
namespace {

// Visits the pixels of the box [x0, x1] x [y0, y1] (clipped) with their centres.
template <typename Visit>
void ForBox(Canvas& image, double x0, double y0, double x1, double y1, Visit visit) {
    const int ix0 = std::max(0, static_cast<int>(std::floor(x0)));
    const int iy0 = std::max(0, static_cast<int>(std::floor(y0)));
    const int ix1 = std::min(image.width - 1, static_cast<int>(std::ceil(x1)));
    const int iy1 = std::min(image.height - 1, static_cast<int>(std::ceil(y1)));
    for (int y = iy0; y <= iy1; ++y) {
        for (int x = ix0; x <= ix1; ++x) visit(x, y, V2{x + 0.5, y + 0.5});
    }
}

double SegmentDistance(V2 p, V2 a, V2 b) {
    const V2 ab = b - a;
    const double lengthSquared = Dot(ab, ab);
    const double t = lengthSquared > 0.0 ? Clamp01(Dot(p - a, ab) / lengthSquared) : 0.0;
    return Length(p - (a + ab * t));
}

// One pixel of ramp across the edge at distance 'inside' (positive inside the shape).
double Coverage(double inside) { return Clamp01(inside + 0.5); }

}  // namespace

void StrokeSegment(Canvas& image, V2 a, V2 b, double width, const Paint& paint) {
    const double half = width * 0.5;
    const double pad = half + 1.0;
    ForBox(image, std::min(a.x, b.x) - pad, std::min(a.y, b.y) - pad, std::max(a.x, b.x) + pad,
           std::max(a.y, b.y) + pad, [&](int x, int y, V2 p) {
               const double c = Coverage(half - SegmentDistance(p, a, b));
               if (c > 0.0) image.Cover(x, y, paint(p), c);
           });
}

void StrokePolyline(Canvas& image, const std::vector<V2>& points, bool closed, double width,
                    const Paint& paint) {
    if (points.size() < 2) return;
    // Coverage of the whole line is the best of its segments, so joins do not double up.
    double x0 = points[0].x, y0 = points[0].y, x1 = x0, y1 = y0;
    for (const V2& p : points) {
        x0 = std::min(x0, p.x);
        y0 = std::min(y0, p.y);
        x1 = std::max(x1, p.x);
        y1 = std::max(y1, p.y);
    }
    const double half = width * 0.5;
    const double pad = half + 1.0;
    const size_t count = closed ? points.size() : points.size() - 1;
    ForBox(image, x0 - pad, y0 - pad, x1 + pad, y1 + pad, [&](int x, int y, V2 p) {
        double nearest = 1e30;
        for (size_t i = 0; i < count; ++i) {
            nearest = std::min(nearest, SegmentDistance(p, points[i], points[(i + 1) % points.size()]));
        }
        const double c = Coverage(half - nearest);
        if (c > 0.0) image.Cover(x, y, paint(p), c);
    });
}

void StrokeCircle(Canvas& image, V2 centre, double radius, double width, const Paint& paint) {
    const double half = width * 0.5;
    const double reach = radius + half + 1.0;
    ForBox(image, centre.x - reach, centre.y - reach, centre.x + reach, centre.y + reach,
           [&](int x, int y, V2 p) {
               const double c = Coverage(half - std::fabs(Length(p - centre) - radius));
               if (c > 0.0) image.Cover(x, y, paint(p), c);
           });
}

void FillDisc(Canvas& image, V2 centre, double radius, const Paint& paint) {
    const double reach = radius + 1.0;
    ForBox(image, centre.x - reach, centre.y - reach, centre.x + reach, centre.y + reach,
           [&](int x, int y, V2 p) {
               const double c = Coverage(radius - Length(p - centre));
               if (c > 0.0) image.Cover(x, y, paint(p), c);
           });
}

void FillRect(Canvas& image, V2 a, V2 b, const Paint& paint) {
    const V2 lo{std::min(a.x, b.x), std::min(a.y, b.y)};
    const V2 hi{std::max(a.x, b.x), std::max(a.y, b.y)};
    ForBox(image, lo.x - 1.0, lo.y - 1.0, hi.x + 1.0, hi.y + 1.0, [&](int x, int y, V2 p) {
        const double inside = std::min({p.x - lo.x, hi.x - p.x, p.y - lo.y, hi.y - p.y});
        const double c = Coverage(inside);
        if (c > 0.0) image.Cover(x, y, paint(p), c);
    });
}

std::vector<V2> ArcPoints(V2 centre, double radius, double from, double to, int segments) {
    std::vector<V2> points;
    points.reserve(segments + 1);
    for (int i = 0; i <= segments; ++i) {
        const double angle = from + (to - from) * i / segments;
        points.push_back({centre.x + radius * std::cos(angle), centre.y + radius * std::sin(angle)});
    }
    return points;
}

}  // namespace tavrin::forge
