#include "shell/screen_flash.h"

#include "d3d/d3d8.h"

namespace tavrin {

std::optional<uint32_t> ScreenFlash::Advance(double frameSeconds, float songTime) {
    if (nextCue_ < table_.size() && table_[nextCue_].time < songTime) {
        const FlashCue& cue = table_[nextCue_++];
        alpha_ = cue.alpha;
        rate_ = cue.rate;
        colour_ = cue.colour;
    }
    alpha_ = static_cast<float>(alpha_ - frameSeconds * rate_);
    if (alpha_ <= 0.0f) {
        alpha_ = 0.0f;
        return std::nullopt;
    }
    if (alpha_ > 1.0f) alpha_ = 1.0f;
    const auto opacity = static_cast<uint32_t>(255.0f * alpha_);
    return (colour_ & 0x00FFFFFFu) + opacity * 0x01000000u;
}

void ScreenFlash::Draw(IDirect3DDevice8* device, int width, int height, double frameSeconds,
                       float songTime) {
    const std::optional<uint32_t> colour = Advance(frameSeconds, songTime);
    if (!colour || device == nullptr) return;
    struct Vertex {
        float x, y, z, rhw;
        D3DCOLOR colour;
    };
    const auto w = static_cast<float>(width), h = static_cast<float>(height);
    const Vertex quad[4] = {
        {0.0f, 0.0f, 0.5f, 1.0f, *colour},
        {w, 0.0f, 0.5f, 1.0f, *colour},
        {0.0f, h, 0.5f, 1.0f, *colour},
        {w, h, 0.5f, 1.0f, *colour},
    };
    device->SetRenderState(D3DRS_ZENABLE, FALSE);
    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    device->SetRenderState(D3DRS_LIGHTING, FALSE);
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    device->SetTexture(0, nullptr);
    device->SetVertexShader(D3DFVF_XYZRHW | D3DFVF_DIFFUSE);
    device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(Vertex));
}

}  // namespace tavrin
