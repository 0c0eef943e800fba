#include <cmath>

#include "models/stadium_mesh.h"
#include "pictures/stadium_textures.h"

namespace tavrin::forge {
namespace {

// The stands run round a rounded rectangle; every ring of the model (rows, walls, roof) is an
// outward offset of it, so the corners stay concentric.
constexpr double kInnerHalfX = 25.5, kInnerHalfZ = 18.5, kCornerRadius = 7.0;
constexpr int kRows = 14;
constexpr double kFrontWall = 1.2, kRise = 0.65, kTread = 1.1;
constexpr double kStandDepth = kRows * kTread;
// The roof hangs high enough that the orbiting camera (height 15, radius 30, over the stands)
// never sees the underside above it: only the far side's roof and trusses come into view.
constexpr double kRoofLow = 24.0, kRoofHigh = 26.0, kRoofStart = 5.0;  // start: depth it begins at

struct LoopPoint {
    V3 base;     // on the inner rounded rectangle, y = 0
    V3 outward;  // unit, horizontal
    double along;
};

std::vector<LoopPoint> InnerLoop() {
    const double sx = kInnerHalfX - kCornerRadius, sz = kInnerHalfZ - kCornerRadius;
    std::vector<LoopPoint> loop;
    // Corner centres in order round the loop, each followed by its quarter arc.
    const V2 centres[4] = {{sx, sz}, {-sx, sz}, {-sx, -sz}, {sx, -sz}};
    double along = 0.0;
    for (int c = 0; c < 4; ++c) {
        const double start = c * kPi / 2.0;
        for (int i = 0; i <= 8; ++i) {
            const double a = start + (kPi / 2.0) * i / 8.0;
            const V3 n{std::cos(a), 0, std::sin(a)};
            const V3 p{centres[c].x + n.x * kCornerRadius, 0, centres[c].y + n.z * kCornerRadius};
            if (!loop.empty()) along += Length(p - loop.back().base);
            loop.push_back({p, n, along});
        }
        // The straight side to the next corner, in 4-unit pieces.
        const V3 from = loop.back().base;
        const V2 next = centres[(c + 1) % 4];
        const double a = (c + 1) * kPi / 2.0;
        const V3 to{next.x + std::cos(a) * kCornerRadius, 0, next.y + std::sin(a) * kCornerRadius};
        const int pieces = static_cast<int>(std::ceil(Length(to - from) / 4.0));
        for (int i = 1; i < pieces; ++i) {
            const V3 p = from + (to - from) * (double(i) / pieces);
            along += Length(p - loop.back().base);
            loop.push_back({p, loop.back().outward, along});
        }
    }
    along += Length(loop.front().base - loop.back().base);
    loop.push_back({loop.front().base, loop.front().outward, along});  // closes the ring
    return loop;
}

// Sweeps one straight piece of the stands' cross-section, (depth, height) to (depth, height),
// round the loop; v runs from v0 to v1 across it, u along the loop at 'uPerUnit'.
void Sweep(TriangleMesh& mesh, const std::vector<LoopPoint>& loop, V2 from, V2 to, double v0,
           double v1, double uPerUnit, uint32_t material) {
    const V2 d = to - from;
    const double lengthAlong = loop.back().along;
    for (size_t i = 0; i + 1 < loop.size(); ++i) {
        const LoopPoint& a = loop[i];
        const LoopPoint& b = loop[i + 1];
        auto point = [](const LoopPoint& l, V2 q) { return l.base + l.outward * q.x + V3{0, q.y, 0}; };
        // Normal in the cross-section plane: left of the direction of travel (towards the pitch
        // for a profile climbing outward), the side the spectators see.
        auto normal = [&](const LoopPoint& l) { return l.outward * (-d.y) + V3{0, d.x, 0}; };
        // Whole repeats of the texture round the ring, so it closes without a jump.
        const double scale = std::round(lengthAlong * uPerUnit) / lengthAlong;
        const uint32_t p0 = mesh.AddVertex(point(a, from), normal(a), {a.along * scale, v0});
        const uint32_t p1 = mesh.AddVertex(point(b, from), normal(b), {b.along * scale, v0});
        const uint32_t p2 = mesh.AddVertex(point(b, to), normal(b), {b.along * scale, v1});
        const uint32_t p3 = mesh.AddVertex(point(a, to), normal(a), {a.along * scale, v1});
        mesh.AddQuad(p0, p1, p2, p3, material);
    }
}

struct Materials {
    uint32_t pitch, crowd, concrete, boards, white, net, lattice, roof, lamps;
};

void AddStands(TriangleMesh& mesh, const Materials& m, const std::vector<LoopPoint>& loop) {
    Sweep(mesh, loop, {0, 0}, {0, kFrontWall}, 0, 1, 0.5, m.concrete);
    for (int row = 0; row < kRows; ++row) {
        const double d = row * kTread, h = kFrontWall + row * kRise;
        // People upright on the riser that faces the pitch, the seat row on the tread.
        Sweep(mesh, loop, {d, h}, {d, h + kRise}, 0.6, 0.0, 1.0 / 6.0, m.crowd);
        Sweep(mesh, loop, {d, h + kRise}, {d + kTread, h + kRise}, 0.6, 1.0, 1.0 / 6.0, m.crowd);
    }
    // A parapet behind the top row and the outer facade; above them the night shows between
    // the lattice columns that carry the roof.
    const double top = kFrontWall + kRows * kRise, parapet = top + 1.2;
    Sweep(mesh, loop, {kStandDepth, top}, {kStandDepth, parapet}, 0, 1, 0.5, m.concrete);
    Sweep(mesh, loop, {kStandDepth + 0.4, 0}, {kStandDepth + 0.4, parapet}, 0, 1, 0.5, m.concrete);
    Sweep(mesh, loop, {kStandDepth, parapet}, {kStandDepth + 0.4, parapet}, 0, 1, 0.5, m.concrete);
    for (size_t i = 0; i + 1 < loop.size(); i += 2) {
        const LoopPoint& l = loop[i];
        const V3 tangent = Normalised(Cross({0, 1, 0}, l.outward));
        const V3 foot = l.base + l.outward * (kStandDepth + 0.2) + V3{0, parapet, 0};
        const V3 rise{0, kRoofHigh - parapet, 0};
        const double repeats = rise.y / 4.0;  // the girder texture runs up the column
        const V3 n = -l.outward;
        const uint32_t a = mesh.AddVertex(foot - tangent * 0.6, n, {0, 1});
        const uint32_t b = mesh.AddVertex(foot + tangent * 0.6, n, {0, 0});
        const uint32_t c = mesh.AddVertex(foot + tangent * 0.6 + rise, n, {repeats, 0});
        const uint32_t d = mesh.AddVertex(foot - tangent * 0.6 + rise, n, {repeats, 1});
        mesh.AddQuad(a, b, c, d, m.lattice);
    }
}

void AddRoof(TriangleMesh& mesh, const Materials& m, const std::vector<LoopPoint>& loop) {
    // The sheet, sloping down towards the pitch, seen from below as the underside.
    Sweep(mesh, loop, {kStandDepth + 0.4, kRoofHigh}, {kRoofStart, kRoofLow}, 0, 1, 0.25, m.roof);
    // Front girder along the roof's edge and radial trusses under the sheet, all cut-out lattice.
    Sweep(mesh, loop, {kRoofStart, kRoofLow - 1.6}, {kRoofStart, kRoofLow}, 1, 0, 1.0 / 4.0, m.lattice);
    for (size_t i = 0; i + 1 < loop.size(); i += 2) {
        const LoopPoint& l = loop[i];
        const V3 inner = l.base + l.outward * kRoofStart;
        const V3 outer = l.base + l.outward * kStandDepth;
        const V3 du = outer - inner;
        const V3 side = Cross(du, {0, 1, 0});
        // Truss as a quad under the sheet: top edge follows the slope, bottom edge level.
        const uint32_t a = mesh.AddVertex(inner + V3{0, kRoofLow - 1.6, 0}, side, {0, 1});
        const uint32_t b = mesh.AddVertex(outer + V3{0, kRoofHigh - 2.2, 0}, side, {2.5, 1});
        const uint32_t c = mesh.AddVertex(outer + V3{0, kRoofHigh, 0}, side, {2.5, 0});
        const uint32_t d = mesh.AddVertex(inner + V3{0, kRoofLow, 0}, side, {0, 0});
        mesh.AddQuad(a, b, c, d, m.lattice);
    }
}

void AddBoards(TriangleMesh& mesh, const Materials& m) {
    const double x = kFieldHalfX + 2.5, z = kFieldHalfZ + 2.0, h = 0.9;
    const V3 corners[4] = {{-x, 0, -z}, {x, 0, -z}, {x, 0, z}, {-x, 0, z}};
    for (int i = 0; i < 4; ++i) {
        const V3 a = corners[i], b = corners[(i + 1) % 4];
        const double length = Length(b - a);
        const double repeats = std::round(length / 5.0);
        // Facing the pitch: du x dv must point inward, so walk the edge with dv up, du reversed.
        AddPanel(mesh, b, a - b, {0, h, 0}, {0, 1}, {repeats, 0}, m.boards);
    }
}

void AddGoal(TriangleMesh& mesh, const Materials& m, double side) {
    const double lineX = side * kFieldHalfX, half = 7.32 * 0.4 / 2.0, height = 2.44 * 0.4;
    const double depth = 0.8 * side, post = 0.05;
    AddBox(mesh, {lineX - post, 0, -half - post}, {lineX + post, height, -half + post}, m.white);
    AddBox(mesh, {lineX - post, 0, half - post}, {lineX + post, height, half + post}, m.white);
    AddBox(mesh, {lineX - post, height - post, -half - post}, {lineX + post, height + post, half + post}, m.white);
    const double backX = lineX + depth;
    const double meshes = 1.0 / 0.25;  // net cells per unit
    AddPanel(mesh, {backX, 0, -half}, {0, 0, 2 * half}, {0, height * 0.8, 0}, {0, 0}, {2 * half * meshes, height * meshes}, m.net);
    AddPanel(mesh, {lineX, height, -half}, {0, 0, 2 * half}, {depth, -height * 0.2, 0}, {0, 0}, {2 * half * meshes, std::fabs(depth) * meshes}, m.net);
    for (double z : {-half, half}) {
        const uint32_t n = m.net;
        const V3 normal{0, 0, z > 0 ? 1.0 : -1.0};
        const uint32_t a = mesh.AddVertex({lineX, 0, z}, normal, {0, height * meshes});
        const uint32_t b = mesh.AddVertex({backX, 0, z}, normal, {std::fabs(depth) * meshes, height * meshes});
        const uint32_t c = mesh.AddVertex({backX, height * 0.8, z}, normal, {std::fabs(depth) * meshes, height * 0.2 * meshes});
        const uint32_t d = mesh.AddVertex({lineX, height, z}, normal, {0, 0});
        mesh.AddQuad(a, b, c, d, n);
    }
}

// A floodlight: a four-sided lattice tower tapering upwards and a lamp bank facing the centre spot.
void AddMast(TriangleMesh& mesh, const Materials& m, V3 foot) {
    const double height = 33.0, bottom = 1.2, topHalf = 0.5;
    const V3 corners[4] = {{-1, 0, -1}, {1, 0, -1}, {1, 0, 1}, {-1, 0, 1}};
    for (int i = 0; i < 4; ++i) {
        const V3 a = corners[i], b = corners[(i + 1) % 4];
        const V3 outward = Normalised(a + b);
        const uint32_t p0 = mesh.AddVertex(foot + a * bottom, outward, {0, height / 2.0});
        const uint32_t p1 = mesh.AddVertex(foot + b * bottom, outward, {1, height / 2.0});
        const uint32_t p2 = mesh.AddVertex(foot + b * topHalf + V3{0, height, 0}, outward, {1, 0});
        const uint32_t p3 = mesh.AddVertex(foot + a * topHalf + V3{0, height, 0}, outward, {0, 0});
        mesh.AddQuad(p0, p1, p2, p3, m.lattice);
    }
    // Lamp bank: 6 x 3 panel tilted down towards the centre spot.
    const V3 top = foot + V3{0, height + 1.5, 0};
    const V3 toCentre = Normalised(V3{0, 10, 0} - top);
    const V3 across = Normalised(Cross({0, 1, 0}, toCentre)) * 6.0;
    const V3 up = Normalised(Cross(toCentre, across)) * 3.0;
    const V3 corner = top - across * 0.5 - up * 0.5;
    // du x dv along toCentre so the lamps face the pitch.
    AddPanel(mesh, corner + across, -across, up, {1, 1}, {0, 0}, m.lamps);
    AddBox(mesh, top - V3{0.4, 1.6, 0.4}, top + V3{0.4, -1.4, 0.4}, m.concrete);
}

}  // namespace

MeshAsset MakeStadium() {
    MeshAsset asset{"Stadion.x", {}, {}};
    asset.textures.push_back({"Stadion_Rasen.jpg", PitchTexture(), false});
    asset.textures.push_back({"Stadion_Zuschauer.jpg", CrowdTexture(), false});
    asset.textures.push_back({"Stadion_Bande.jpg", BoardsTexture(), false});
    asset.textures.push_back({"Stadion_Netz.tga", NetTexture(), true});
    asset.textures.push_back({"Stadion_Fachwerk.tga", LatticeTexture(), true});
    asset.textures.push_back({"Stadion_Flutlicht.jpg", FloodlightTexture(), false});
    TriangleMesh& mesh = asset.mesh;
    mesh.name = "Stadion";
    Materials m{};
    m.pitch = mesh.AddMaterial({"Rasen", {0.85, 0.9, 0.85, 1}, 5, {0.1, 0.1, 0.1}, {0.05, 0.08, 0.05}, "Stadion_Rasen.jpg"});
    m.crowd = mesh.AddMaterial({"Zuschauer", {0.9, 0.9, 0.9, 1}, 5, {0.1, 0.1, 0.1}, {0.1, 0.1, 0.1}, "Stadion_Zuschauer.jpg"});
    m.concrete = mesh.AddMaterial({"Beton", {0.55, 0.55, 0.58, 1}, 10, {0.2, 0.2, 0.2}, {}, ""});
    m.boards = mesh.AddMaterial({"Bande", {1, 1, 1, 1}, 20, {0.3, 0.3, 0.3}, {0.25, 0.25, 0.25}, "Stadion_Bande.jpg"});
    m.white = mesh.AddMaterial({"Torpfosten", {1, 1, 1, 1}, 40, {0.6, 0.6, 0.6}, {0.2, 0.2, 0.2}, ""});
    m.net = mesh.AddMaterial({"Tornetz", {1, 1, 1, 1}, 5, {0, 0, 0}, {0.2, 0.2, 0.2}, "Stadion_Netz.tga"});
    m.lattice = mesh.AddMaterial({"Fachwerk", {0.8, 0.82, 0.86, 1}, 30, {0.5, 0.5, 0.5}, {0.05, 0.05, 0.05}, "Stadion_Fachwerk.tga"});
    m.roof = mesh.AddMaterial({"Dach", {0.4, 0.42, 0.46, 1}, 10, {0.2, 0.2, 0.2}, {}, ""});
    m.lamps = mesh.AddMaterial({"Flutlicht", {1, 1, 1, 1}, 10, {0, 0, 0}, {1, 1, 1}, "Stadion_Flutlicht.jpg"});

    AddPanel(mesh, {-kGrassHalfX, 0, kGrassHalfZ}, {2 * kGrassHalfX, 0, 0}, {0, 0, -2 * kGrassHalfZ},
             {0, 1}, {1, 0}, m.pitch);
    const std::vector<LoopPoint> loop = InnerLoop();
    AddStands(mesh, m, loop);
    AddRoof(mesh, m, loop);
    AddBoards(mesh, m);
    AddGoal(mesh, m, -1.0);
    AddGoal(mesh, m, 1.0);
    const double mx = kInnerHalfX + kStandDepth - 2.0, mz = kInnerHalfZ + kStandDepth - 2.0;
    for (V3 foot : {V3{mx, 0, mz}, V3{-mx, 0, mz}, V3{-mx, 0, -mz}, V3{mx, 0, -mz}}) AddMast(mesh, m, foot);
    return asset;
}

}  // namespace tavrin::forge
