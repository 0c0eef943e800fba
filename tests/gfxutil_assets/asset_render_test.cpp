#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "archive/data_archive.h"
#include "archive/mesh_model.h"
#include "archive/texture_loader.h"
#include "archive/zip_writer.h"
#include "effects/draw_mesh.h"
#include "gfxutil/display_device.h"
#include "gfxutil/matrix.h"
#include "gfxutil/texture_create.h"
#include "gfxutil_assets/byte_writer.h"

namespace tavrin {
namespace {

using testing::ByteWriter;

constexpr int kWidth = 64, kHeight = 48;

// A top-down 32-bit BMP (X8R8G8B8) of the given pixels.
std::vector<uint8_t> Bmp(int width, int height, const std::vector<uint32_t>& pixels) {
    ByteWriter w;
    w.Text("BM").U32(54 + 4 * pixels.size()).U32(0).U32(54);
    w.U32(40).U32(width).U32(-height).U16(1).U16(32).U32(0).U32(0).U32(0).U32(0).U32(0).U32(0);
    for (uint32_t p : pixels) w.U32(p);
    return w.Bytes();
}

// A square facing the camera at z = 1, filling x and y in [-1, 1], split into a left half with
// the textured material and a right half with the one whose texture is missing.
constexpr char kPanel[] = R"(xof 0303txt 0032
Mesh Panel {
  6; -1;-1;1;, -1;1;1;, 0;1;1;, 0;-1;1;, 1;1;1;, 1;-1;1;;
  2; 4;0,1,2,3;, 4;3,2,4,5;;
  MeshNormals { 1; 0;0;-1;; 2; 4;0,0,0,0;, 4;0,0,0,0;; }
  MeshTextureCoords { 6; 0;1;, 0;0;, 1;0;, 1;1;, 0;0;, 0;1;; }
  MeshMaterialList { 2; 2; 0, 1;;
    Material { 0.2;0.4;0.6;1;; 10; 1;1;1;; 0;0;0;;  TextureFilename { "quad.bmp"; } }
    Material { 1;0;0;1;; 0; 0;0;0;; 0;0;0;; TextureFilename { "missing.bmp"; } }
  }
})";

class AssetRenderTest : public ::testing::Test {
protected:
    void SetUp() override {
        display = std::make_unique<DisplayDevice>(nullptr, kWidth, kHeight, true);
        ASSERT_NE(display->device, nullptr);
        ZipWriter zip;
        // Four texels: red, green / blue, white (top row first).
        zip.Add("quad.bmp", Bmp(2, 2, {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF}));
        zip.Add("Panel.x", std::span(reinterpret_cast<const uint8_t*>(kPanel), sizeof kPanel - 1));
        zip.Add("broken.bmp", std::vector<uint8_t>{'B', 'M', 1, 2, 3});
        zip.Add("broken.x", std::vector<uint8_t>{'x', 'o', 'f', ' '});
        archive = std::make_unique<DataArchive>(std::make_unique<MemoryByteSource>(zip.Finish()));
        ASSERT_TRUE(archive->IsOpen());
    }

    IDirect3DDevice8* Device() { return display->device; }

    uint32_t Pixel(int x, int y) {
        std::vector<uint32_t> pixels(kWidth * kHeight);
        EXPECT_EQ(Device()->ReadBackBuffer(pixels.data(), kWidth * 4), D3D_OK);
        return pixels[size_t(y) * kWidth + x];
    }

    std::unique_ptr<DisplayDevice> display;
    std::unique_ptr<DataArchive> archive;
};

std::vector<uint32_t> ReadLevel(IDirect3DTexture8* texture, UINT level) {
    D3DSURFACE_DESC desc{};
    texture->GetLevelDesc(level, &desc);
    D3DLOCKED_RECT locked{};
    EXPECT_EQ(texture->LockRect(level, &locked, nullptr, D3DLOCK_READONLY), D3D_OK);
    std::vector<uint32_t> texels;
    for (UINT y = 0; y < desc.Height; ++y) {
        const auto* row = reinterpret_cast<const uint32_t*>(static_cast<uint8_t*>(locked.pBits) +
                                                            y * locked.Pitch);
        texels.insert(texels.end(), row, row + desc.Width);
    }
    texture->UnlockRect(level);
    return texels;
}

TEST_F(AssetRenderTest, TextureHasTheImageSizeAFullChainAndBoxFilteredLevels) {
    const std::vector<uint8_t> bmp =
        Bmp(4, 2, {0x000000, 0x040404, 0x080808, 0x0C0C0C, 0x101010, 0x141414, 0x181818, 0x1C1C1C});
    IDirect3DTexture8* texture = CreateTextureFromFileInMemory(Device(), bmp.data(), bmp.size());
    ASSERT_NE(texture, nullptr);
    EXPECT_EQ(texture->GetLevelCount(), 3u);
    D3DSURFACE_DESC desc{};
    texture->GetLevelDesc(0, &desc);
    EXPECT_EQ(desc.Width, 4u);
    EXPECT_EQ(desc.Height, 2u);
    EXPECT_EQ(desc.Format, D3DFMT_A8R8G8B8);
    EXPECT_EQ(ReadLevel(texture, 0)[5], 0xFF141414u);
    EXPECT_EQ(ReadLevel(texture, 1), (std::vector<uint32_t>{0xFF0A0A0A, 0xFF121212}));
    EXPECT_EQ(ReadLevel(texture, 2), (std::vector<uint32_t>{0xFF0E0E0E}));
    texture->Release();

    std::string error;
    EXPECT_EQ(CreateTextureFromFileInMemory(Device(), "junk", 4, &error), nullptr);
    EXPECT_FALSE(error.empty());
}

TEST_F(AssetRenderTest, LoadTextureFailsSoftly) {
    IDirect3DTexture8* quad = LoadTexture(archive.get(), Device(), "QUAD.BMP");
    ASSERT_NE(quad, nullptr);
    EXPECT_EQ(ReadLevel(quad, 0),
              (std::vector<uint32_t>{0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFFFF}));
    quad->Release();
    EXPECT_EQ(LoadTexture(archive.get(), Device(), "missing.bmp"), nullptr);
    EXPECT_EQ(LoadTexture(archive.get(), Device(), "broken.bmp"), nullptr);
    EXPECT_EQ(LoadTexture(nullptr, Device(), "quad.bmp"), nullptr);
    // The program-wide form needs both the archive and the device set.
    SetTextureDevice(nullptr);
    EXPECT_EQ(LoadTexture("quad.bmp"), nullptr);
}

TEST_F(AssetRenderTest, MeshModelMaterialsTexturesAndNoTemporaryFile) {
    // A user's file with the name the loader once used must survive loading untouched.
    const std::filesystem::path keep = "AX67Zh~.tmp";
    { std::ofstream(keep) << "user data"; }
    MeshModel model(display.get(), archive.get(), "panel.x");
    std::string content;
    std::getline(std::ifstream(keep), content);
    EXPECT_EQ(content, "user data");
    std::filesystem::remove(keep);

    ASSERT_NE(model.mesh, nullptr);
    ASSERT_EQ(model.materialCount, 2u);
    ASSERT_EQ(model.materials.size(), 2u);
    ASSERT_EQ(model.textures.size(), 2u);
    EXPECT_NE(model.textures[0], nullptr);
    EXPECT_EQ(model.textures[1], nullptr);  // named but not in the archive
    for (const D3DMATERIAL8& m : model.materials) {
        EXPECT_EQ(m.Ambient.r, m.Diffuse.r);
        EXPECT_EQ(m.Ambient.g, m.Diffuse.g);
        EXPECT_EQ(m.Ambient.b, m.Diffuse.b);
        EXPECT_EQ(m.Ambient.a, m.Diffuse.a);
    }
    EXPECT_FLOAT_EQ(model.materials[0].Diffuse.g, 0.4f);
    EXPECT_FLOAT_EQ(model.materials[0].Power, 10);
    // Subset i is material i.
    const auto& table = model.mesh->AttributeTable();
    ASSERT_EQ(table.size(), 2u);
    EXPECT_EQ(table[0].attribute, 0u);
    EXPECT_EQ(table[1].attribute, 1u);

    for (const char* name : {"nothing.x", "broken.x"}) {
        MeshModel empty(display.get(), archive.get(), name);
        EXPECT_EQ(empty.mesh, nullptr) << name;
        EXPECT_EQ(empty.materialCount, 0u);
        DrawMesh(empty);  // draws nothing, and does not crash
    }
}

TEST_F(AssetRenderTest, DrawMeshShowsTextureAndMaterialColourAndUnbindsForNull) {
    MeshModel model(display.get(), archive.get(), "Panel.x");
    ASSERT_NE(model.mesh, nullptr);
    IDirect3DDevice8* device = Device();
    // The camera at the origin looks along +z at the panel, which fills the whole view.
    const D3DMATRIX projection = MatrixPerspectiveLH(1, 1, 0.5f, 10);
    device->SetTransform(D3DTS_PROJECTION, &projection);
    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    // Lit with ambient light only: each subset shows its material's ambient = diffuse colour,
    // modulated by its texture (a null texture reads as white).
    device->SetRenderState(D3DRS_AMBIENT, 0xFFFFFFFF);
    device->SetTexture(0, model.textures[0]);  // must not linger for the untextured subset
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1, 0);
    device->BeginScene();
    DrawMesh(model);
    device->EndScene();

    IDirect3DBaseTexture8* bound = reinterpret_cast<IDirect3DBaseTexture8*>(1);
    device->GetTexture(0, &bound);
    EXPECT_EQ(bound, nullptr);
    D3DMATERIAL8 last{};
    device->GetMaterial(&last);
    EXPECT_EQ(last.Diffuse.r, 1);

    // Left half: the 2 x 2 texture stretched over it (point filtered), times (0.2, 0.4, 0.6).
    const auto near = [](uint32_t actual, uint32_t expected) {
        for (int shift = 0; shift < 24; shift += 8) {
            const int a = (actual >> shift) & 255, e = (expected >> shift) & 255;
            if (std::abs(a - e) > 3) return false;
        }
        return true;
    };
    EXPECT_PRED2(near, Pixel(8, 6), 0x330000u);    // red texel x 0.2
    EXPECT_PRED2(near, Pixel(24, 6), 0x006600u);   // green texel x 0.4
    EXPECT_PRED2(near, Pixel(8, 40), 0x000099u);   // blue texel x 0.6
    EXPECT_PRED2(near, Pixel(24, 40), 0x336699u);  // white texel
    // Right half: no texture, the material's red.
    EXPECT_PRED2(near, Pixel(48, 24), 0xFF0000u);
}

}  // namespace
}  // namespace tavrin
