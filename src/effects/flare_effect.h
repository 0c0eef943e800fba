#pragma once

#include <cstdint>
#include <vector>

#include "d3d/d3d8.h"
#include "effects/effect.h"

namespace tavrin {

// The opening picture with a wandering lens flare: the flare is tinted with the picture's colour
// under it, and a stack of enlarged, fading copies of the picture streams away from it.
class FlareEffect : public Effect {
public:
    struct Vertex {
        float x, y, z;
        D3DCOLOR colour;
        float u, v;
    };
    static constexpr DWORD kVertexFormat = D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX1;

    // Textures are borrowed. Either may be null: that layer is then not drawn.
    FlareEffect(DisplayDevice* device, int layerCount, float outerScale, float fade,
                IDirect3DTexture8* outlineTexture, IDirect3DTexture8* flareTexture);
    ~FlareEffect() override;

    void Render(double frameSeconds) override;

    // The texture factor for the flare at a position in view units: the picture's texel under it,
    // with an alpha of at least 0x40.
    D3DCOLOR TintAt(float x, float y) const;

    float FlarePosX() const { return flarePos[0]; }
    float FlarePosY() const { return flarePos[1]; }
    // Shared by every instance and advanced only by Render, as one clock of the effect.
    static float Clock() { return clock; }
    static void ResetClock() { clock = 0.0f; }

    bool flareOn = true;

private:
    // Layer i is drawn with alpha fade^i.
    void BuildVertices(float fade);
    void CopyTexels();
    void SetPictureStage(IDirect3DTexture8* texture, DWORD secondArgument);

    IDirect3DVertexBuffer8* vertexBuffer = nullptr;
    D3DSURFACE_DESC outlineDesc{};
    float texelAspect;
    int32_t layerCount;
    float outerScale;
    float shear;
    std::vector<uint32_t> texels;  // level 0 of the picture as A8R8G8B8, row-major
    float flarePos[2] = {0.0f, 0.0f};
    IDirect3DTexture8* outlineTexture;
    IDirect3DTexture8* flareTexture;

    static float clock;
};

}  // namespace tavrin
