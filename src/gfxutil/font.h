#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "d3d/d3d8.h"
#include "gfxutil/font_face.h"
#include "gfxutil/font_layout.h"

namespace tavrin {

// Text on the device: every character of a font in one texture, drawn as pre-transformed
// textured quads. A batch (Begin … End) sets the blend, texture-stage and depth states text needs
// and restores them at its end; the fill mode is left alone, so wireframe applies to text too.
class DeviceFont {
public:
    // Null when the face cannot be rasterised or the device refuses the texture.
    static std::unique_ptr<DeviceFont> Create(IDirect3DDevice8* device, const FontHandle& font);
    ~DeviceFont();

    DeviceFont(const DeviceFont&) = delete;
    DeviceFont& operator=(const DeviceFont&) = delete;

    void Begin();
    // DrawText as Win32 knows it (see LayoutText for the formats). Outside a batch it opens and
    // closes one of its own. Returns the height of the text.
    int DrawText(const char* text, int count, RECT* rect, uint32_t format, uint32_t colour);
    void End();

    const GlyphAtlas& atlas() const { return *atlas_; }

private:
    struct Vertex {
        float x, y, z, rhw;
        D3DCOLOR colour;
        float u, v;
    };

    DeviceFont(IDirect3DDevice8* device, std::unique_ptr<GlyphAtlas> atlas,
               IDirect3DTexture8* texture);

    void SaveAndSetStates();
    void RestoreStates();
    void Draw(uint32_t colour);

    IDirect3DDevice8* device_;
    std::unique_ptr<GlyphAtlas> atlas_;
    IDirect3DTexture8* texture_;
    bool inBatch_ = false;
    std::vector<DWORD> savedRenderStates_;
    std::vector<DWORD> savedStageStates_;
    IDirect3DBaseTexture8* savedTexture_ = nullptr;
    DWORD savedVertexShader_ = 0;
    std::vector<GlyphQuad> quads_;
    std::vector<Vertex> vertices_;
};

}  // namespace tavrin
