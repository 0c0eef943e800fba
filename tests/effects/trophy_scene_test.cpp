#include "effects/trophy_scene.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "d3d/d3d8.h"
#include "effects/metaball_field.h"
#include "gfxutil/display_device.h"
#include "platform/random.h"

namespace tavrin {
namespace {

std::vector<int> IndexList(const MetaballField& field) {
    return std::vector<int>(field.Indices(), field.Indices() + field.IndexCount());
}

// The scene's field without a device: values, keys and polygonisation.
class TrophyField : public ::testing::Test {
protected:
    TrophyScene scene{nullptr, nullptr, nullptr, nullptr};
};

TEST_F(TrophyField, OutsideTheShellOnlyThePoolCounts) {
    // Blob centre (0, 0.2, 0) at construction; the shell spans 0.1 to 0.9 from it.
    EXPECT_EQ(scene.Value(Vec3(0, 0.2f, 0)), -1.0f);
    EXPECT_EQ(scene.Value(Vec3(0.05f, 0.25f, 0)), -1.0f);
    EXPECT_EQ(scene.Value(Vec3(0, 1.15f, 0)), -1.0f);
    EXPECT_EQ(scene.Value(Vec3(0.8f, -0.85f, 0)), -1.0f);  // above the pool's layer
    EXPECT_EQ(scene.Value(Vec3(0.9f, -0.95f, 0.9f)), -1.0f);  // beyond its rim
    // In the pool the surface lies at -0.95 + 0.02 sin(15 rho + ripplePhase).
    const float rho = 0.5f;
    const float surface = -0.95f + 0.02f * std::sin(15.0f * rho);
    EXPECT_GT(scene.Value(Vec3(rho, surface - 0.002f, 0)), 0.0f);
    EXPECT_LT(scene.Value(Vec3(0, surface + 0.002f, rho)), 0.0f);
    EXPECT_NEAR(scene.Value(Vec3(0, -0.99f, rho)), 20.0f * (surface + 0.99f), 1e-4f);
    // Half-way out the bump is 1: the value is the noise itself, which stays within [-1, 1].
    for (float angle = 0; angle < 6.28f; angle += 0.1f) {
        const float v = scene.Value(Vec3(0.5f * std::cos(angle), 0.2f, 0.5f * std::sin(angle)));
        EXPECT_GE(v, -1.0f);
        EXPECT_LE(v, 1.0f);
    }
    EXPECT_EQ(scene.Colour(Vec3(0, 0, 0)), 0xA0FFFFFFu);
    EXPECT_EQ(scene.normalMode, 0);
}

TEST_F(TrophyField, ConstructionLeavesASurfaceAtResolution39) {
    EXPECT_TRUE(scene.field->Ready());
    EXPECT_GT(scene.field->TriangleCount(), 1000);
    EXPECT_EQ(scene.field->SampleCount(), 40 * 40 * 40);
    EXPECT_EQ(scene.resolution, 39);
    EXPECT_EQ(scene.cameraDistance, 3.0f);
    EXPECT_EQ(scene.orbitSpeed, 0.4f);
    EXPECT_FALSE(scene.frozen);
}

TEST_F(TrophyField, AtClockZeroTheBlobIsBelowTheGridAndOnlyThePoolShows) {
    scene.Animate(0.0);
    EXPECT_FLOAT_EQ(scene.BlobHeight(), -3.0f);
    scene.field->Polygonise();
    ASSERT_GT(scene.field->TriangleCount(), 0);
    for (int n = 0; n < scene.field->IndexCount(); ++n) {
        const Vec3& p = scene.field->Vertices()[scene.field->Indices()[n]].position;
        EXPECT_LT(p.y, -0.9f);
        EXPECT_GE(p.y, -1.0f);  // the pool's rim walls reach the grid's floor
    }
    scene.Animate(8.5);
    EXPECT_EQ(scene.BlobHeight(), 0.2f);
}

TEST_F(TrophyField, FootballFrameStaysOrthonormal) {
    for (int frame = 0; frame < 50; ++frame) {
        scene.Animate(0.37);
        const Vec3* r = scene.BallFrame().rows;
        for (int a = 0; a < 3; ++a) {
            EXPECT_NEAR(r[a].Length(), 1.0f, 1e-5f);
            EXPECT_NEAR(r[a].Dot(r[(a + 1) % 3]), 0.0f, 1e-5f);
        }
        const Vec3& t = scene.BallFrame().translation;
        EXPECT_NEAR(t.x * t.x + t.z * t.z, 2.25f, 1e-4f);  // a circle of radius 1.5
    }
}

TEST_F(TrophyField, ResolutionKeysStepWithinTheFieldsCapacity) {
    scene.StepResolution(+1);
    EXPECT_EQ(scene.resolution, 40);
    EXPECT_EQ(scene.field->SampleCount(), 41 * 41 * 41);
    EXPECT_EQ(scene.resolutionNoticeTime, 1.0f);
    scene.resolution = 99;
    scene.resolutionNoticeTime = 0.0f;
    scene.StepResolution(+1);  // 100^3 cells would need more samples than were made
    EXPECT_EQ(scene.resolution, 99);
    EXPECT_EQ(scene.field->SampleCount(), 41 * 41 * 41);
    EXPECT_EQ(scene.resolutionNoticeTime, 1.0f);
    scene.resolution = 1;
    for (int press = 0; press < 4; ++press) scene.StepResolution(-1);
    EXPECT_EQ(scene.resolution, -3);  // 'Y' keeps lowering while the field accepts it
    scene.field->Polygonise();
    EXPECT_EQ(scene.field->TriangleCount(), 0);
}

TEST(TrophyScene, SameFrameTimesGiveSameTriangles) {
    TrophyScene first(nullptr, nullptr, nullptr, nullptr);
    TrophyScene second(nullptr, nullptr, nullptr, nullptr);
    EXPECT_EQ(IndexList(*first.field), IndexList(*second.field));
    for (double frame : {0.02, 0.5, 1.7, 3.0}) {
        first.Render(frame);
        second.Render(frame);
        EXPECT_EQ(IndexList(*first.field), IndexList(*second.field));
    }
    // Frozen, the scene neither animates nor polygonises.
    first.frozen = true;
    const float clock = first.SceneClock();
    const std::vector<int> before = IndexList(*first.field);
    first.field->SetResolution(20, 20, 20);
    first.Render(1.0);
    EXPECT_EQ(first.SceneClock(), clock);
    EXPECT_EQ(IndexList(*first.field), before);
}

// ---- On a headless device

std::vector<std::string> printed;
std::vector<uint32_t> printedColours;
void Capture(int x, int y, const char* text, uint32_t colour) {
    EXPECT_EQ(x, 600);
    EXPECT_EQ(y, 10);
    printed.emplace_back(text);
    printedColours.push_back(colour);
}

class TrophyOnDevice : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override {
        ResetRand();
        display = std::make_unique<DisplayDevice>(nullptr, 800, 600, true);
        d3d = display->device;
        ASSERT_NE(d3d, nullptr) << "no headless display";
        display->hasCubeMaps = GetParam();
        scene = std::make_unique<TrophyScene>(display.get(), nullptr, nullptr, nullptr);
    }
    void TearDown() override {
        scene.reset();
        display.reset();
    }
    DWORD RenderState(D3DRENDERSTATETYPE state) {
        DWORD value = 0xDEADBEEF;
        d3d->GetRenderState(state, &value);
        return value;
    }
    DWORD StageState(D3DTEXTURESTAGESTATETYPE type) {
        DWORD value = 0xDEADBEEF;
        d3d->GetTextureStageState(0, type, &value);
        return value;
    }
    void Frame(double seconds) {
        d3d->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000u, 1.0f, 0);
        d3d->BeginScene();
        scene->Render(seconds);
        ASSERT_EQ(d3d->EndScene(), D3D_OK) << "the frame's scene was closed early";
    }

    std::unique_ptr<DisplayDevice> display;
    IDirect3DDevice8* d3d = nullptr;
    std::unique_ptr<TrophyScene> scene;
};

TEST_P(TrophyOnDevice, RenderLeavesBlendingOnLightingOffAndTheStageClean) {
    EXPECT_EQ(scene->EnvironmentCube() != nullptr, GetParam());
    Frame(0.5);
    EXPECT_EQ(RenderState(D3DRS_ALPHABLENDENABLE), static_cast<DWORD>(TRUE));
    EXPECT_EQ(RenderState(D3DRS_LIGHTING), static_cast<DWORD>(FALSE));
    EXPECT_EQ(RenderState(D3DRS_ZWRITEENABLE), static_cast<DWORD>(TRUE));
    EXPECT_EQ(RenderState(D3DRS_SRCBLEND), static_cast<DWORD>(D3DBLEND_SRCALPHA));
    EXPECT_EQ(RenderState(D3DRS_DESTBLEND), static_cast<DWORD>(D3DBLEND_INVSRCALPHA));
    EXPECT_EQ(RenderState(D3DRS_CULLMODE), static_cast<DWORD>(D3DCULL_CCW));
    EXPECT_EQ(RenderState(D3DRS_NORMALIZENORMALS), static_cast<DWORD>(FALSE));
    EXPECT_EQ(StageState(D3DTSS_TEXCOORDINDEX), 0u);
    EXPECT_EQ(StageState(D3DTSS_TEXTURETRANSFORMFLAGS), static_cast<DWORD>(D3DTTFF_DISABLE));
    EXPECT_EQ(StageState(D3DTSS_COLOROP), static_cast<DWORD>(D3DTOP_MODULATE));
    EXPECT_EQ(StageState(D3DTSS_COLORARG1), D3DTA_DIFFUSE);
    EXPECT_EQ(StageState(D3DTSS_ADDRESSU), static_cast<DWORD>(D3DTADDRESS_WRAP));
    IDirect3DBaseTexture8* texture = reinterpret_cast<IDirect3DBaseTexture8*>(1);
    d3d->GetTexture(0, &texture);
    EXPECT_EQ(texture, nullptr);
    BOOL lightOn = TRUE;
    d3d->GetLightEnable(0, &lightOn);
    EXPECT_FALSE(lightOn);
    D3DMATRIX textureMatrix{};
    d3d->GetTransform(D3DTS_TEXTURE0, &textureMatrix);
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) EXPECT_EQ(textureMatrix.m[i][j], i == j ? 1.0f : 0.0f);
    }
    // Drawing went back to the back buffer after the cube faces.
    IDirect3DSurface8* target = nullptr;
    IDirect3DSurface8* backBuffer = nullptr;
    d3d->GetRenderTarget(&target);
    d3d->GetBackBuffer(0, D3DBACKBUFFER_TYPE_MONO, &backBuffer);
    EXPECT_EQ(target, backBuffer);
    if (target != nullptr) target->Release();
    if (backBuffer != nullptr) backBuffer->Release();
}

TEST_P(TrophyOnDevice, BlobReflectsItsEnvironment) {
    // Without its images the sky box is white, so a blue sphere map shows where the blob is.
    IDirect3DTexture8* blue = nullptr;
    ASSERT_EQ(d3d->CreateTexture(4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &blue), D3D_OK);
    D3DLOCKED_RECT locked{};
    blue->LockRect(0, &locked, nullptr, 0);
    for (int y = 0; y < 4; ++y) {
        auto* row = reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(locked.pBits) + y * locked.Pitch);
        for (int x = 0; x < 4; ++x) row[x] = 0xFF0000FFu;
    }
    blue->UnlockRect(0);
    scene = std::make_unique<TrophyScene>(display.get(), blue, nullptr, nullptr);
    Frame(9.0);  // the blob has risen into view
    std::vector<uint32_t> pixels(800 * 600);
    d3d->ReadBackBuffer(pixels.data(), 800 * 4);
    int white = 0, blueOverWhite = 0;
    for (uint32_t p : pixels) {
        const int r = (p >> 16) & 0xFF, g = (p >> 8) & 0xFF, b = p & 0xFF;
        white += r == 255 && g == 255 && b == 255;
        // Blue at alpha 160 over white: 95 of red and green left.
        blueOverWhite += std::abs(r - 95) <= 3 && std::abs(g - 95) <= 3 && b >= 250;
    }
    EXPECT_GT(white, 10000);
    if (!GetParam()) {
        EXPECT_GT(blueOverWhite, 1000);
    } else {
        // The cube map holds the white sky box instead, rendered into all six faces.
        EXPECT_EQ(blueOverWhite, 0);
        for (int face = 0; face < 6; ++face) {
            IDirect3DSurface8* surface = nullptr;
            scene->EnvironmentCube()->GetCubeMapSurface(static_cast<D3DCUBEMAP_FACES>(face), 0,
                                                        &surface);
            ASSERT_NE(surface, nullptr);
            ASSERT_EQ(surface->LockRect(&locked, nullptr, D3DLOCK_READONLY), D3D_OK);
            EXPECT_EQ(static_cast<uint32_t*>(locked.pBits)[32 * locked.Pitch / 4 + 32] & 0xFFFFFF,
                      0xFFFFFFu)
                << "face " << face;
            surface->UnlockRect();
            surface->Release();
        }
    }
    scene.reset();
    blue->Release();
}

TEST_P(TrophyOnDevice, ResolutionNoticeFadesOverTwoSeconds) {
    printed.clear();
    printedColours.clear();
    scene->printText = Capture;
    scene->StepResolution(-1);
    for (int frame = 0; frame < 25; ++frame) Frame(0.1);
    ASSERT_EQ(printed.size(), 19u);
    EXPECT_EQ(printed.front(), "MC Res: 38");
    EXPECT_EQ(printedColours.front(), 0xF2FFFFFFu);  // 0.95 * 255 truncated
    for (size_t n = 1; n < printedColours.size(); ++n) {
        EXPECT_LT(printedColours[n], printedColours[n - 1]);
    }
}

INSTANTIATE_TEST_SUITE_P(CubeMaps, TrophyOnDevice, ::testing::Bool(),
                         [](const auto& param) { return param.param ? "Cube" : "SphereMap"; });

// A ball is left out of the cube faces that cannot see it, and only of those.
TEST(TrophyScene, BallIsDrawnOnlyIntoFacesThatCanSeeIt) {
    const D3DMATRIX faceViews[6] = {{{{0, 0, 1, 0}, {0, 1, 0, 0}, {-1, 0, 0, 0}, {0, 0, 0, 1}}},
                                    {{{0, 0, -1, 0}, {0, 1, 0, 0}, {1, 0, 0, 0}, {0, 0, 0, 1}}},
                                    {{{1, 0, 0, 0}, {0, 0, 1, 0}, {0, -1, 0, 0}, {0, 0, 0, 1}}},
                                    {{{1, 0, 0, 0}, {0, 0, -1, 0}, {0, 1, 0, 0}, {0, 0, 0, 1}}},
                                    {{{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}}},
                                    {{{-1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, -1, 0}, {0, 0, 0, 1}}}};
    auto seenBy = [&](const Vec3& centre, float radius) {
        std::vector<int> faces;
        for (int f = 0; f < 6; ++f) {
            if (TrophyScene::SphereMayShowInFace(faceViews[f], centre, radius)) faces.push_back(f);
        }
        return faces;
    };
    EXPECT_EQ(seenBy(Vec3(0, 0, 2), 0.2f), (std::vector<int>{4}));      // straight ahead of +Z
    EXPECT_EQ(seenBy(Vec3(-3, 0.1f, 0), 0.2f), (std::vector<int>{1}));  // -X
    EXPECT_EQ(seenBy(Vec3(0, -2, 0.3f), 0.2f), (std::vector<int>{3}));  // -Y
    // On the edge between +X and +Z both faces may show part of it.
    EXPECT_EQ(seenBy(Vec3(2, 0, 2), 0.2f), (std::vector<int>{0, 4}));
    // Around the eye it shows everywhere; nearer than the near plane, nowhere in front.
    EXPECT_EQ(seenBy(Vec3(0, 0, 0), 1.0f).size(), 6u);
    EXPECT_TRUE(seenBy(Vec3(0, 0, 0.2f), 0.1f).empty());
    EXPECT_TRUE(seenBy(Vec3(0, 0, 200), 10.0f).empty());  // beyond the far plane
}

}  // namespace
}  // namespace tavrin
