#include "shell/rehearsal.h"

#include <array>

#include "d3d/d3d8.h"
#include "d3d/device_state.h"
#include "platform/random.h"

namespace tavrin {
namespace {

// Every state a drawing can change, taken through the device's own interface and set back the
// same way, so the device ends where it was.
class DeviceStates {
public:
    explicit DeviceStates(IDirect3DDevice8* device) : device_(device) {
        for (DWORD state = 0; state < d3d::kRenderStateCount; ++state) {
            if (d3d::IsKnownRenderState(state)) {
                device->GetRenderState(static_cast<D3DRENDERSTATETYPE>(state),
                                       &renderStates_[state]);
            }
        }
        for (DWORD stage = 0; stage < d3d::kStageCount; ++stage) {
            for (DWORD type = 1; type < d3d::kStageStateCount; ++type) {
                if (!d3d::IsKnownStageState(type)) continue;
                device->GetTextureStageState(stage, static_cast<D3DTEXTURESTAGESTATETYPE>(type),
                                             &stageStates_[stage][type]);
            }
            device->GetTexture(stage, &textures_[stage]);
            device->GetTransform(TextureTransform(stage), &textureTransforms_[stage]);
        }
        device->GetTransform(D3DTS_WORLD, &world_);
        device->GetTransform(D3DTS_VIEW, &view_);
        device->GetTransform(D3DTS_PROJECTION, &projection_);
        device->GetMaterial(&material_);
        for (DWORD index = 0; index < d3d::kLightCount; ++index) {
            lightSet_[index] = device->GetLight(index, &lights_[index]) == D3D_OK;
            device->GetLightEnable(index, &lightEnabled_[index]);
        }
        device->GetViewport(&viewport_);
        device->GetVertexShader(&vertexFormat_);
    }

    ~DeviceStates() {
        for (IDirect3DBaseTexture8* texture : textures_) {
            if (texture != nullptr) texture->Release();
        }
    }
    DeviceStates(const DeviceStates&) = delete;
    DeviceStates& operator=(const DeviceStates&) = delete;

    void Restore() {
        IDirect3DDevice8* device = device_;
        for (DWORD state = 0; state < d3d::kRenderStateCount; ++state) {
            if (d3d::IsKnownRenderState(state)) {
                device->SetRenderState(static_cast<D3DRENDERSTATETYPE>(state),
                                       renderStates_[state]);
            }
        }
        for (DWORD stage = 0; stage < d3d::kStageCount; ++stage) {
            for (DWORD type = 1; type < d3d::kStageStateCount; ++type) {
                if (!d3d::IsKnownStageState(type)) continue;
                device->SetTextureStageState(stage, static_cast<D3DTEXTURESTAGESTATETYPE>(type),
                                             stageStates_[stage][type]);
            }
            device->SetTexture(stage, textures_[stage]);
            device->SetTransform(TextureTransform(stage), &textureTransforms_[stage]);
        }
        device->SetTransform(D3DTS_WORLD, &world_);
        device->SetTransform(D3DTS_VIEW, &view_);
        device->SetTransform(D3DTS_PROJECTION, &projection_);
        device->SetMaterial(&material_);
        for (DWORD index = 0; index < d3d::kLightCount; ++index) {
            if (lightSet_[index]) device->SetLight(index, &lights_[index]);
            device->LightEnable(index, lightEnabled_[index]);
        }
        device->SetViewport(&viewport_);
        // A device that never had a format keeps the one drawn last: every drawing sets its own.
        if (vertexFormat_ != 0) device->SetVertexShader(vertexFormat_);
        device->SetStreamSource(0, nullptr, 0);
        device->SetIndices(nullptr, 0);
    }

private:
    static D3DTRANSFORMSTATETYPE TextureTransform(DWORD stage) {
        return static_cast<D3DTRANSFORMSTATETYPE>(D3DTS_TEXTURE0 + stage);
    }

    IDirect3DDevice8* device_;
    std::array<DWORD, d3d::kRenderStateCount> renderStates_{};
    std::array<std::array<DWORD, d3d::kStageStateCount>, d3d::kStageCount> stageStates_{};
    std::array<IDirect3DBaseTexture8*, d3d::kStageCount> textures_{};
    std::array<D3DMATRIX, d3d::kStageCount> textureTransforms_{};
    D3DMATRIX world_{};
    D3DMATRIX view_{};
    D3DMATRIX projection_{};
    D3DMATERIAL8 material_{};
    std::array<D3DLIGHT8, d3d::kLightCount> lights_{};
    std::array<bool, d3d::kLightCount> lightSet_{};
    std::array<BOOL, d3d::kLightCount> lightEnabled_{};
    D3DVIEWPORT8 viewport_{};
    DWORD vertexFormat_ = 0;
};

}  // namespace

bool Rehearsal::RunNext() {
    if (Done()) return false;
    if (device_ == nullptr) {
        next_ = steps_.size();
        return false;
    }
    const unsigned randomState = SaveRand();
    DeviceStates states(device_);
    device_->BeginScene();
    steps_[next_++]();
    device_->EndScene();
    states.Restore();
    RestoreRand(randomState);
    return true;
}

}  // namespace tavrin
