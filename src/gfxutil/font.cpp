#include "gfxutil/font.h"

#include <cstring>
#include <utility>

namespace tavrin {

namespace {

constexpr DWORD kVertexFormat = D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1;

// Text needs no depth test, blends by the glyphs' coverage and draws what it is given, whatever
// the winding. The fill mode is deliberately absent: wireframe shows on text too.
constexpr std::pair<D3DRENDERSTATETYPE, DWORD> kRenderStates[] = {
    {D3DRS_ZENABLE, FALSE},
    {D3DRS_ALPHATESTENABLE, FALSE},
    {D3DRS_ALPHABLENDENABLE, TRUE},
    {D3DRS_SRCBLEND, D3DBLEND_SRCALPHA},
    {D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA},
    {D3DRS_CULLMODE, D3DCULL_NONE},
    {D3DRS_LIGHTING, FALSE},
};

struct StageState {
    DWORD stage;
    D3DTEXTURESTAGESTATETYPE type;
    DWORD value;
};

// Glyph coverage times the text colour, texels mapped one to one onto pixels.
constexpr StageState kStageStates[] = {
    {0, D3DTSS_COLOROP, D3DTOP_MODULATE},
    {0, D3DTSS_COLORARG1, D3DTA_TEXTURE},
    {0, D3DTSS_COLORARG2, D3DTA_DIFFUSE},
    {0, D3DTSS_ALPHAOP, D3DTOP_MODULATE},
    {0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE},
    {0, D3DTSS_ALPHAARG2, D3DTA_DIFFUSE},
    {0, D3DTSS_TEXCOORDINDEX, D3DTSS_TCI_PASSTHRU | 0},
    {0, D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_DISABLE},
    {0, D3DTSS_MINFILTER, D3DTEXF_POINT},
    {0, D3DTSS_MAGFILTER, D3DTEXF_POINT},
    {0, D3DTSS_MIPFILTER, D3DTEXF_NONE},
    {0, D3DTSS_ADDRESSU, D3DTADDRESS_CLAMP},
    {0, D3DTSS_ADDRESSV, D3DTADDRESS_CLAMP},
    {1, D3DTSS_COLOROP, D3DTOP_DISABLE},
    {1, D3DTSS_ALPHAOP, D3DTOP_DISABLE},
};

// White texels carrying the glyphs' coverage as alpha.
IDirect3DTexture8* CreateAtlasTexture(IDirect3DDevice8* device, const GlyphAtlas& atlas) {
    IDirect3DTexture8* texture = nullptr;
    if (FAILED(device->CreateTexture(atlas.width, atlas.height, 1, 0, D3DFMT_A8R8G8B8,
                                     D3DPOOL_MANAGED, &texture)) ||
        texture == nullptr) {
        return nullptr;
    }
    D3DLOCKED_RECT locked{};
    if (FAILED(texture->LockRect(0, &locked, nullptr, 0)) || locked.pBits == nullptr) {
        texture->Release();
        return nullptr;
    }
    for (int y = 0; y < atlas.height; ++y) {
        auto* row = reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(locked.pBits) +
                                                static_cast<ptrdiff_t>(y) * locked.Pitch);
        const uint8_t* coverage = atlas.coverage.data() + static_cast<size_t>(y) * atlas.width;
        for (int x = 0; x < atlas.width; ++x) {
            row[x] = (static_cast<uint32_t>(coverage[x]) << 24) | 0x00FFFFFFu;
        }
    }
    texture->UnlockRect(0);
    return texture;
}

}  // namespace

std::unique_ptr<DeviceFont> DeviceFont::Create(IDirect3DDevice8* device, const FontHandle& font) {
    if (device == nullptr) return nullptr;
    std::unique_ptr<GlyphAtlas> atlas = GlyphAtlas::Build(font);
    if (atlas == nullptr) return nullptr;
    IDirect3DTexture8* texture = CreateAtlasTexture(device, *atlas);
    if (texture == nullptr) return nullptr;
    return std::unique_ptr<DeviceFont>(new DeviceFont(device, std::move(atlas), texture));
}

DeviceFont::DeviceFont(IDirect3DDevice8* device, std::unique_ptr<GlyphAtlas> atlas,
                       IDirect3DTexture8* texture)
    : device_(device), atlas_(std::move(atlas)), texture_(texture) {}

DeviceFont::~DeviceFont() {
    if (inBatch_) End();
    texture_->Release();
}

void DeviceFont::Begin() {
    if (inBatch_) return;
    inBatch_ = true;
    SaveAndSetStates();
}

void DeviceFont::End() {
    if (!inBatch_) return;
    inBatch_ = false;
    RestoreStates();
}

int DeviceFont::DrawText(const char* text, int count, RECT* rect, uint32_t format,
                         uint32_t colour) {
    if (rect == nullptr) return 0;
    quads_.clear();
    const int height = LayoutText(*atlas_, text, count, *rect, format, quads_);
    if (!quads_.empty()) {
        const bool ownBatch = !inBatch_;
        if (ownBatch) Begin();
        Draw(colour);
        if (ownBatch) End();
    }
    return height;
}

void DeviceFont::SaveAndSetStates() {
    savedRenderStates_.clear();
    for (const auto& [state, value] : kRenderStates) {
        DWORD previous = 0;
        device_->GetRenderState(state, &previous);
        savedRenderStates_.push_back(previous);
        device_->SetRenderState(state, value);
    }
    savedStageStates_.clear();
    for (const StageState& s : kStageStates) {
        DWORD previous = 0;
        device_->GetTextureStageState(s.stage, s.type, &previous);
        savedStageStates_.push_back(previous);
        device_->SetTextureStageState(s.stage, s.type, s.value);
    }
    savedTexture_ = nullptr;
    device_->GetTexture(0, &savedTexture_);
    device_->SetTexture(0, texture_);
    device_->GetVertexShader(&savedVertexShader_);
    device_->SetVertexShader(kVertexFormat);
}

void DeviceFont::RestoreStates() {
    for (size_t i = 0; i < savedRenderStates_.size(); ++i) {
        device_->SetRenderState(kRenderStates[i].first, savedRenderStates_[i]);
    }
    for (size_t i = 0; i < savedStageStates_.size(); ++i) {
        device_->SetTextureStageState(kStageStates[i].stage, kStageStates[i].type,
                                      savedStageStates_[i]);
    }
    device_->SetTexture(0, savedTexture_);
    if (savedTexture_ != nullptr) savedTexture_->Release();  // the reference GetTexture gave
    savedTexture_ = nullptr;
    if (savedVertexShader_ != 0) device_->SetVertexShader(savedVertexShader_);
}

void DeviceFont::Draw(uint32_t colour) {
    // Pixel centres sit on whole coordinates, so a quad's edges go half a pixel before them to
    // cover exactly the pixels its texels map onto.
    const float du = 1.0f / static_cast<float>(atlas_->width);
    const float dv = 1.0f / static_cast<float>(atlas_->height);
    vertices_.clear();
    for (const GlyphQuad& q : quads_) {
        const float x0 = q.x0 - 0.5f, y0 = q.y0 - 0.5f, x1 = q.x1 - 0.5f, y1 = q.y1 - 0.5f;
        const float u0 = q.atlasX0 * du, v0 = q.atlasY0 * dv;
        const float u1 = q.atlasX1 * du, v1 = q.atlasY1 * dv;
        const Vertex topLeft{x0, y0, 0.0f, 1.0f, colour, u0, v0};
        const Vertex topRight{x1, y0, 0.0f, 1.0f, colour, u1, v0};
        const Vertex bottomLeft{x0, y1, 0.0f, 1.0f, colour, u0, v1};
        const Vertex bottomRight{x1, y1, 0.0f, 1.0f, colour, u1, v1};
        vertices_.insert(vertices_.end(),
                         {topLeft, topRight, bottomLeft, bottomLeft, topRight, bottomRight});
    }
    device_->DrawPrimitiveUP(D3DPT_TRIANGLELIST, static_cast<UINT>(vertices_.size() / 3),
                             vertices_.data(), sizeof(Vertex));
}

}  // namespace tavrin
