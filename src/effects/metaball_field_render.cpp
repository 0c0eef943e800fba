// The field's draw: its vertex pool and index list, straight from the field's own arrays.

#include <algorithm>

#include "d3d/d3d8.h"
#include "effects/metaball_field.h"
#include "gfxutil/display_device.h"

namespace tavrin {
namespace {

// Triangles per draw. The renderer rasterises a part it has been handed while the next part is
// transformed, and its binned scene holds one part instead of the whole surface.
constexpr int kTrianglesPerDraw = 4096;

}  // namespace

MetaballField::~MetaballField() { StopHelpers(); }

// Drawn indexed from the pool: a vertex is shared by about six triangles on average, so the
// renderer transforms it once and the draw carries a sixth of the vertices an unrolled list would.
// Each part sends only the span of the pool its triangles use; the sweep makes vertices in order,
// so the spans of the parts barely overlap.
bool MetaballField::Render() {
    if (!ready_ || device_ == nullptr || device_->device == nullptr) return false;
    IDirect3DDevice8* device = device_->device;
    constexpr DWORD kSurfaceVertexFormat = D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_DIFFUSE;
    device->SetVertexShader(kSurfaceVertexFormat);
    device->SetRenderState(D3DRS_NORMALIZENORMALS, TRUE);
    for (int first = 0; first < triangleCount_; first += kTrianglesPerDraw) {
        const int count = std::min(kTrianglesPerDraw, triangleCount_ - first);
        const int* part = indices_.get() + 3 * first;
        const auto [lowest, highest] = std::minmax_element(part, part + 3 * count);
        if (first > 0) device->Flush();
        device->DrawIndexedPrimitiveUP(D3DPT_TRIANGLELIST, static_cast<UINT>(*lowest),
                                       static_cast<UINT>(*highest - *lowest + 1),
                                       static_cast<UINT>(count), part, D3DFMT_INDEX32,
                                       vertices_.get(), sizeof(SurfaceVertex));
    }
    device->SetRenderState(D3DRS_NORMALIZENORMALS, FALSE);
    // A draw from caller memory leaves stream 0 unset; so does a surface without triangles.
    device->SetStreamSource(0, nullptr, 0);
    return true;
}

}  // namespace tavrin
