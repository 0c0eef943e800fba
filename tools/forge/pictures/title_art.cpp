#include <cmath>
#include <vector>

#include "lib/draw.h"
#include "lib/noise.h"
#include "pictures/title_art.h"

namespace tavrin::forge {
namespace {

struct Segment {
    V2 a, b;
};

// Letters as centre lines in em units (x right, y down, cap height 1). The outline artwork traces
// a band around a thick stroke along them, so round joins come for free.
struct Glyph {
    double advance;
    std::vector<std::vector<V2>> strokes;
};

std::vector<Glyph> TitleGlyphs() {
    std::vector<V2> bowl{{0.0, 0.0}, {0.38, 0.0}};
    for (const V2& p : ArcPoints({0.38, 0.26}, 0.26, -kPi / 2.0, kPi / 2.0, 16)) bowl.push_back(p);
    bowl.push_back({0.0, 0.52});
    return {
        {0.72, {{{0.0, 0.0}, {0.72, 0.0}}, {{0.36, 0.0}, {0.36, 1.0}}}},                   // T
        {0.76, {{{0.0, 1.0}, {0.38, 0.0}, {0.76, 1.0}}, {{0.16, 0.62}, {0.6, 0.62}}}},      // A
        {0.76, {{{0.0, 0.0}, {0.38, 1.0}, {0.76, 0.0}}}},                                   // V
        {0.66, {{{0.0, 1.0}, {0.0, 0.0}}, bowl, {{0.3, 0.52}, {0.66, 1.0}}}},               // R
        {0.0, {{{0.0, 0.0}, {0.0, 1.0}}}},                                                  // I
        {0.64, {{{0.0, 1.0}, {0.0, 0.0}, {0.64, 1.0}, {0.64, 0.0}}}},                       // N
    };
}

std::vector<Segment> LayOutTitle(V2 origin, double em, double gap) {
    std::vector<Segment> segments;
    double x = origin.x;
    for (const Glyph& glyph : TitleGlyphs()) {
        for (const auto& stroke : glyph.strokes) {
            for (size_t i = 0; i + 1 < stroke.size(); ++i) {
                segments.push_back({{x + stroke[i].x * em, origin.y + stroke[i].y * em},
                                    {x + stroke[i + 1].x * em, origin.y + stroke[i + 1].y * em}});
            }
        }
        x += (glyph.advance + gap) * em;
    }
    return segments;
}

double TitleWidth(double em, double gap) {
    double width = -gap * em;
    for (const Glyph& glyph : TitleGlyphs()) width += (glyph.advance + gap) * em;
    return width;
}

double DistanceToSegments(V2 p, const std::vector<Segment>& segments) {
    double nearest = 1e30;
    for (const Segment& s : segments) {
        const V2 ab = s.b - s.a;
        const double t = Clamp01(Dot(p - s.a, ab) / Dot(ab, ab));
        nearest = std::min(nearest, Length(p - (s.a + ab * t)));
    }
    return nearest;
}

Rgba Neon(double hue, double whiteness) { return MixRgba(Hue(hue), {1, 1, 1, 1}, whiteness); }

// The title: two neon outlines around a thick stroke, a thin white core line, and a soft halo
// of low alpha that the additive layers turn into a glow.
void DrawTitle(Canvas& image) {
    const double em = 170.0, gap = 0.3, weight = 0.17 * em;
    const V2 origin{(image.width - TitleWidth(em, gap)) * 0.5, image.height * 0.5 - em * 0.55};
    const std::vector<Segment> segments = LayOutTitle(origin, em, gap);
    const double x0 = origin.x - em * 0.5, x1 = image.width - x0;
    const double y0 = origin.y - em * 0.5, y1 = origin.y + em * 1.5;
    for (int y = static_cast<int>(y0); y < static_cast<int>(y1); ++y) {
        for (int x = static_cast<int>(x0); x < static_cast<int>(x1); ++x) {
            const V2 p{x + 0.5, y + 0.5};
            const double d = DistanceToSegments(p, segments);
            const double hue = 0.95 + 0.75 * (p.x - x0) / (x1 - x0) + 0.05 * (p.y - y0) / (y1 - y0);
            const double halo = 0.3 * std::exp(-std::pow((d - weight) / (0.12 * em), 2.0));
            image.Cover(x, y, Hue(hue), halo);
            image.Cover(x, y, Neon(hue, 0.15), Clamp01(3.5 - std::fabs(d - weight)));
            image.Cover(x, y, Neon(hue + 0.12, 0.35), Clamp01(2.0 - std::fabs(d - weight - 14.0)));
            image.Cover(x, y, {1, 1, 1, 1}, Clamp01(1.5 - d) * 0.9);
        }
    }
}

// A four-pointed sparkle.
void DrawSparkle(Canvas& image, V2 centre, double size, const Rgba& colour) {
    StrokeSegment(image, centre - V2{size, 0}, centre + V2{size, 0}, 2.0, Solid(colour));
    StrokeSegment(image, centre - V2{0, size}, centre + V2{0, size}, 2.0, Solid(colour));
    StrokeCircle(image, centre, size * 0.3, 1.5, Solid(colour));
}

void DrawOrnaments(Canvas& image) {
    const double w = image.width, h = image.height;
    const V2 centre{w * 0.5, h * 0.5};
    // A dashed ring of colour around the title, like a football's seam seen edge on.
    for (int i = 0; i < 48; ++i) {
        const double from = 2.0 * kPi * i / 48.0, to = from + 2.0 * kPi / 48.0 * 0.6;
        StrokePolyline(image, ArcPoints(centre, h * 0.43, from, to, 6), false, 4.0,
                       Solid(Neon(i / 48.0, 0.1)));
    }
    StrokeCircle(image, centre, h * 0.47, 2.0, [&](V2 p) {
        return Neon(std::atan2(p.y - centre.y, p.x - centre.x) / (2.0 * kPi) + 0.5, 0.4);
    });
    // Sine waves under and a zigzag over the title.
    std::vector<V2> wave, zigzag;
    for (int i = 0; i <= 160; ++i) {
        const double x = w * (0.18 + 0.64 * i / 160.0);
        wave.push_back({x, h * 0.68 + 12.0 * std::sin(i * 0.35)});
    }
    for (int i = 0; i <= 24; ++i) {
        zigzag.push_back({w * (0.25 + 0.5 * i / 24.0), h * 0.29 + (i % 2 == 0 ? -9.0 : 9.0)});
    }
    StrokePolyline(image, wave, false, 3.0, [&](V2 p) { return Neon(0.5 + p.x / w * 0.3, 0.2); });
    StrokePolyline(image, zigzag, false, 3.0, [&](V2 p) { return Neon(0.9 + p.x / w * 0.3, 0.2); });
    // Speed lines streaming out to both sides.
    for (int i = 0; i < 7; ++i) {
        const double y = h * (0.4 + 0.035 * i);
        const double length = w * (0.05 + 0.05 * HashUnit(i, 0, 0, 41));
        StrokeSegment(image, {w * 0.02, y}, {w * 0.02 + length, y}, 3.0, Solid(Neon(0.55 + i * 0.03, 0.3)));
        StrokeSegment(image, {w * 0.98 - length, y}, {w * 0.98, y}, 3.0, Solid(Neon(0.05 + i * 0.03, 0.3)));
    }
    for (int i = 0; i < 40; ++i) {
        const V2 at{w * HashUnit(i, 0, 0, 42), h * HashUnit(i, 1, 0, 42)};
        if (Length(at - centre) < h * 0.49) continue;  // keep the ring's inside clear
        DrawSparkle(image, at, 6.0 + 10.0 * HashUnit(i, 2, 0, 42), Neon(HashUnit(i, 3, 0, 42), 0.5));
    }
}

}  // namespace

Canvas MakeTitleArt() {
    Canvas image(1024, 768);
    // The picture is also shown opaque (before the flare starts), so the transparent background
    // holds a dark violet vignette rather than plain black.
    ForEachPixel(image, [](Rgba& p, double u, double v) {
        const double r = std::hypot(u - 0.5, (v - 0.5) * 0.75);
        const double dark = SmoothStep(0.75, 0.0, r);
        p = {0.02 + 0.08 * dark, 0.01 + 0.03 * dark, 0.05 + 0.14 * dark, 0.0};
    });
    DrawOrnaments(image);
    DrawTitle(image);
    return image;
}

}  // namespace tavrin::forge
