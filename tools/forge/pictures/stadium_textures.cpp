#include "pictures/stadium_textures.h"

#include <cmath>

#include "lib/draw.h"
#include "lib/noise.h"
#include "pictures/pitch.h"

namespace tavrin::forge {

Canvas PitchTexture() {
    Canvas image(1024, 512);
    const double sx = image.width / (2.0 * kGrassHalfX), sz = image.height / (2.0 * kGrassHalfZ);
    ForEachPixel(image, [&](Rgba& p, double u, double v) {
        const double x = (u - 0.5) * 2.0 * kGrassHalfX;
        p = MownGrassAt({3.0, {0.13, 0.46, 0.14, 1}, {0.17, 0.56, 0.18, 1}}, x);
        p = Scaled(p, 0.88 + 0.24 * Fbm({u * 40.0, v * 30.0, 0.0}, 4, 101));
        (void)v;
    });
    // Markings, in world units converted to texels.
    auto at = [&](double x, double z) { return V2{(x + kGrassHalfX) * sx, (z + kGrassHalfZ) * sz}; };
    const double width = 0.16 * sx;
    const Paint chalk = Solid({0.93, 0.95, 0.92, 1});
    const double fx = kFieldHalfX, fz = kFieldHalfZ;
    StrokePolyline(image, {at(-fx, -fz), at(fx, -fz), at(fx, fz), at(-fx, fz)}, true, width, chalk);
    StrokeSegment(image, at(0, -fz), at(0, fz), width, chalk);
    // Circles are ellipses in texels (the texture is squeezed along z): draw them as polylines.
    auto circle = [&](double cx, double cz, double r, double from, double to) {
        std::vector<V2> points;
        for (const V2& q : ArcPoints({cx, cz}, r, from, to, 96)) points.push_back(at(q.x, q.y));
        StrokePolyline(image, points, false, width, chalk);
    };
    const double scale = 0.4;  // the field is 105 x 68 m at 0.4 units per metre
    circle(0, 0, kCentreCircleMetres * scale, 0, 2 * kPi);
    FillDisc(image, at(0, 0), 0.25 * sx, chalk);
    for (double side : {-1.0, 1.0}) {
        const double goal = side * fx;
        const double boxDepth = 16.5 * scale * -side, boxHalf = 20.16 * scale;
        const double smallDepth = 5.5 * scale * -side, smallHalf = 9.16 * scale;
        StrokePolyline(image, {at(goal, -boxHalf), at(goal + boxDepth, -boxHalf), at(goal + boxDepth, boxHalf), at(goal, boxHalf)}, false, width, chalk);
        StrokePolyline(image, {at(goal, -smallHalf), at(goal + smallDepth, -smallHalf), at(goal + smallDepth, smallHalf), at(goal, smallHalf)}, false, width, chalk);
        const double spot = goal - side * 11.0 * scale;
        FillDisc(image, at(spot, 0), 0.2 * sx, chalk);
        // The arc of the penalty area: the part of the 9.15 m circle outside the box.
        const double reach = std::acos((16.5 - 11.0) / kCentreCircleMetres);
        const double facing = side > 0 ? kPi : 0.0;
        circle(spot, 0, kCentreCircleMetres * scale, facing - reach, facing + reach);
        for (double corner : {-1.0, 1.0}) {
            const double start = side > 0 ? (corner > 0 ? kPi : kPi / 2) : (corner > 0 ? 3 * kPi / 2 : 0);
            circle(goal, corner * fz, 1.0 * scale, start, start + kPi / 2);
        }
    }
    return image;
}

Canvas CrowdTexture() {
    Canvas image(512, 128);
    ForEachPixel(image, [](Rgba& p, double u, double v) {
        const double seatBand = SmoothStep(0.58, 0.62, v);
        p = MixRgba({0.08, 0.09, 0.14, 1}, {0.18, 0.22, 0.4, 1}, seatBand);
        (void)u;
    });
    const int people = 40;
    for (int i = 0; i < people; ++i) {
        if (HashUnit(i, 0, 0, 111) < 0.06) continue;  // an empty seat
        const double x = (i + 0.5) * image.width / people + (HashUnit(i, 1, 0, 111) - 0.5) * 3.0;
        const double rise = HashUnit(i, 2, 0, 111) * 10.0;  // some stand up
        Rgba shirt = Hue(HashUnit(i, 3, 0, 111));
        if (HashUnit(i, 4, 0, 111) < 0.35) shirt = {0.92, 0.92, 0.92, 1};
        const Rgba skin = MixRgba({0.95, 0.75, 0.6, 1}, {0.45, 0.3, 0.2, 1}, HashUnit(i, 5, 0, 111));
        const double shoulders = 40.0 - rise;
        FillRect(image, {x - 4.5, shoulders}, {x + 4.5, 80.0}, Solid(shirt));
        FillDisc(image, {x - 4.5, shoulders + 2}, 2.5, Solid(shirt));
        FillDisc(image, {x + 4.5, shoulders + 2}, 2.5, Solid(shirt));
        FillDisc(image, {x, shoulders - 5.0}, 4.0, Solid(skin));
        if (HashUnit(i, 6, 0, 111) < 0.3) {  // a waved scarf
            const Rgba scarf = Hue(HashUnit(i, 7, 0, 111));
            StrokeSegment(image, {x + 3, shoulders}, {x + 7, shoulders - 22}, 3.0, Solid(scarf));
        }
    }
    return image;
}

Canvas BoardsTexture() {
    Canvas image(512, 64);
    const int panels = 4;
    for (int i = 0; i < panels; ++i) {
        const double x0 = i * 128.0;
        const Rgba back = MixRgba(Hue(0.13 + i * 0.27), {0, 0, 0, 1}, i % 2 ? 0.5 : 0.0);
        const Rgba ink = i % 2 ? Rgba{1, 1, 1, 1} : Rgba{0.05, 0.05, 0.1, 1};
        FillRect(image, {x0, 0}, {x0 + 128, 64}, Solid(back));
        // Abstract logo: a ring, a bar of 'letters' and a swoosh.
        StrokeCircle(image, {x0 + 22, 32}, 13, 5, Solid(ink));
        for (int k = 0; k < 6; ++k) {
            const double h = 14 + 8 * HashUnit(i, k, 0, 121);
            FillRect(image, {x0 + 44 + k * 13, 32 - h / 2}, {x0 + 53 + k * 13, 32 + h / 2}, Solid(ink));
        }
        StrokePolyline(image, ArcPoints({x0 + 80, -30}, 70, 1.2, 1.95, 16), false, 3, Solid(ink));
    }
    return image;
}

Canvas NetTexture() {
    Canvas image(128, 128, {1, 1, 1, 0});
    const Paint cord = Solid({0.96, 0.96, 0.96, 1});
    for (int i = 0; i < 8; ++i) {
        const double p = i * 16.0 + 8.0;
        StrokeSegment(image, {p, -2}, {p, 130}, 2.2, cord);
        StrokeSegment(image, {-2, p}, {130, p}, 2.2, cord);
    }
    return image;
}

Canvas LatticeTexture() {
    Canvas image(256, 64, {0.5, 0.52, 0.56, 0});
    const Paint steel = [](V2 p) {
        const double shade = 0.55 + 0.25 * std::sin(p.y * 0.15);
        return Rgba{shade, shade * 1.02, shade * 1.08, 1};
    };
    FillRect(image, {0, 0}, {256, 7}, steel);
    FillRect(image, {0, 57}, {256, 64}, steel);
    for (int i = 0; i <= 8; ++i) {
        const double x = i * 32.0;
        StrokeSegment(image, {x, 4}, {x, 60}, 4.0, steel);
        if (i < 8) {
            StrokeSegment(image, {x, 4}, {x + 32, 60}, 3.0, steel);
            StrokeSegment(image, {x, 60}, {x + 32, 4}, 3.0, steel);
        }
    }
    return image;
}

Canvas FloodlightTexture() {
    Canvas image(256, 128, {0.15, 0.15, 0.17, 1});
    for (int row = 0; row < 4; ++row) {
        for (int column = 0; column < 8; ++column) {
            const V2 centre{16.0 + column * 32.0, 16.0 + row * 32.0};
            FillDisc(image, centre, 13.0, Solid({0.55, 0.55, 0.5, 1}));
            FillDisc(image, centre, 11.0, [centre](V2 p) {
                const double t = Clamp01(Length(p - centre) / 11.0);
                return Rgba{1.0, 1.0 - 0.1 * t, 0.9 - 0.3 * t, 1};
            });
        }
    }
    return image;
}

}  // namespace tavrin::forge
