#include "effects/draw_mesh.h"

#include "gfxutil/display_device.h"

namespace tavrin {

void DrawMesh(const MeshModel& model) {
    if (!model.mesh || !model.device || !model.device->device) return;
    IDirect3DDevice8* device = model.device->device;
    for (uint32_t i = 0; i < model.materialCount; ++i) {
        device->SetMaterial(&model.materials[i]);
        device->SetTexture(0, model.textures[i]);
        model.mesh->DrawSubset(i);
    }
}

}  // namespace tavrin
