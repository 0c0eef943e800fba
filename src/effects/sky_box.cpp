#include "effects/sky_box.h"

#include <cstdio>
#include <cstring>

#include "archive/music_files.h"
#include "archive/texture_loader.h"
#include "d3d/d3d8.h"
#include "effects/stage_states.h"
#include "gfxutil/display_device.h"

namespace tavrin {
namespace {

struct SkyVertex {
    float x, y, z;
    D3DCOLOR colour;
    float u, v;
};
static_assert(sizeof(SkyVertex) == 24);

constexpr DWORD kSkyVertexFormat = D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX1;
constexpr float H = SkyBox::kHalfSize;
constexpr D3DCOLOR W = 0xFFFFFFFF;

// Four strip corners per face, (u, v) = (0, 0), (1, 0), (0, 1), (1, 1).
constexpr SkyVertex kVertices[SkyBox::kFaces * 4] = {
    {H, H, -H, W, 0, 0},   {-H, H, -H, W, 1, 0},  {H, -H, -H, W, 0, 1},  {-H, -H, -H, W, 1, 1},   // Front
    {-H, H, -H, W, 0, 0},  {-H, H, H, W, 1, 0},   {-H, -H, -H, W, 0, 1}, {-H, -H, H, W, 1, 1},    // Right
    {-H, H, H, W, 0, 0},   {H, H, H, W, 1, 0},    {-H, -H, H, W, 0, 1},  {H, -H, H, W, 1, 1},     // Back
    {H, H, H, W, 0, 0},    {H, H, -H, W, 1, 0},   {H, -H, H, W, 0, 1},   {H, -H, -H, W, 1, 1},    // Left
    {H, H, H, W, 0, 0},    {-H, H, H, W, 1, 0},   {H, H, -H, W, 0, 1},   {-H, H, -H, W, 1, 1},    // Top
    {H, -H, -H, W, 0, 0},  {-H, -H, -H, W, 1, 0}, {H, -H, H, W, 0, 1},   {-H, -H, H, W, 1, 1}};   // Bottom

constexpr const char* kFacePatterns[SkyBox::kFaces] = {"%s/Front.jpg", "%s/Right.jpg",
                                                       "%s/Back.jpg",  "%s/Left.jpg",
                                                       "%s/Top.jpg",   "%s/Bottom.jpg"};

}  // namespace

SkyBox::SkyBox(DisplayDevice* device, const char* directory) : device_(device) {
    if (device_ == nullptr || device_->device == nullptr) return;
    IDirect3DDevice8* d3d = device_->device;
    for (int k = 0; k < kFaces; ++k) {
        char name[256];
        std::snprintf(name, sizeof name, kFacePatterns[k], directory);
        textures_[k] = LoadTexture(MusicArchive(), d3d, name);
    }
    if (FAILED(d3d->CreateVertexBuffer(sizeof kVertices, 0, kSkyVertexFormat, D3DPOOL_MANAGED,
                                       &vertexBuffer_)) ||
        vertexBuffer_ == nullptr) {
        vertexBuffer_ = nullptr;
        return;
    }
    BYTE* data = nullptr;
    if (FAILED(vertexBuffer_->Lock(0, 0, &data, 0)) || data == nullptr) return;
    std::memcpy(data, kVertices, sizeof kVertices);
    vertexBuffer_->Unlock();
}

SkyBox::~SkyBox() {
    if (vertexBuffer_ != nullptr) vertexBuffer_->Release();
    for (IDirect3DTexture8* texture : textures_) {
        if (texture != nullptr) texture->Release();
    }
}

void SkyBox::Render() {
    if (device_ == nullptr || device_->device == nullptr) return;
    IDirect3DDevice8* d3d = device_->device;
    d3d->SetRenderState(D3DRS_ZENABLE, TRUE);
    d3d->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    d3d->SetRenderState(D3DRS_LIGHTING, FALSE);
    d3d->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
    d3d->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    d3d->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
    SetModulateStage(d3d, 0, D3DTA_TEXTURE, D3DTA_DIFFUSE);
    SetLinearSampling(d3d, 0, D3DTADDRESS_CLAMP);
    // Without a buffer there is nothing to draw from; the states above still hold.
    if (vertexBuffer_ != nullptr) {
        d3d->SetStreamSource(0, vertexBuffer_, sizeof(SkyVertex));
        d3d->SetVertexShader(kSkyVertexFormat);
        for (int k = 0; k < kFaces; ++k) {
            d3d->SetTexture(0, textures_[k]);
            d3d->DrawPrimitive(D3DPT_TRIANGLESTRIP, 4 * k, 2);
        }
    }
    d3d->SetStreamSource(0, nullptr, 0);
    d3d->SetTexture(0, nullptr);
}

}  // namespace tavrin
