// The field's device side: its dynamic vertex buffer and the draw.

#include <algorithm>

#include "d3d/d3d8.h"
#include "effects/metaball_field.h"
#include "gfxutil/display_device.h"

namespace tavrin {
namespace {

constexpr DWORD kSurfaceVertexFormat = D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_DIFFUSE;

}  // namespace

void MetaballField::CreateVertexBuffer() {
    if (device_ == nullptr || device_->device == nullptr || bufferCapacity_ == 0) return;
    device_->device->CreateVertexBuffer(bufferCapacity_ * sizeof(SurfaceVertex), D3DUSAGE_DYNAMIC,
                                        kSurfaceVertexFormat, D3DPOOL_DEFAULT, &vertexBuffer_);
}

MetaballField::~MetaballField() {
    StopHelpers();
    if (vertexBuffer_ != nullptr) vertexBuffer_->Release();
}

// The triangles are unrolled into the buffer, three vertices each, refilled with discard after
// every pass: the previous contents are not needed. Only the part the triangles fill is locked, so
// the device need not move the rest of a buffer sized for the densest surface. Drawing the same
// pass again draws what the buffer already holds.
bool MetaballField::Render() {
    if (!ready_ || vertexBuffer_ == nullptr) return false;
    IDirect3DDevice8* device = device_->device;
    if (uploadedPass_ != pass_) {
        BYTE* data = nullptr;
        const UINT size = std::max(indexCount_, 3) * sizeof(SurfaceVertex);
        if (FAILED(vertexBuffer_->Lock(0, size, &data, D3DLOCK_DISCARD)) || data == nullptr)
            return false;
        auto* out = reinterpret_cast<SurfaceVertex*>(data);
        const SurfaceVertex* pool = vertices_.get();
        const int* index = indices_.get();
        for (int n = 0; n < indexCount_; ++n) out[n] = pool[index[n]];
        vertexBuffer_->Unlock();
        uploadedPass_ = pass_;
    }
    device->SetStreamSource(0, vertexBuffer_, sizeof(SurfaceVertex));
    device->SetVertexShader(kSurfaceVertexFormat);
    device->SetRenderState(D3DRS_NORMALIZENORMALS, TRUE);
    device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, triangleCount_);
    device->SetRenderState(D3DRS_NORMALIZENORMALS, FALSE);
    device->SetStreamSource(0, nullptr, 0);
    return true;
}

}  // namespace tavrin
