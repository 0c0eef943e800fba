// show: what the show's own loaders make of image and X files, optionally written out as a PNG
// (the decoded image, or a headless render of the mesh lit from the viewer's side).
#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "archive/data_archive.h"
#include "archive/mesh_model.h"
#include "archive/zip_writer.h"
#include "asset_commands.h"
#include "effects/draw_mesh.h"
#include "gfxutil/display_device.h"
#include "gfxutil/image.h"
#include "gfxutil/matrix.h"
#include "gfxutil/png_write.h"
#include "gfxutil/texture_mips.h"
#include "gfxutil/xfile_reader.h"

namespace tavrin::asset {
namespace {

constexpr int kRenderWidth = 640, kRenderHeight = 480;
constexpr const char* kModelName = "model.x";

bool ReadFile(const std::filesystem::path& path, std::vector<uint8_t>& bytes) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

bool IsXFile(const std::vector<uint8_t>& bytes) {
    return bytes.size() >= 4 && std::memcmp(bytes.data(), "xof ", 4) == 0;
}

int ShowImage(const char* path, const std::vector<uint8_t>& bytes, const char* pngOut) {
    Image image;
    std::string error;
    if (!DecodeImage(bytes, image, error)) return Fail("%s: %s", path, error.c_str());
    const bool translucent = std::any_of(image.pixels.begin(), image.pixels.end(),
                                         [](uint32_t p) { return (p >> 24) != 255; });
    std::printf("%s: %s image, %u x %u, %u mip levels as a texture, %s\n", path,
                ImageFormatName(image.format), image.width, image.height,
                FullMipLevelCount(image.width, image.height),
                translucent ? "with transparency" : "opaque");
    if (pngOut && !WritePngFile(pngOut, image.pixels.data(), image.width, image.height)) {
        return Fail("%s: cannot write the PNG", pngOut);
    }
    return 0;
}

struct Bounds {
    float low[3] = {FLT_MAX, FLT_MAX, FLT_MAX};
    float high[3] = {-FLT_MAX, -FLT_MAX, -FLT_MAX};
};

Bounds MeshBounds(const MeshData& mesh) {
    Bounds b;
    for (const MeshVertex& v : mesh.vertices) {
        const float p[3] = {v.x, v.y, v.z};
        for (int i = 0; i < 3; ++i) {
            b.low[i] = std::min(b.low[i], p[i]);
            b.high[i] = std::max(b.high[i], p[i]);
        }
    }
    return b;
}

void PrintMesh(const char* path, const XFileContents& x) {
    const Bounds b = MeshBounds(x.mesh);
    std::printf("%s: X mesh, %zu vertices, %zu faces, %zu materials\n", path,
                x.mesh.vertices.size(), x.mesh.FaceCount(), x.materials.size());
    std::printf("  bounds (%g, %g, %g) to (%g, %g, %g)\n", b.low[0], b.low[1], b.low[2], b.high[0],
                b.high[1], b.high[2]);
    for (size_t i = 0; i < x.materials.size(); ++i) {
        const MeshMaterial& m = x.materials[i];
        const auto faces = std::count(x.mesh.attributes.begin(), x.mesh.attributes.end(), i);
        std::printf(
            "  material %zu: %td faces, diffuse (%g, %g, %g, %g), specular (%g, %g, %g)"
            " power %g, emissive (%g, %g, %g), texture %s%s%s\n",
            i, faces, m.diffuse[0], m.diffuse[1], m.diffuse[2], m.diffuse[3], m.specular[0],
            m.specular[1], m.specular[2], m.power, m.emissive[0], m.emissive[1], m.emissive[2],
            m.textureFile.empty() ? "none" : "\"", m.textureFile.c_str(),
            m.textureFile.empty() ? "" : "\"");
    }
}

// Renders the model the way the show draws meshes (MeshModel, DrawMesh), with its textures taken
// from the X file's folder, the camera looking at the bounds from the front, above and left.
int RenderMesh(const std::filesystem::path& path, const std::vector<uint8_t>& bytes,
               const XFileContents& x, const char* pngOut) {
    ZipWriter zip;
    zip.Add(kModelName, bytes);
    for (const MeshMaterial& m : x.materials) {
        std::vector<uint8_t> texture;
        if (!m.textureFile.empty() && ReadFile(path.parent_path() / m.textureFile, texture)) {
            zip.Add(m.textureFile, texture);
        }
    }
    DataArchive archive(std::make_unique<MemoryByteSource>(zip.Finish()));
    DisplayDevice display(nullptr, kRenderWidth, kRenderHeight, true);
    if (!display.device) return Fail("no headless device to render with");
    MeshModel model(&display, &archive, kModelName);
    if (!model.mesh) return Fail("%s: the mesh did not load onto the device", path.c_str());

    const Bounds b = MeshBounds(x.mesh);
    const D3DVECTOR centre = {(b.low[0] + b.high[0]) / 2, (b.low[1] + b.high[1]) / 2,
                              (b.low[2] + b.high[2]) / 2};
    const float dx = b.high[0] - b.low[0], dy = b.high[1] - b.low[1], dz = b.high[2] - b.low[2];
    const float radius = std::max(std::sqrt(dx * dx + dy * dy + dz * dz) / 2, 1e-3f);
    const D3DVECTOR eye = {centre.x - 1.2f * radius, centre.y + 1.2f * radius,
                           centre.z - 2.4f * radius};
    IDirect3DDevice8* device = display.device;
    const D3DMATRIX view = MatrixLookAtLH(eye, centre, {0, 1, 0});
    const float zNear = 0.05f * radius;  // about 44 degrees of view vertically
    const D3DMATRIX projection =
        MatrixPerspectiveLH(0.8f * zNear * display.aspect, 0.8f * zNear, zNear, 8 * radius);
    device->SetTransform(D3DTS_VIEW, &view);
    device->SetTransform(D3DTS_PROJECTION, &projection);
    D3DLIGHT8 light{};
    light.Type = D3DLIGHT_DIRECTIONAL;
    light.Diffuse = {0.8f, 0.8f, 0.8f, 1};
    light.Direction = {0.4f, -0.5f, 0.75f};
    device->SetLight(0, &light);
    device->LightEnable(0, TRUE);
    device->SetRenderState(D3DRS_AMBIENT, 0xFF404040);
    device->SetRenderState(D3DRS_NORMALIZENORMALS, TRUE);
    device->SetTextureStageState(0, D3DTSS_MINFILTER, D3DTEXF_LINEAR);
    device->SetTextureStageState(0, D3DTSS_MAGFILTER, D3DTEXF_LINEAR);
    device->SetTextureStageState(0, D3DTSS_MIPFILTER, D3DTEXF_LINEAR);
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF203040, 1, 0);
    device->BeginScene();
    DrawMesh(model);
    device->EndScene();
    std::vector<uint32_t> pixels(size_t{kRenderWidth} * kRenderHeight);
    if (FAILED(device->ReadBackBuffer(pixels.data(), kRenderWidth * 4)) ||
        !WritePngFile(pngOut, pixels.data(), kRenderWidth, kRenderHeight)) {
        return Fail("%s: cannot render or write the PNG", pngOut);
    }
    return 0;
}

int ShowMesh(const char* path, const std::vector<uint8_t>& bytes, const char* pngOut) {
    XFileContents x;
    std::string error;
    if (!ReadXFile(bytes, x, error)) return Fail("%s: %s", path, error.c_str());
    PrintMesh(path, x);
    return pngOut ? RenderMesh(path, bytes, x, pngOut) : 0;
}

}  // namespace

int ShowCommand(std::span<const char* const> files, const char* pngOut) {
    if (files.empty()) return Fail("show needs at least one file");
    if (pngOut && files.size() != 1) return Fail("--png takes exactly one input file");
    int status = 0;
    for (const char* path : files) {
        std::vector<uint8_t> bytes;
        if (!ReadFile(path, bytes)) {
            status = Fail("%s: cannot read the file", path);
            continue;
        }
        const int result =
            IsXFile(bytes) ? ShowMesh(path, bytes, pngOut) : ShowImage(path, bytes, pngOut);
        if (result != 0) status = result;
    }
    return status;
}

}  // namespace tavrin::asset
