#include "effects/metaball_field.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <map>
#include <utility>
#include <vector>

#include "effects/cube_table.h"

namespace tavrin {
namespace {

struct EmptySource : FieldSource {};

struct ConstantSource : FieldSource {
    explicit ConstantSource(float v) : value(v) {}
    float Value(const Vec3&) const override { return value; }
    float value;
};

// Radius^2 0.47: 47 is no sum of three squares, so no grid point of a 0.1 grid lies on the surface.
struct SphereSource : FieldSource {
    float Value(const Vec3& p) const override { return 0.47f - p.Dot(p); }
};

// Inside exactly at one grid point, with value 0 there.
struct PointSource : FieldSource {
    explicit PointSource(Vec3 p) : point(p) {}
    float Value(const Vec3& p) const override {
        return (p - point).Length() < 1e-4f ? 0.0f : -1.0f;
    }
    Vec3 point;
};

// Alternating inside and outside from one grid point to the next: the most triangles a grid holds.
struct CheckerSource : FieldSource {
    float Value(const Vec3& p) const override {
        const int parity = static_cast<int>(std::lround(p.x) + std::lround(p.y) + std::lround(p.z));
        return parity % 2 == 0 ? 1.0f : -1.0f;
    }
};

MetaballField MakeUnitField(int resolution, FieldSource* source) {
    return MetaballField(nullptr, resolution, resolution, resolution, Vec3(-1, -1, -1), 2, 2, 2,
                         source);
}

std::vector<int> IndexList(const MetaballField& field) {
    return std::vector<int>(field.Indices(), field.Indices() + field.IndexCount());
}

TEST(CubeTable, PublishedRowsAreGivenExactlyAndInOrder) {
    using Row = std::vector<int>;
    auto row = [](int cubeIndex) {
        Row entries;
        for (int8_t e : cube::kTriangleTable[cubeIndex]) {
            if (e < 0) break;
            entries.push_back(e);
        }
        return entries;
    };
    EXPECT_TRUE(row(0).empty());
    EXPECT_TRUE(row(255).empty());
    EXPECT_EQ(row(1), (Row{0, 8, 3}));
    EXPECT_EQ(row(2), (Row{0, 1, 9}));
    EXPECT_EQ(row(3), (Row{1, 8, 3, 9, 8, 1}));
    EXPECT_EQ(row(4), (Row{1, 2, 10}));
    EXPECT_EQ(row(128), (Row{7, 6, 11}));
    EXPECT_EQ(row(254), (Row{0, 3, 8}));
}

TEST(CubeTable, EveryRowUsesExactlyTheEdgesItsCornersCut) {
    // The cell's edges as corner pairs, written out here rather than taken from the table's header.
    constexpr int kEdgeEnds[cube::kEdges][2] = {{0, 1}, {1, 2}, {2, 3}, {3, 0}, {4, 5}, {5, 6},
                                                {6, 7}, {7, 4}, {0, 4}, {1, 5}, {2, 6}, {3, 7}};
    for (int cubeIndex = 0; cubeIndex < 256; ++cubeIndex) {
        bool used[cube::kEdges] = {};
        int entries = 0;
        for (int8_t e : cube::kTriangleTable[cubeIndex]) {
            if (e < 0) break;
            used[e] = true;
            ++entries;
        }
        EXPECT_EQ(entries % 3, 0) << cubeIndex;
        for (int e = 0; e < cube::kEdges; ++e) {
            const bool cut =
                ((cubeIndex >> kEdgeEnds[e][0]) & 1) != ((cubeIndex >> kEdgeEnds[e][1]) & 1);
            EXPECT_EQ(used[e], cut) << "case " << cubeIndex << " edge " << e;
        }
    }
}

TEST(MetaballField, UniformFieldsGiveNoTriangles) {
    EmptySource outside;
    ConstantSource inside(2.0f), zero(0.0f), notANumber(std::numeric_limits<float>::quiet_NaN()),
        infinite(std::numeric_limits<float>::infinity());
    for (FieldSource* source :
         std::vector<FieldSource*>{&outside, &inside, &zero, &notANumber, &infinite}) {
        MetaballField field = MakeUnitField(6, source);
        EXPECT_FALSE(field.Ready());
        field.Polygonise();
        EXPECT_TRUE(field.Ready());
        EXPECT_EQ(field.TriangleCount(), 0);
        EXPECT_EQ(field.IndexCount(), 0);
    }
}

TEST(MetaballField, ZeroValueCountsAsInsideWithVerticesOnTheSample) {
    // Grid points at -1, -0.5, 0, 0.5, 1: the centre one is inside with value 0.
    PointSource source(Vec3(0, 0, 0));
    MetaballField field = MakeUnitField(4, &source);
    field.Polygonise();
    // Six edges leave the point; the eight cells around it each cut off the corner.
    EXPECT_EQ(field.TriangleCount(), 8);
    for (int n = 0; n < field.IndexCount(); ++n) {
        const Vec3& p = field.Vertices()[field.Indices()[n]].position;
        EXPECT_EQ(p.x, 0.0f);
        EXPECT_EQ(p.y, 0.0f);
        EXPECT_EQ(p.z, 0.0f);
    }
}

// Inside (value 1) at the listed grid points of a one-cell grid with corners at -1 and 1,
// outside (-1) elsewhere, so every edge vertex lies at an edge's midpoint.
struct CornerSource : FieldSource {
    explicit CornerSource(std::vector<Vec3> points) : inside(std::move(points)) {}
    float Value(const Vec3& p) const override {
        for (const Vec3& q : inside) {
            if ((p - q).Length() < 1e-4f) return 1.0f;
        }
        return -1.0f;
    }
    std::vector<Vec3> inside;
};

std::vector<std::vector<float>> IndexedPositions(const MetaballField& field) {
    std::vector<std::vector<float>> out;
    for (int n = 0; n < field.IndexCount(); ++n) {
        const Vec3& p = field.Vertices()[field.Indices()[n]].position;
        out.push_back({p.x, p.y, p.z});
    }
    return out;
}

TEST(MetaballField, IndexArrayFollowsTableOrder) {
    using Positions = std::vector<std::vector<float>>;
    // Case 3: corners c0 (1, 1, 1) and c1 (-1, 1, 1) inside; row e1, e8, e3, e9, e8, e1.
    CornerSource twoCorners({Vec3(1, 1, 1), Vec3(-1, 1, 1)});
    MetaballField field = MakeUnitField(1, &twoCorners);
    field.Polygonise();
    const std::vector<float> e1{-1, 0, 1}, e8{1, 1, 0}, e3{1, 0, 1}, e9{-1, 1, 0};
    EXPECT_EQ(IndexedPositions(field), (Positions{e1, e8, e3, e9, e8, e1}));

    // Case 128: corner c7 (1, -1, -1) alone; row e7, e6, e11.
    CornerSource oneCorner({Vec3(1, -1, -1)});
    MetaballField single = MakeUnitField(1, &oneCorner);
    single.Polygonise();
    const std::vector<float> e7{1, 0, -1}, e6{0, -1, -1}, e11{1, -1, 0};
    EXPECT_EQ(IndexedPositions(single), (Positions{e7, e6, e11}));
}

TEST(MetaballField, ResolutionsWithinTheConstructionCapacityAreAccepted) {
    EmptySource source;
    MetaballField field = MakeUnitField(99, &source);
    EXPECT_EQ(field.SampleCount(), 1000000);
    EXPECT_TRUE(field.SetResolution(99, 99, 99));
    EXPECT_FALSE(field.SetResolution(100, 100, 100));
    EXPECT_EQ(field.SampleCount(), 1000000);  // the refusal changed nothing
    EXPECT_TRUE(field.SetResolution(39, 39, 39));
    EXPECT_TRUE(field.SetResolution(79, 79, 79));
    EXPECT_EQ(field.SampleCount(), 80 * 80 * 80);
    // A product that wraps a 32-bit int must still be refused.
    EXPECT_FALSE(field.SetResolution(2000, 2000, 2000));
    EXPECT_FALSE(field.SetResolution(-3, -3, 2000000));

    // A grid too large to hold holds nothing, and refuses everything but empty grids.
    MetaballField huge = MakeUnitField(4000, &source);
    EXPECT_EQ(huge.SampleCount(), 0);
    EXPECT_FALSE(huge.SetResolution(1, 1, 1));
    huge.Polygonise();
    EXPECT_EQ(huge.TriangleCount(), 0);

    SphereSource sphere;
    MetaballField empty = MakeUnitField(8, &sphere);
    for (int r : {0, -1, -5}) {
        EXPECT_TRUE(empty.SetResolution(r, r, r));
        empty.Polygonise();
        EXPECT_TRUE(empty.Ready());
        EXPECT_EQ(empty.TriangleCount(), 0);
    }
}

TEST(MetaballField, SampleLayoutAccumulatesCellSteps) {
    EmptySource source;
    MetaballField field(nullptr, 3, 2, 1, Vec3(-1, 0.5f, 2), 0.3f, 1, 4, &source);
    float x = -1;
    for (int i = 0; i <= 3; ++i, x += 0.3f / 3) {
        EXPECT_EQ(field.GridPoint(i, 0, 0).x, x);  // bit for bit, as added
        EXPECT_EQ(field.GridPoint(i, 2, 1).x, x);  // the same in every row and layer
        EXPECT_EQ(field.GridPoint(i, 0, 0).y, 0.5f);
    }
    EXPECT_EQ(field.GridPoint(0, 1, 0).y, 1.0f);
    EXPECT_EQ(field.GridPoint(0, 0, 1).z, 6.0f);
    ASSERT_TRUE(field.SetResolution(1, 1, 2));
    EXPECT_EQ(field.GridPoint(1, 1, 2).x, -0.7f);  // a new resolution lays out anew
    EXPECT_EQ(field.GridPoint(1, 1, 2).z, 6.0f);
}

// The sphere's surface must be closed and wound outwards: every edge of the triangle mesh is shared
// by exactly two triangles that run it in opposite directions.
TEST(MetaballField, SphereGivesAClosedOutwardSurface) {
    SphereSource source;
    MetaballField field = MakeUnitField(20, &source);
    field.Polygonise();
    ASSERT_GT(field.TriangleCount(), 100);
    std::map<std::pair<int, int>, int> directedEdges;
    const int* idx = field.Indices();
    const SurfaceVertex* vertices = field.Vertices();
    for (int t = 0; t < field.TriangleCount(); ++t) {
        const int corner[3] = {idx[3 * t], idx[3 * t + 1], idx[3 * t + 2]};
        for (int c = 0; c < 3; ++c) ++directedEdges[{corner[c], corner[(c + 1) % 3]}];
        const Vec3& u = vertices[corner[0]].position;
        const Vec3 facing = (vertices[corner[1]].position - u).Cross(vertices[corner[2]].position - u);
        EXPECT_GT(facing.Dot(u), 0.0f) << "triangle " << t << " faces inwards";
    }
    for (const auto& [edge, count] : directedEdges) {
        EXPECT_EQ(count, 1);
        EXPECT_EQ(directedEdges.count({edge.second, edge.first}), 1u) << "open edge";
    }
    for (int n = 0; n < field.IndexCount(); ++n) {
        const SurfaceVertex& v = vertices[idx[n]];
        EXPECT_NEAR(v.position.Length(), 0.6856f, 0.02f);
        Vec3 unit = v.normal;
        unit.Normalise();
        EXPECT_GT(unit.Dot(v.position) / v.position.Length(), 0.95f);  // outward, near radial
        EXPECT_EQ(v.colour, 0xFFFFFFFFu);
    }
}

TEST(MetaballField, RunsGiveIdenticalIndexArraysWhateverTheSamplingThreads) {
    SphereSource source;
    MetaballField field = MakeUnitField(17, &source);
    field.Polygonise();
    const std::vector<int> first = IndexList(field);
    const SurfaceVertex firstVertex = field.Vertices()[first[5]];
    field.Polygonise();
    EXPECT_EQ(IndexList(field), first);
    field.SetSamplingThreads(2);
    field.Polygonise();
    EXPECT_EQ(IndexList(field), first);
    EXPECT_EQ(field.Vertices()[first[5]].normal.x, firstVertex.normal.x);
}

TEST(MetaballField, NormalModesChooseWhereNormalsComeFrom) {
    struct SuppliedNormals : SphereSource {
        bool Normal(Vec3& normal, const Vec3&) const override {
            normal.Set(0, 0, 3);
            return true;
        }
        D3DCOLOR Colour(const Vec3&) const override { return 0x12345678u; }
    } source;
    MetaballField field = MakeUnitField(8, &source);
    source.normalMode = 1;
    field.Polygonise();
    ASSERT_GT(field.TriangleCount(), 0);
    const SurfaceVertex& supplied = field.Vertices()[field.Indices()[0]];
    EXPECT_EQ(supplied.normal.z, 3.0f);
    EXPECT_EQ(supplied.colour, 0x12345678u);
    source.normalMode = 2;
    field.Polygonise();
    const SurfaceVertex& none = field.Vertices()[field.Indices()[0]];
    EXPECT_EQ(none.normal.x, 0.0f);
    EXPECT_EQ(none.normal.y, 0.0f);
    EXPECT_EQ(none.normal.z, 0.0f);
}

TEST(MetaballField, DenseSurfacesStayWithinTheirArrays) {
    // Every cell of a checkerboard is cut four times: more triangles than the index array holds
    // and more vertices than the pool, which then reuses its earliest slots.
    CheckerSource source;
    MetaballField field(nullptr, 10, 10, 10, Vec3(0, 0, 0), 10, 10, 10, &source);
    field.Polygonise();
    EXPECT_EQ(field.IndexCount() / 3, field.TriangleCount());
    EXPECT_GT(field.IndexCount(), field.IndexCapacity() - 3);
    EXPECT_LE(field.IndexCount(), field.IndexCapacity());
    for (int n = 0; n < field.IndexCount(); ++n) {
        ASSERT_GE(field.Indices()[n], 0);
        ASSERT_LT(field.Indices()[n], field.VertexCapacity());
    }
}

// A sphere whose radius the test changes, counting its changes as the trophy scene does.
struct TrackedSphere : FieldSource {
    float Value(const Vec3& p) const override { return radius2 - p.Dot(p); }
    uint64_t Revision() const override { return revision; }
    void SetRadius2(float r2) {
        radius2 = r2;
        ++revision;
    }
    float radius2 = 0.47f;
    uint64_t revision = 1;
};

// Same field, but every pass is made.
struct UntrackedSphere : TrackedSphere {
    uint64_t Revision() const override { return kUntracked; }
};

// Every index with the exact bits of the vertex it names.
std::vector<float> UnrolledVertices(const MetaballField& field) {
    std::vector<float> out;
    for (int n = 0; n < field.IndexCount(); ++n) {
        const SurfaceVertex& v = field.Vertices()[field.Indices()[n]];
        out.insert(out.end(), {v.position.x, v.position.y, v.position.z, v.normal.x, v.normal.y,
                               v.normal.z, static_cast<float>(v.colour)});
    }
    return out;
}

TEST(MetaballField, UnchangedInputsKeepTheLastPassWhichAFullPassWouldRepeat) {
    TrackedSphere tracked;
    UntrackedSphere untracked;
    MetaballField skipping = MakeUnitField(79, &tracked);
    MetaballField full = MakeUnitField(79, &untracked);
    auto expectSameSurface = [&] {
        ASSERT_GT(full.TriangleCount(), 100);
        EXPECT_EQ(skipping.TriangleCount(), full.TriangleCount());
        EXPECT_EQ(IndexList(skipping), IndexList(full));
        EXPECT_EQ(UnrolledVertices(skipping), UnrolledVertices(full));
    };
    for (int frame = 0; frame < 3; ++frame) {
        // What the metaball passage does every frame: the same resolution, then a pass.
        ASSERT_TRUE(skipping.SetResolution(79, 79, 79));
        ASSERT_TRUE(full.SetResolution(79, 79, 79));
        skipping.Polygonise();
        full.Polygonise();
        expectSameSurface();
    }
    EXPECT_EQ(skipping.Passes(), 1);
    EXPECT_EQ(full.Passes(), 3);

    // A change of the source, of the grid or of the normal mode makes a new pass.
    tracked.SetRadius2(0.3f);
    untracked.SetRadius2(0.3f);
    skipping.Polygonise();
    full.Polygonise();
    EXPECT_EQ(skipping.Passes(), 2);
    expectSameSurface();
    ASSERT_TRUE(skipping.SetResolution(39, 39, 39));
    ASSERT_TRUE(full.SetResolution(39, 39, 39));
    skipping.Polygonise();
    full.Polygonise();
    EXPECT_EQ(skipping.Passes(), 3);
    expectSameSurface();
    tracked.normalMode = untracked.normalMode = 2;
    skipping.Polygonise();
    full.Polygonise();
    EXPECT_EQ(skipping.Passes(), 4);
    expectSameSurface();
}

}  // namespace
}  // namespace tavrin
