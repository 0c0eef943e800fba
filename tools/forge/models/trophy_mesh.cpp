#include <cmath>

#include "lib/noise.h"
#include "models/trophy_mesh.h"

namespace tavrin::forge {
namespace {

constexpr int kSegments = 48;
constexpr double kFloor = -0.9;

// Brushed gold with the bands of a bright room mirrored in it: v runs along the profile, so the
// bands wrap round the cup like reflections of a horizon.
Canvas GoldTexture() {
    Canvas image(256, 256);
    ForEachPixel(image, [](Rgba& p, double u, double v) {
        const double bands = 0.5 + 0.5 * std::sin(v * 2.0 * kPi * 3.0 + 0.6 * std::sin(v * 9.0));
        const double highlight = std::pow(0.5 + 0.5 * std::cos((v - 0.55) * 2.0 * kPi * 2.0), 12.0);
        const double brush = 0.9 + 0.1 * Fbm({u * 2.0, v * 120.0, 0.0}, 3, 91);
        const double shine = Clamp01((0.35 + 0.55 * bands) * brush + 0.6 * highlight);
        const Rgba dark{0.35, 0.2, 0.05}, gold{0.95, 0.72, 0.25}, pale{1.0, 0.96, 0.75};
        p = shine < 0.7 ? MixRgba(dark, gold, shine / 0.7) : MixRgba(gold, pale, (shine - 0.7) / 0.3);
        p.a = 1.0;
    });
    return image;
}

// Dark green marble for the plinth: veins from the zero crossings of noise.
Canvas MarbleTexture() {
    Canvas image(256, 256);
    ForEachPixel(image, [](Rgba& p, double u, double v) {
        const V3 q{u * 6.0, v * 3.0, 0.0};
        const double warp = Fbm(q, 5, 93);
        const double vein = std::pow(1.0 - std::fabs(std::sin((u * 5.0 + v * 2.0 + warp * 4.0) * kPi)), 10.0);
        const double base = 0.6 + 0.4 * Fbm(q * 2.0, 4, 94);
        p = {0.03 * base + 0.5 * vein, 0.12 * base + 0.55 * vein, 0.08 * base + 0.45 * vein, 1.0};
    });
    return image;
}

std::vector<V2> Sample(int count, double from, double to, double (*radius)(double)) {
    std::vector<V2> profile;
    for (int i = 0; i <= count; ++i) {
        const double y = from + (to - from) * i / count;
        profile.push_back({radius(y), y});
    }
    return profile;
}

// Outer wall from the foot to the rim: a flared foot, a slim stem with a knot, a tulip bowl.
double OuterRadius(double y) {
    if (y < -0.5) return Mix(0.3, 0.12, SmoothStep(-0.62, -0.5, y));
    if (y < -0.05) {
        const double knot = 0.05 * std::exp(-std::pow((y + 0.22) / 0.05, 2.0));
        return Mix(0.12, 0.065, SmoothStep(-0.5, -0.35, y)) + knot + 0.03 * SmoothStep(-0.12, -0.05, y);
    }
    const double t = (y + 0.05) / 0.7;  // 0 at the bowl's foot, 1 at the rim
    return 0.095 + 0.38 * std::sin(t * kPi * 0.5) + 0.02 * t * t;
}

double InnerRadius(double y) { return std::max(0.0, OuterRadius(y) - 0.03 - 0.02 * SmoothStep(0.3, 0.05, y)); }

// A handle: a loop from the upper bowl out and down to the lower bowl, in the x-y plane.
std::vector<V3> HandlePath(double side) {
    std::vector<V3> path;
    const V3 p0{side * (OuterRadius(0.5) - 0.02), 0.5, 0}, p1{side * 0.75, 0.58, 0};
    const V3 p2{side * 0.72, 0.08, 0}, p3{side * (OuterRadius(0.08) - 0.02), 0.08, 0};
    for (int i = 0; i <= 32; ++i) {
        const double t = i / 32.0, s = 1.0 - t;
        path.push_back(p0 * (s * s * s) + p1 * (3 * s * s * t) + p2 * (3 * s * t * t) + p3 * (t * t * t));
    }
    return path;
}

}  // namespace

MeshAsset MakeTrophy() {
    MeshAsset asset{"Pokal3.x", {}, {}};
    asset.textures.push_back({"Pokal_Gold.jpg", GoldTexture(), false});
    asset.textures.push_back({"Pokal_Marmor.jpg", MarbleTexture(), false});
    TriangleMesh& mesh = asset.mesh;
    mesh.name = "Pokal";
    const uint32_t gold = mesh.AddMaterial({"Gold", {1.0, 0.92, 0.75, 1}, 60.0, {1.0, 0.9, 0.6}, {0.12, 0.08, 0.0}, "Pokal_Gold.jpg"});
    const uint32_t marble = mesh.AddMaterial({"Sockel", {0.9, 0.9, 0.9, 1}, 30.0, {0.4, 0.4, 0.4}, {}, "Pokal_Marmor.jpg"});
    const uint32_t band = mesh.AddMaterial({"Plakette", {0.85, 0.87, 0.9, 1}, 80.0, {1, 1, 1}, {0.05, 0.05, 0.06}, ""});

    // Plinth: a bottom, a slightly tapered side and a top, with sharp edges between them.
    const double plinthTop = kFloor + 0.28;
    AddLathe(mesh, {{0.0, kFloor}, {0.42, kFloor}}, kSegments, marble);
    AddLathe(mesh, {{0.42, kFloor}, {0.40, plinthTop}}, kSegments, marble);
    AddLathe(mesh, {{0.40, plinthTop}, {0.0, plinthTop}}, kSegments, marble);
    // A silver ring round the plinth.
    std::vector<V2> ring;
    for (int i = 0; i <= 10; ++i) {
        const double a = kPi * i / 10.0;
        ring.push_back({0.405 + 0.035 * std::sin(a), kFloor + 0.14 - 0.035 * std::cos(a)});
    }
    AddLathe(mesh, ring, kSegments, band);

    // Cup: outer wall up, a rounded rim, inner wall down to the bowl's floor.
    std::vector<V2> cup = Sample(56, plinthTop, 0.65, OuterRadius);
    const double rimOuter = OuterRadius(0.65), rimInner = InnerRadius(0.65);
    const double rimRadius = (rimOuter - rimInner) * 0.5;
    for (int i = 1; i < 12; ++i) {
        const double a = kPi * i / 12.0;
        cup.push_back({rimInner + rimRadius + rimRadius * std::cos(a), 0.65 + rimRadius * std::sin(a)});
    }
    for (const V2& p : Sample(24, 0.65, 0.1, InnerRadius)) cup.push_back(p);
    cup.push_back({0.0, 0.1});
    AddLathe(mesh, cup, kSegments, gold);

    for (double side : {-1.0, 1.0}) AddTube(mesh, HandlePath(side), 0.032, 12, gold);
    return asset;
}

}  // namespace tavrin::forge
