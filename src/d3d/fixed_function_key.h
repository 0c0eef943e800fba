#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "d3d/device_state.h"
#include "d3d/vertex_format.h"

namespace tavrin::d3d {

enum class TextureKind : uint8_t { None, Flat, Cube };

enum class TexGen : uint8_t { None, CameraNormal, CameraPosition, CameraReflection };

// What one texture stage does, reduced to what changes the generated program: arguments an
// operation does not read and coordinates of a stage that does not sample are left zero.
struct StageKey {
    uint8_t colorOp;
    std::array<uint8_t, 3> colorArgs;  // ARG0, ARG1, ARG2
    uint8_t alphaOp;
    std::array<uint8_t, 3> alphaArgs;
    TextureKind texture;
    TexGen texGen;
    uint8_t texCoordSet;   // vertex coordinate set, when not generated
    uint8_t sourceFloats;  // floats in that set (0: the vertex has none)
    uint8_t transformCount;  // 0: coordinates pass untransformed; 1..4: components kept
    uint8_t projected;
};

// Everything about the fixed-function state that selects a GLSL program. All fields are bytes
// and unused ones are zero, so keys compare and hash as plain memory.
struct FixedFunctionKey {
    uint8_t transformed;
    uint8_t hasNormal;
    uint8_t hasDiffuse;
    uint8_t hasSpecular;
    uint8_t lighting;
    uint8_t lightCount;
    uint8_t normalizeNormals;
    uint8_t localViewer;
    uint8_t diffuseSource;  // D3DMCS_*: 0 material, 1 vertex diffuse, 2 vertex specular
    uint8_t ambientSource;
    uint8_t emissiveSource;
    uint8_t flatShading;
    uint8_t alphaFunc;   // D3DCMP_* of the alpha test; 0 when there is none
    uint8_t stageCount;  // stages before the first disabled one, at most kDrawnStageCount
    uint8_t reserved[2];
    std::array<StageKey, kDrawnStageCount> stages;

    bool operator==(const FixedFunctionKey& other) const;
};

struct FixedFunctionKeyHash {
    size_t operator()(const FixedFunctionKey& key) const;
};

// The key for drawing `layout` with `state`, the kinds of the textures set on the drawn stages
// and the number of enabled directional lights.
FixedFunctionKey BuildFixedFunctionKey(const DeviceState& state, const VertexLayout& layout,
                                       const std::array<TextureKind, kDrawnStageCount>& textures,
                                       int directionalLights);

// Which of ARG0, ARG1, ARG2 a texture operation reads.
struct OperationArgs {
    bool arg0, arg1, arg2;
};
OperationArgs ArgumentsRead(DWORD op);

// Operations the generated programs implement.
bool IsSupportedTextureOp(DWORD op);

}  // namespace tavrin::d3d
