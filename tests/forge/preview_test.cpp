// Pictures of what the forge makes, for people to look at: a contact sheet of every texture, a
// panorama through the sky box, and renders of the three models as their scenes frame them.
// They land in the build's bin/forge-preview folder.

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <map>

#include <gtest/gtest.h>

#include "forge.h"
#include "forge_fixture.h"
#include "models/football_mesh.h"
#include "models/stadium_mesh.h"
#include "models/trophy_mesh.h"
#include "pictures/sky_box.h"
#include "png_file.h"
#include "raster.h"

namespace tavrin::forge::test {
namespace {

std::string PreviewDir() {
    const std::string dir = std::string(TAVRIN_BIN_DIR) + "/forge-preview";
    std::filesystem::create_directories(dir);
    return dir;
}

std::vector<uint8_t> Rgba8(const Canvas& image) {
    std::vector<uint8_t> out;
    for (const Rgba& p : image.pixels) {
        for (double c : {p.r, p.g, p.b}) out.push_back(ToByte(c));
        out.push_back(255);
    }
    return out;
}

// Every image entry, decoded by the show's decoders.
std::map<std::string, Canvas> ArchiveImages() {
    std::map<std::string, Canvas> images;
    for (const ForgedEntry& entry : ForgeEntries()) {
        const std::string& n = entry.name;
        const std::string ext = n.substr(n.size() - 4);
        if (ext != ".bmp" && ext != ".tga" && ext != ".jpg") continue;
        tavrin::Image decoded;
        if (DecodeEntry(n, decoded)) images[n] = ToCanvas(decoded);
    }
    return images;
}

TEST(Preview, ContactSheetOfEveryTexture) {
    const std::map<std::string, Canvas> images = ArchiveImages();
    ASSERT_GE(images.size(), 11u);
    const int cell = 256, pad = 8, columns = 5;
    const int rows = static_cast<int>((images.size() + columns - 1) / columns);
    Canvas sheet(columns * (cell + pad) + pad, rows * (cell + pad) + pad, {0.2, 0.2, 0.22, 1});
    int index = 0;
    for (const auto& [name, image] : images) {
        const int ox = pad + (index % columns) * (cell + pad), oy = pad + (index / columns) * (cell + pad);
        const double scale = std::max(image.width, image.height) / double(cell);
        for (int y = 0; y < cell; ++y) {
            for (int x = 0; x < cell; ++x) {
                const int sx = static_cast<int>(x * scale), sy = static_cast<int>(y * scale);
                if (sx >= image.width || sy >= image.height) continue;
                const Rgba& p = image.At(sx, sy);
                // Alpha shown over a checkerboard.
                const double check = ((x / 16 + y / 16) % 2) ? 0.35 : 0.5;
                sheet.At(ox + x, oy + y) = {Mix(check, p.r, p.a), Mix(check, p.g, p.a), Mix(check, p.b, p.a), 1};
            }
        }
        ++index;
    }
    EXPECT_TRUE(WritePng(PreviewDir() + "/textures.png", sheet.width, sheet.height, Rgba8(sheet)));
}

// What the sky box shows in a direction: the face the ray meets, sampled with linear filtering
// and clamped addressing as the box draws it.
Rgba SkyLookup(const Canvas (&faces)[6], const V3& d) {
    for (int f = 0; f < 6; ++f) {
        const SkyFace& face = kSkyFaces[f];
        const V3 normal = Cross(face.alongU, face.alongV);
        const double along = Dot(d, normal);
        if (along == 0.0) continue;
        const double reach = Dot(face.origin, normal) / along;
        if (reach <= 0.0) continue;
        const V3 hit = d * reach - face.origin;
        const double u = Dot(hit, face.alongU) / Dot(face.alongU, face.alongU);
        const double v = Dot(hit, face.alongV) / Dot(face.alongV, face.alongV);
        if (u < 0 || u > 1 || v < 0 || v > 1) continue;
        const Canvas& image = faces[f];
        const double x = std::clamp(u * image.width - 0.5, 0.0, image.width - 1.0);
        const double y = std::clamp(v * image.height - 0.5, 0.0, image.height - 1.0);
        const int x0 = static_cast<int>(x), y0 = static_cast<int>(y);
        const int x1 = std::min(x0 + 1, image.width - 1), y1 = std::min(y0 + 1, image.height - 1);
        return MixRgba(MixRgba(image.At(x0, y0), image.At(x1, y0), x - x0),
                       MixRgba(image.At(x0, y1), image.At(x1, y1), x - x0), y - y0);
    }
    return {1, 0, 1, 1};
}

class ScenePreview : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        images_ = new std::map<std::string, Canvas>(ArchiveImages());
        for (int f = 0; f < 6; ++f) sky_[f] = images_->at(kSkyFaces[f].file);
    }
    static void TearDownTestSuite() { delete images_; }
    static std::map<std::string, const Canvas*> Textures() {
        std::map<std::string, const Canvas*> out;
        for (const auto& [name, image] : *images_) out[name] = &image;
        return out;
    }
    static std::map<std::string, Canvas>* images_;
    static Canvas sky_[6];
};
std::map<std::string, Canvas>* ScenePreview::images_ = nullptr;
Canvas ScenePreview::sky_[6];

TEST_F(ScenePreview, SkyBoxPanorama) {
    Canvas panorama(1024, 512);
    ForEachPixel(panorama, [&](Rgba& p, double u, double v) {
        const double azimuth = (u - 0.5) * 2.0 * kPi, elevation = (0.5 - v) * kPi;
        p = SkyLookup(sky_, {std::cos(elevation) * std::sin(azimuth), std::sin(elevation), std::cos(elevation) * std::cos(azimuth)});
    });
    EXPECT_TRUE(WritePng(PreviewDir() + "/skybox.png", panorama.width, panorama.height, Rgba8(panorama)));
}

TEST_F(ScenePreview, StadiumFromTheOrbitingCamera) {
    const MeshAsset stadium = MakeStadium();
    for (double angle : {0.0, 0.9, 2.2}) {
        Raster raster(800, 600, {0, 0, 0, 1});
        raster.Draw(stadium.mesh, Textures(), {{30 * std::sin(angle), 15, 30 * std::cos(angle)}, {0, 10, 0}}, Light{});
        EXPECT_GT(raster.CoveredPixels(), 800u * 600u / 2) << "the stadium should fill most of the view";
        const std::string name = PreviewDir() + "/stadium-" + std::to_string(static_cast<int>(angle * 10)) + ".png";
        EXPECT_TRUE(WritePng(name, 800, 600, raster.Rgba8()));
    }
}

TEST_F(ScenePreview, TrophyAndBallInTheSkyBox) {
    const MeshAsset trophy = MakeTrophy(), ball = MakeFootball();
    TriangleMesh placedBall = ball.mesh;
    for (V3& p : placedBall.positions) p = p + V3{1.5 * std::sin(0.6), 0.3 * std::sin(0.7934819 * 0.6 + 0.23), 1.5 * std::cos(0.6)};
    const Light light{{-0.8, -0.4, 1.0}, {0.6, 0.6, 0.5}, {0.5, 0.55, 0.6}};
    const V3 orbit = Normalised({3 * std::sin(0.4), std::sin(0.312 * 3) + 0.5, 3 * std::cos(0.4)}) * 3.0;
    const Camera camera{orbit, {0, 0.25, 0}};
    Raster raster(800, 600, {0, 0, 0, 1});
    raster.Background(camera, [&](const V3& d) { return SkyLookup(sky_, d); });
    raster.Draw(trophy.mesh, Textures(), camera, light);
    const size_t trophyPixels = raster.CoveredPixels();
    raster.Draw(placedBall, Textures(), camera, light);
    EXPECT_GT(trophyPixels, 800u * 600u / 20);
    EXPECT_GT(raster.CoveredPixels(), trophyPixels);
    EXPECT_TRUE(WritePng(PreviewDir() + "/trophy.png", 800, 600, raster.Rgba8()));

    Raster close(400, 400, {0.15, 0.2, 0.3, 1});
    close.Draw(ball.mesh, Textures(), {{0.35, 0.25, -0.5}, {0, 0, 0}}, light);
    EXPECT_GT(close.CoveredPixels(), 400u * 400u / 10);
    EXPECT_TRUE(WritePng(PreviewDir() + "/football.png", 400, 400, close.Rgba8()));
}

}  // namespace
}  // namespace tavrin::forge::test
