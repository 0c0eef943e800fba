// The pictures as the show will decode them: formats, sizes, and the properties each effect
// relies on.

#include <cmath>
#include <set>

#include <gtest/gtest.h>

#include "forge_fixture.h"
#include "pictures/sky_box.h"

namespace tavrin::forge::test {
namespace {

struct Channels {
    double r, g, b, a;
};

Channels At(const tavrin::Image& image, double u, double v) {
    const auto x = static_cast<uint32_t>(std::min(u * image.width, image.width - 1.0));
    const auto y = static_cast<uint32_t>(std::min(v * image.height, image.height - 1.0));
    const uint32_t p = image.At(x, y);
    return {double((p >> 16) & 255), double((p >> 8) & 255), double(p & 255), double(p >> 24)};
}

// Mean over the texels of a rectangle in texture coordinates.
Channels Mean(const tavrin::Image& image, double u0, double v0, double u1, double v1) {
    Channels sum{0, 0, 0, 0};
    int count = 0;
    for (double v = v0; v < v1; v += 1.0 / image.height) {
        for (double u = u0; u < u1; u += 1.0 / image.width) {
            const Channels c = At(image, u, v);
            sum = {sum.r + c.r, sum.g + c.g, sum.b + c.b, sum.a + c.a};
            ++count;
        }
    }
    return {sum.r / count, sum.g / count, sum.b / count, sum.a / count};
}

TEST(ForgedImages, HaveTheFormatsAndSizesTheShowLoads) {
    struct Expected {
        const char* name;
        ImageFormat format;
        uint32_t width, height;
    };
    const Expected expected[] = {
        {"BlueEnv.bmp", ImageFormat::Bmp, 256, 256},          {"FussballEnv.tga", ImageFormat::Tga, 256, 256},
        {"Outline_Bunt.tga", ImageFormat::Tga, 1024, 768},    {"Flare.bmp", ImageFormat::Bmp, 256, 256},
        {"SphereBump.bmp", ImageFormat::Bmp, 256, 256},       {"SkyBox/Front.jpg", ImageFormat::Jpeg, 512, 512},
        {"SkyBox/Right.jpg", ImageFormat::Jpeg, 512, 512},    {"SkyBox/Back.jpg", ImageFormat::Jpeg, 512, 512},
        {"SkyBox/Left.jpg", ImageFormat::Jpeg, 512, 512},     {"SkyBox/Top.jpg", ImageFormat::Jpeg, 512, 512},
        {"SkyBox/Bottom.jpg", ImageFormat::Jpeg, 512, 512},
    };
    for (const Expected& e : expected) {
        tavrin::Image image;
        if (!DecodeEntry(e.name, image)) continue;
        EXPECT_EQ(image.format, e.format) << e.name;
        EXPECT_EQ(image.width, e.width) << e.name;
        EXPECT_EQ(image.height, e.height) << e.name;
    }
}

TEST(ForgedImages, TitleArtIsColourfulLinesWhoseAlphaFollowsThemOverTheFlaresPath) {
    tavrin::Image art;
    ASSERT_TRUE(DecodeEntry("Outline_Bunt.tga", art));
    size_t transparent = 0, opaque = 0, pathCovered = 0, pathTexels = 0;
    std::set<int> hues;
    for (uint32_t y = 0; y < art.height; ++y) {
        for (uint32_t x = 0; x < art.width; ++x) {
            const uint32_t p = art.At(x, y);
            const uint32_t alpha = p >> 24;
            transparent += alpha == 0;
            opaque += alpha == 255;
            if (alpha > 200) {
                const int r = (p >> 16) & 255, g = (p >> 8) & 255, b = p & 255;
                const int high = std::max({r, g, b}), low = std::min({r, g, b});
                if (high - low > 100) hues.insert((r > g) * 4 + (g > b) * 2 + (b > r));
            }
            // The flare wanders over columns w/8..7w/8 and rows 0.3h..0.7h and tints itself with
            // the picture there: that region needs lines to pick colours from.
            if (x > art.width / 8 && x < art.width * 7 / 8 && y > art.height * 3 / 10 && y < art.height * 7 / 10) {
                ++pathTexels;
                pathCovered += alpha > 0x40;
            }
        }
    }
    const double total = double(art.width) * art.height;
    EXPECT_GT(transparent / total, 0.5);
    EXPECT_GT(opaque / total, 0.02);
    EXPECT_GE(hues.size(), 5u) << "opaque line colours should span the colour wheel";
    EXPECT_GT(double(pathCovered) / pathTexels, 0.1);
}

TEST(ForgedImages, FlareIsAHotCoreFadingToBlackBeforeTheQuadsEdge) {
    tavrin::Image flare;
    ASSERT_TRUE(DecodeEntry("Flare.bmp", flare));
    const Channels centre = At(flare, 0.5, 0.5);
    EXPECT_GT(centre.r + centre.g + centre.b, 3 * 240.0);
    double previous = 1e9;
    for (double r : {0.05, 0.15, 0.3, 0.45}) {
        double sum = 0;
        for (int k = 0; k < 64; ++k) {
            const double a = 2.0 * 3.14159265 * (k + 0.5) / 64;
            const Channels c = At(flare, 0.5 + 0.5 * r * std::cos(a), 0.5 + 0.5 * r * std::sin(a));
            sum += c.r + c.g + c.b;
        }
        EXPECT_LT(sum, previous) << "glow should fall off with distance, radius " << r;
        previous = sum;
    }
    for (uint32_t i = 0; i < flare.width; ++i) {
        for (uint32_t edge : {0u, flare.width - 1}) {
            EXPECT_EQ(flare.At(i, edge) & 0xFFFFFF, 0u);
            EXPECT_EQ(flare.At(edge, i) & 0xFFFFFF, 0u);
        }
    }
}

TEST(ForgedImages, SphereBumpHoldsUnitNormalsOfABumpySphereFacingTheViewer) {
    tavrin::Image bump;
    ASSERT_TRUE(DecodeEntry("SphereBump.bmp", bump));
    auto normal = [](const Channels& c) {
        return V3{c.r / 127.5 - 1.0, c.g / 127.5 - 1.0, c.b / 127.5 - 1.0};
    };
    double worst = 0, spread = 0;
    int count = 0;
    for (uint32_t y = 0; y < bump.height; y += 3) {
        for (uint32_t x = 0; x < bump.width; x += 3) {
            const V3 n = normal(At(bump, (x + 0.5) / bump.width, (y + 0.5) / bump.height));
            worst = std::max(worst, std::fabs(Length(n) - 1.0));
            const double sx = ((x + 0.5) / bump.width - 0.5) / 0.49, sy = (0.5 - (y + 0.5) / bump.height) / 0.49;
            if (sx * sx + sy * sy < 0.8) {
                spread += std::fabs(n.x - sx) + std::fabs(n.y - sy);
                ++count;
            }
        }
    }
    EXPECT_LT(worst, 0.03) << "packed normals must decode to unit length";
    EXPECT_GT(spread / count, 0.01) << "the height field should bend the normals";
    EXPECT_LT(spread / count, 0.3) << "the sphere should still show through";
    EXPECT_GT(normal(At(bump, 0.5, 0.5)).z, 0.9);
    EXPECT_GT(normal(At(bump, 0.96, 0.5)).x, 0.75);  // right rim tilts to +x
    EXPECT_GT(normal(At(bump, 0.5, 0.04)).y, 0.75);  // top rim tilts up
}

TEST(ForgedImages, SphereMapsMirrorSkyAboveAndGroundBelow) {
    tavrin::Image studio, stadium;
    ASSERT_TRUE(DecodeEntry("BlueEnv.bmp", studio));
    ASSERT_TRUE(DecodeEntry("FussballEnv.tga", stadium));
    const Channels studioUp = At(studio, 0.5, 0.25), studioDown = At(studio, 0.5, 0.75);
    EXPECT_GT(studioUp.b, studioUp.r);
    EXPECT_GT(studioUp.r + studioUp.g + studioUp.b, studioDown.r + studioDown.g + studioDown.b);
    // The stadium map has radius 0.4: the pitch in its lower half, the night sky in its upper.
    const Channels pitch = Mean(stadium, 0.4, 0.66, 0.6, 0.72), sky = Mean(stadium, 0.4, 0.28, 0.6, 0.34);
    EXPECT_GT(pitch.g, pitch.r + 30);
    EXPECT_GT(pitch.g, pitch.b + 30);
    EXPECT_GT(sky.b, sky.r);
    EXPECT_LT(sky.r + sky.g + sky.b, 3 * 90.0);
}

TEST(ForgedImages, SkyBoxFacesJoinWithoutSeams) {
    tavrin::Image faces[6];
    for (int f = 0; f < 6; ++f) ASSERT_TRUE(DecodeEntry(kSkyFaces[f].file, faces[f]));
    const int n = static_cast<int>(faces[0].width);
    double sum = 0, worst = 0;
    int compared = 0;
    for (int f = 0; f < 6; ++f) {
        for (int i = 0; i < n; ++i) {
            for (const auto& [x, y] : {std::pair{i, 0}, std::pair{i, n - 1}, std::pair{0, i}, std::pair{n - 1, i}}) {
                const V3 d = SkyDirection(kSkyFaces[f], x / (n - 1.0), y / (n - 1.0));
                for (int g = 0; g < 6; ++g) {
                    if (g == f) continue;
                    const SkyFace& other = kSkyFaces[g];
                    const V3 normal = Cross(other.alongU, other.alongV);
                    const double along = Dot(d, normal);
                    if (along == 0.0) continue;
                    const double reach = Dot(other.origin, normal) / along;  // ray to the face's plane
                    if (reach <= 0.0) continue;
                    const V3 hit = d * reach - other.origin;
                    const double u = Dot(hit, other.alongU) / Dot(other.alongU, other.alongU);
                    const double v = Dot(hit, other.alongV) / Dot(other.alongV, other.alongV);
                    if (u < -1e-9 || u > 1 + 1e-9 || v < -1e-9 || v > 1 + 1e-9) continue;
                    const uint32_t a = faces[f].At(x, y);
                    const uint32_t b = faces[g].At(static_cast<uint32_t>(std::lround(u * (n - 1))),
                                                   static_cast<uint32_t>(std::lround(v * (n - 1))));
                    for (int shift : {0, 8, 16}) {
                        const double diff = std::fabs(double((a >> shift) & 255) - double((b >> shift) & 255));
                        sum += diff;
                        worst = std::max(worst, diff);
                    }
                    ++compared;
                }
            }
        }
    }
    EXPECT_GE(compared, 24 * n - 48) << "every edge texel should meet a neighbouring face";
    EXPECT_LT(sum / (3 * compared), 2.5) << "mean channel difference across the seams";
    EXPECT_LT(worst, 40.0) << "largest channel difference across the seams";
}

}  // namespace
}  // namespace tavrin::forge::test
