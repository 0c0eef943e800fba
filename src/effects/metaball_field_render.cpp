// The field's draw: its vertex pool and index list, straight from the field's own arrays.

#include "d3d/d3d8.h"
#include "effects/metaball_field.h"
#include "gfxutil/display_device.h"

namespace tavrin {

MetaballField::~MetaballField() { StopHelpers(); }

// Drawn indexed from the pool: a vertex is shared by about six triangles on average, so the
// renderer transforms it once and the draw carries a sixth of the vertices an unrolled list would.
bool MetaballField::Render() {
    if (!ready_ || device_ == nullptr || device_->device == nullptr) return false;
    IDirect3DDevice8* device = device_->device;
    constexpr DWORD kSurfaceVertexFormat = D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_DIFFUSE;
    device->SetVertexShader(kSurfaceVertexFormat);
    device->SetRenderState(D3DRS_NORMALIZENORMALS, TRUE);
    device->DrawIndexedPrimitiveUP(D3DPT_TRIANGLELIST, 0, static_cast<UINT>(nextVertex_),
                                   static_cast<UINT>(triangleCount_), indices_.get(), D3DFMT_INDEX32,
                                   vertices_.get(), sizeof(SurfaceVertex));
    device->SetRenderState(D3DRS_NORMALIZENORMALS, FALSE);
    // A draw from caller memory leaves stream 0 unset; an empty one draws nothing and keeps it.
    device->SetStreamSource(0, nullptr, 0);
    return true;
}

}  // namespace tavrin
