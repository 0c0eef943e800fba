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

}  // namespace
}  // namespace tavrin
