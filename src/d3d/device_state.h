#pragma once

#include <array>
#include <cstdint>

#include "d3d/d3dtypes.h"

namespace tavrin::d3d {

inline constexpr int kRenderStateCount = 256;
inline constexpr int kStageCount = 8;         // stages whose states are kept
inline constexpr int kDrawnStageCount = 2;    // stages that take part in drawing
inline constexpr int kStageStateCount = 29;   // D3DTSS_* values 1..28
inline constexpr int kLightCount = 8;

struct LightSlot {
    D3DLIGHT8 light{};
    bool set = false;
    bool enabled = false;
};

// Everything the API can set, as the API sees it; the GL backend turns it into GL state and
// shader inputs at draw time.
struct DeviceState {
    std::array<DWORD, kRenderStateCount> renderStates{};
    std::array<std::array<DWORD, kStageStateCount>, kStageCount> stageStates{};
    D3DMATRIX world{};
    D3DMATRIX view{};
    D3DMATRIX projection{};
    std::array<D3DMATRIX, kStageCount> textureTransforms{};
    D3DMATERIAL8 material{};
    std::array<LightSlot, kLightCount> lights{};
    DWORD vertexFormat = 0;
};

// Direct3D 8's documented initial state; ZENABLE follows whether a depth buffer was created.
void ResetToDefaults(DeviceState& state, bool autoDepthStencil);

// Render states and stage states the API defines (others are refused).
bool IsKnownRenderState(DWORD state);
bool IsKnownStageState(DWORD type);

// The matrix a transform type names, or null for an unknown type (only world matrix 0 is kept).
D3DMATRIX* TransformSlot(DeviceState& state, DWORD type);

D3DMATRIX IdentityMatrix();

}  // namespace tavrin::d3d
