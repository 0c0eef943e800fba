#include "effects/flare_effect.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "d3d/texel_convert.h"
#include "effects/stage_states.h"
#include "gfxutil/display_device.h"
#include "gfxutil/matrix.h"

namespace tavrin {

float FlareEffect::clock = 0.0f;

namespace {

constexpr UINT kStride = sizeof(FlareEffect::Vertex);
static_assert(kStride == 24);

void WriteQuad(FlareEffect::Vertex* v, float halfWidth, float halfHeight, float z,
               D3DCOLOR colour) {
    const float x = halfWidth, y = halfHeight;
    const FlareEffect::Vertex corners[6] = {
        {-x, y, z, colour, 0, 0}, {-x, -y, z, colour, 0, 1}, {x, -y, z, colour, 1, 1},
        {-x, y, z, colour, 0, 0}, {x, -y, z, colour, 1, 1},  {x, y, z, colour, 1, 0},
    };
    std::memcpy(v, corners, sizeof(corners));
}

}  // namespace

FlareEffect::FlareEffect(DisplayDevice* display, int layers, float outer, float fade,
                         IDirect3DTexture8* outline, IDirect3DTexture8* flare)
    : Effect(display),
      layerCount(std::max(layers, 0)),
      outerScale(outer),
      shear((1.0f - outer) * 0.5f),
      outlineTexture(outline),
      flareTexture(flare) {
    if (outlineTexture) outlineTexture->GetLevelDesc(0, &outlineDesc);
    // Without a picture the flare keeps the screen's shape.
    texelAspect = outlineDesc.Width > 0 && outlineDesc.Height > 0
                      ? static_cast<float>(outlineDesc.Height) / static_cast<float>(outlineDesc.Width)
                      : (aspect > 0.0f ? 1.0f / aspect : 0.75f);
    BuildVertices(fade);
    CopyTexels();
}

FlareEffect::~FlareEffect() {
    if (vertexBuffer) vertexBuffer->Release();
}

void FlareEffect::BuildVertices(float fade) {
    if (!device || !device->device) return;
    const UINT length = static_cast<UINT>(layerCount + 1) * 6 * kStride;
    if (device->device->CreateVertexBuffer(length, 0, kVertexFormat, D3DPOOL_DEFAULT,
                                           &vertexBuffer) != D3D_OK) {
        vertexBuffer = nullptr;
        return;
    }
    BYTE* data = nullptr;
    if (vertexBuffer->Lock(0, 0, &data, 0) != D3D_OK || !data) return;
    auto* vertices = reinterpret_cast<Vertex*>(data);

    const float step = layerCount > 0 ? 1.0f / static_cast<float>(layerCount) : 0.0f;
    float z = 0.0f;
    for (int i = 0; i < layerCount; ++i, z += step) {
        const float halfWidth = aspect + (outerScale - aspect) * z;
        const float gain = static_cast<float>(std::pow(static_cast<double>(fade), i));
        const D3DCOLOR colour = (static_cast<D3DCOLOR>(gain * 255.0f) << 24) | 0x00FFFFFFu;
        WriteQuad(vertices + 6 * i, halfWidth, halfWidth * texelAspect, z, colour);
    }
    WriteQuad(vertices + 6 * layerCount, 1.0f, 1.0f, static_cast<float>(layerCount) * step,
              0xFFFFFFFFu);
    vertexBuffer->Unlock();
}

void FlareEffect::CopyTexels() {
    const UINT width = outlineDesc.Width, height = outlineDesc.Height;
    if (!outlineTexture || width == 0 || height == 0) return;
    D3DLOCKED_RECT locked{};
    if (outlineTexture->LockRect(0, &locked, nullptr, D3DLOCK_READONLY | D3DLOCK_NO_DIRTY_UPDATE) !=
            D3D_OK ||
        !locked.pBits) {
        return;
    }
    texels.resize(static_cast<size_t>(width) * height);
    const auto* rows = static_cast<const uint8_t*>(locked.pBits);
    for (UINT y = 0; y < height; ++y) {
        if (!ConvertRowToArgb(outlineDesc.Format, rows + static_cast<size_t>(y) * locked.Pitch,
                              static_cast<int>(width), texels.data() + static_cast<size_t>(y) * width)) {
            texels.clear();  // a format we cannot read leaves the flare untinted
            break;
        }
    }
    outlineTexture->UnlockRect(0);
}

D3DCOLOR FlareEffect::TintAt(float x, float y) const {
    if (texels.empty()) return 0xFFFFFFFFu;
    const int width = static_cast<int>(outlineDesc.Width), height = static_cast<int>(outlineDesc.Height);
    const float k = 1.0f / aspect;
    const int column = std::clamp(static_cast<int>((k * x + 1.0f) * static_cast<float>(width) * 0.5f),
                                  0, width - 1);
    const int row = std::clamp(
        static_cast<int>((1.0f - (k / texelAspect) * y) * static_cast<float>(height) * 0.5f), 0,
        height - 1);
    const uint32_t texel = texels[static_cast<size_t>(row) * width + column];
    return (texel >> 24) > 0x40 ? texel : (texel & 0x00FFFFFFu) | 0x40000000u;
}

void FlareEffect::SetPictureStage(IDirect3DTexture8* texture, DWORD secondArgument) {
    IDirect3DDevice8* d3d = device->device;
    d3d->SetTexture(0, texture);
    SetModulateStage(d3d, 0, D3DTA_TEXTURE, secondArgument);
    SetLinearSampling(d3d, 0, D3DTADDRESS_WRAP);
}

void FlareEffect::Render(double frameSeconds) {
    clock += static_cast<float>(frameSeconds);
    flarePos[0] = std::sin(1.31687f * clock + 1.218674f);
    flarePos[1] = 0.4f * std::sin(2.27825f * clock + 2.984372f);
    if (!device || !device->device || !vertexBuffer) return;

    IDirect3DDevice8* d3d = device->device;
    const D3DMATRIX identity = MatrixIdentity();
    const D3DMATRIX projection = MatrixScaling(1.0f / aspect, 1.0f, 1.0f);
    d3d->SetTransform(D3DTS_VIEW, &identity);
    d3d->SetTransform(D3DTS_PROJECTION, &projection);

    if (flareOn) {
        d3d->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
        d3d->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
        d3d->SetRenderState(D3DRS_LIGHTING, FALSE);
        d3d->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
        d3d->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
        d3d->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
        d3d->SetStreamSource(0, vertexBuffer, kStride);
        d3d->SetVertexShader(kVertexFormat);

        d3d->SetRenderState(D3DRS_TEXTUREFACTOR, TintAt(flarePos[0], flarePos[1]));
        if (flareTexture) {
            SetPictureStage(flareTexture, D3DTA_TFACTOR);
            const D3DMATRIX atFlare = MatrixTranslation(flarePos[0], flarePos[1], 0.0f);
            d3d->SetTransform(D3DTS_WORLD, &atFlare);
            d3d->DrawPrimitive(D3DPT_TRIANGLELIST, static_cast<UINT>(6 * layerCount), 2);
        }

        // A vertex at depth z moves by z * shear * flarePos: deeper layers stream away.
        D3DMATRIX streaming = identity;
        streaming.m[2][0] = shear * flarePos[0];
        streaming.m[2][1] = shear * flarePos[1];
        d3d->SetTransform(D3DTS_WORLD, &streaming);
        if (outlineTexture && layerCount > 0) {
            SetPictureStage(outlineTexture, D3DTA_DIFFUSE);
            d3d->DrawPrimitive(D3DPT_TRIANGLELIST, 0, static_cast<UINT>(2 * layerCount));
        }
    } else if (outlineTexture && layerCount > 0) {
        // The base layer alone, with whatever render states and world transform are current.
        d3d->SetStreamSource(0, vertexBuffer, kStride);
        d3d->SetVertexShader(kVertexFormat);
        SetPictureStage(outlineTexture, D3DTA_DIFFUSE);
        d3d->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 2);
    }
    d3d->SetStreamSource(0, nullptr, 0);
}

}  // namespace tavrin
