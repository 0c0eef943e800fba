// The models against the scenes that show them: sizes, placement, materials, and which side of
// each surface faces the camera.

#include <cmath>
#include <set>

#include <gtest/gtest.h>

#include "models/football_mesh.h"
#include "models/stadium_mesh.h"
#include "models/trophy_mesh.h"

namespace tavrin::forge::test {
namespace {

struct Box {
    V3 low{1e30, 1e30, 1e30}, high{-1e30, -1e30, -1e30};
};

Box Bounds(const TriangleMesh& mesh) {
    Box box;
    for (const V3& p : mesh.positions) {
        box.low = {std::min(box.low.x, p.x), std::min(box.low.y, p.y), std::min(box.low.z, p.z)};
        box.high = {std::max(box.high.x, p.x), std::max(box.high.y, p.y), std::max(box.high.z, p.z)};
    }
    return box;
}

// Distance along the ray to the triangle, or a negative value when it misses (Moller-Trumbore).
double Hit(const V3& origin, const V3& direction, const V3& a, const V3& b, const V3& c) {
    const V3 e1 = b - a, e2 = c - a, p = Cross(direction, e2);
    const double det = Dot(e1, p);
    if (std::fabs(det) < 1e-12) return -1.0;
    const V3 s = origin - a;
    // A little slack on the edges, so a ray through a shared edge or vertex cannot slip between
    // the triangles on either side and report a face behind them.
    const double slack = 1e-7;
    const double u = Dot(s, p) / det;
    if (u < -slack || u > 1.0 + slack) return -1.0;
    const V3 q = Cross(s, e1);
    const double v = Dot(direction, q) / det;
    if (v < -slack || u + v > 1.0 + slack) return -1.0;
    return Dot(e2, q) / det;
}

struct RayHit {
    double distance = -1.0;
    const Face* face = nullptr;
};

template <typename Accept>
RayHit FirstHit(const TriangleMesh& mesh, const V3& origin, const V3& direction, Accept accept) {
    RayHit best;
    for (const Face& f : mesh.faces) {
        if (!accept(f)) continue;
        const double t = Hit(origin, direction, mesh.positions[f.a], mesh.positions[f.b], mesh.positions[f.c]);
        if (t > 1e-9 && (best.distance < 0.0 || t < best.distance)) best = {t, &f};
    }
    return best;
}

RayHit FirstHit(const TriangleMesh& mesh, const V3& origin, const V3& direction) {
    return FirstHit(mesh, origin, direction, [](const Face&) { return true; });
}

// The show culls counter-clockwise triangles, so whatever a camera outside sees first must be
// wound clockwise from there: its cross product (b - a) x (c - a) points back at the camera.
void ExpectOutsideIsFrontFacing(const TriangleMesh& mesh, const V3& aim, double distance,
                                double spread) {
    int hits = 0, front = 0;
    for (int i = 0; i < 400; ++i) {
        const double a = 2.399963 * i, y = 1.0 - 2.0 * (i + 0.5) / 400;  // golden-angle spiral
        const V3 from = aim + V3{std::cos(a) * std::sqrt(1 - y * y), y, std::sin(a) * std::sqrt(1 - y * y)} * distance;
        const V3 target = aim + V3{std::sin(i * 1.3), std::cos(i * 0.7), std::sin(i * 2.9)} * spread;
        const V3 direction = Normalised(target - from);
        const RayHit hit = FirstHit(mesh, from, direction);
        if (!hit.face) continue;
        ++hits;
        const V3 facing = Cross(mesh.positions[hit.face->b] - mesh.positions[hit.face->a],
                                mesh.positions[hit.face->c] - mesh.positions[hit.face->a]);
        front += Dot(facing, direction) < 0.0;
    }
    EXPECT_GT(hits, 100);
    EXPECT_EQ(front, hits) << "faces seen from outside must be front faces";
}

TEST(Football, IsARoundedBallOfTwelveBlackAndTwentyWhitePanels) {
    const MeshAsset ball = MakeFootball();
    ASSERT_EQ(ball.mesh.materials.size(), 2u);
    for (const V3& p : ball.mesh.positions) {
        EXPECT_LE(Length(p), 0.2 + 1e-9);
        EXPECT_GE(Length(p), 0.19);
    }
    size_t black = 0;
    for (const Face& f : ball.mesh.faces) black += ball.mesh.materials[f.material].diffuse.r < 0.5;
    // Every panel is cut into the same number of triangles per corner: 12 x 5 of 12 x 5 + 20 x 6.
    EXPECT_EQ(black * 3, ball.mesh.faces.size());
    ExpectOutsideIsFrontFacing(ball.mesh, {0, 0, 0}, 1.0, 0.15);
}

TEST(Trophy, StandsAtTheOriginInsideTheFieldCubeAbovetThePool) {
    const MeshAsset trophy = MakeTrophy();
    const Box box = Bounds(trophy.mesh);
    EXPECT_GT(box.low.y, -0.95) << "the pool's surface lies at about -0.95";
    EXPECT_LT(box.low.y, -0.85);
    EXPECT_LT(box.high.y, 1.0);
    EXPECT_GT(box.high.y - box.low.y, 1.2);
    for (double v : {box.low.x, box.low.z}) EXPECT_GT(v, -1.0);
    for (double v : {box.high.x, box.high.z}) EXPECT_LT(v, 1.0);
    EXPECT_NEAR(box.low.x + box.high.x, 0.0, 1e-6);
    EXPECT_NEAR(box.low.z + box.high.z, 0.0, 1e-6);
    EXPECT_GE(trophy.mesh.materials.size(), 2u);
    ExpectOutsideIsFrontFacing(trophy.mesh, {0, -0.1, 0}, 3.0, 0.4);
}

class Stadium : public ::testing::Test {
protected:
    static void SetUpTestSuite() { asset_ = new MeshAsset(MakeStadium()); }
    static void TearDownTestSuite() { delete asset_; }
    static bool CutOut(const Material& m) { return m.texture.size() > 4 && m.texture.substr(m.texture.size() - 4) == ".tga"; }
    static MeshAsset* asset_;
};
MeshAsset* Stadium::asset_ = nullptr;

TEST_F(Stadium, HasAMarkedPitchAtGroundLevelUnderTheMetaballs) {
    const TriangleMesh& mesh = asset_->mesh;
    const Box box = Bounds(mesh);
    EXPECT_EQ(box.low.y, 0.0);
    // Straight down from anywhere above the balls' square lands on the pitch at y = 0.
    for (double x : {-10.0, 0.0, 10.0}) {
        for (double z : {-10.0, 0.0, 10.0}) {
            const RayHit hit = FirstHit(mesh, {x, 30, z}, {0, -1, 0});
            ASSERT_NE(hit.face, nullptr);
            EXPECT_NEAR(30.0 - hit.distance, 0.0, 1e-9);
            EXPECT_EQ(mesh.materials[hit.face->material].name, "Rasen");
        }
    }
    // Nothing stands in the balls' box, x and z in [-10, 10], y in [5, 25].
    for (const V3& p : mesh.positions) {
        EXPECT_FALSE(std::fabs(p.x) <= 10 && std::fabs(p.z) <= 10 && p.y >= 5 && p.y <= 25);
    }
}

TEST_F(Stadium, OrbitingCameraStaysClearAndSeesTheMetaballs) {
    const TriangleMesh& mesh = asset_->mesh;
    const V3 target{0, 10, 0};
    for (int i = 0; i < 72; ++i) {
        const double a = 2.0 * kPi * i / 72;
        const V3 eye{30 * std::sin(a), 15, 30 * std::cos(a)};
        const RayHit below = FirstHit(mesh, eye, {0, -1, 0});
        ASSERT_NE(below.face, nullptr) << "the camera orbits over the stands, not outside them";
        EXPECT_GT(below.distance, 1.5) << "too close to the stands below, angle " << a;
        const RayHit above = FirstHit(mesh, eye, {0, 1, 0});
        EXPECT_TRUE(!above.face || above.distance > 1.5) << "roof too close above, angle " << a;
        const V3 toTarget = target - eye;
        const RayHit blocked = FirstHit(mesh, eye, Normalised(toTarget), [&](const Face& f) {
            return !CutOut(mesh.materials[f.material]);
        });
        EXPECT_TRUE(!blocked.face || blocked.distance > Length(toTarget)) << "view blocked at angle " << a;
    }
}

TEST_F(Stadium, HasSeveralMaterialsAndCutOutTexturesWithRealHoles) {
    const TriangleMesh& mesh = asset_->mesh;
    EXPECT_GE(mesh.materials.size(), 5u);
    std::set<std::string> names;
    int cutOuts = 0;
    for (const Material& m : mesh.materials) {
        EXPECT_TRUE(names.insert(m.name).second) << "duplicate material " << m.name;
        if (!CutOut(m)) continue;
        ++cutOuts;
        const MeshTexture* texture = nullptr;
        for (const MeshTexture& t : asset_->textures) {
            if (t.file == m.texture) texture = &t;
        }
        ASSERT_NE(texture, nullptr) << m.texture;
        EXPECT_TRUE(texture->alpha);
        size_t holes = 0, solid = 0;
        for (const Rgba& p : texture->image.pixels) {
            holes += p.a * 255.0 <= 64.0;
            solid += p.a * 255.0 > 64.0;
        }
        EXPECT_GT(holes, texture->image.pixels.size() / 4) << m.texture;
        EXPECT_GT(solid, texture->image.pixels.size() / 20) << m.texture;
    }
    EXPECT_GE(cutOuts, 2);
    std::vector<size_t> used(mesh.materials.size(), 0);
    for (const Face& f : mesh.faces) ++used[f.material];
    for (size_t i = 0; i < used.size(); ++i) EXPECT_GT(used[i], 0u) << mesh.materials[i].name;
}

}  // namespace
}  // namespace tavrin::forge::test
