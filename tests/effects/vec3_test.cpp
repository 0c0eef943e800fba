#include "effects/vec3.h"

#include <gtest/gtest.h>

namespace tavrin {
namespace {

TEST(Vec3, ArithmeticIsComponentWise) {
    const Vec3 a(1, 2, 3), b(4, -5, 6);
    const Vec3 sum = a + b, difference = a - b, negated = -a, scaled = a * 2.5f;
    EXPECT_EQ(sum.x, 5);
    EXPECT_EQ(sum.y, -3);
    EXPECT_EQ(sum.z, 9);
    EXPECT_EQ(difference.x, -3);
    EXPECT_EQ(difference.y, 7);
    EXPECT_EQ(difference.z, -3);
    EXPECT_EQ(negated.x, -1);
    EXPECT_EQ(negated.z, -3);
    EXPECT_EQ(scaled.y, 5);
    Vec3 accumulated = a;
    accumulated += b;
    EXPECT_EQ(accumulated.z, 9);
    Vec3 set;
    EXPECT_EQ(set.x, 0);
    set.Set(7, 8, 9);
    EXPECT_EQ(set.y, 8);
}

TEST(Vec3, DotCrossLengthAndNormalise) {
    const Vec3 a(1, 2, 3), b(4, -5, 6);
    EXPECT_EQ(a.Dot(b), 4 - 10 + 18);
    const Vec3 c = a.Cross(b);
    EXPECT_EQ(c.x, 2 * 6 - 3 * -5);
    EXPECT_EQ(c.y, 3 * 4 - 1 * 6);
    EXPECT_EQ(c.z, 1 * -5 - 2 * 4);
    EXPECT_EQ(c.Dot(a), 0);  // perpendicular to both
    EXPECT_EQ(c.Dot(b), 0);
    // x cross y = z: the handedness the effects' frames rely on.
    const Vec3 z = Vec3(1, 0, 0).Cross(Vec3(0, 1, 0));
    EXPECT_EQ(z.z, 1);
    EXPECT_FLOAT_EQ(Vec3(3, 4, 12).Length(), 13);
    Vec3 n(3, 4, 12);
    n.Normalise();
    EXPECT_FLOAT_EQ(n.x, 3.0f / 13);
    EXPECT_FLOAT_EQ(n.Length(), 1.0f);
}

TEST(Vec3, ReorthonormaliseKeepsTheFirstDirectionAndRebuildsARightHandedFrame) {
    // A frame that has drifted: u too long, v leaning towards u, w stale.
    Vec3 u(2, 0, 0), v(0.3f, 1, 0), w(0, 0.2f, 5);
    Reorthonormalise(u, v, w);
    EXPECT_FLOAT_EQ(u.x, 1);
    EXPECT_EQ(u.y, 0);
    EXPECT_NEAR(v.x, 0, 1e-6f);
    EXPECT_FLOAT_EQ(v.y, 1);
    EXPECT_FLOAT_EQ(w.z, 1);  // u x v, not the stale w
    EXPECT_NEAR(w.y, 0, 1e-6f);

    Vec3 a(1, 2, 3), b(-2, 1, 0.5f), c;
    Reorthonormalise(a, b, c);
    for (const Vec3* axis : {&a, &b, &c}) EXPECT_NEAR(axis->Length(), 1, 1e-6f);
    EXPECT_NEAR(a.Dot(b), 0, 1e-6f);
    EXPECT_NEAR(b.Dot(c), 0, 1e-6f);
    EXPECT_NEAR(a.Cross(b).Dot(c), 1, 1e-6f);
    EXPECT_NEAR(a.Dot(Vec3(1, 2, 3)), std::sqrt(14.0f), 1e-5f);
}

TEST(Vec3, PackDirectionMapsMinusOneToOneOntoEachChannel) {
    EXPECT_EQ(PackDirection(Vec3(-1, 0, 1)), 0xFF007FFFu);  // 127.5 truncates to 127
    EXPECT_EQ(PackDirection(Vec3(1, -1, 0)), 0xFFFF007Fu);
    EXPECT_EQ(PackDirection(Vec3(0.5f, -0.5f, 0)), 0xFFBF3F7Fu);
}

}  // namespace
}  // namespace tavrin
