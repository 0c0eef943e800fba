#include "d3d/fixed_function_key.h"

#include <cstring>

#include "d3d/diagnostics.h"

namespace tavrin::d3d {

static_assert(sizeof(StageKey) == 14, "stage keys hold bytes only");
static_assert(sizeof(FixedFunctionKey) == 16 + kDrawnStageCount * sizeof(StageKey),
              "keys hold bytes only, with no padding");

bool FixedFunctionKey::operator==(const FixedFunctionKey& other) const {
    return std::memcmp(this, &other, sizeof(*this)) == 0;
}

size_t FixedFunctionKeyHash::operator()(const FixedFunctionKey& key) const {
    // FNV-1a over the key's bytes.
    const auto* bytes = reinterpret_cast<const uint8_t*>(&key);
    uint64_t hash = 14695981039346656037ull;
    for (size_t i = 0; i < sizeof(key); ++i) {
        hash = (hash ^ bytes[i]) * 1099511628211ull;
    }
    return static_cast<size_t>(hash);
}

bool IsSupportedTextureOp(DWORD op) {
    return op >= D3DTOP_DISABLE && op <= D3DTOP_LERP && op != D3DTOP_PREMODULATE &&
           op != D3DTOP_BUMPENVMAP && op != D3DTOP_BUMPENVMAPLUMINANCE;
}

OperationArgs ArgumentsRead(DWORD op) {
    switch (op) {
        case D3DTOP_DISABLE: return {false, false, false};
        case D3DTOP_SELECTARG1: return {false, true, false};
        case D3DTOP_SELECTARG2: return {false, false, true};
        case D3DTOP_MULTIPLYADD:
        case D3DTOP_LERP: return {true, true, true};
        default: return {false, true, true};
    }
}

namespace {

bool ReadsTexture(DWORD op, const std::array<uint8_t, 3>& args) {
    if (op == D3DTOP_BLENDTEXTUREALPHA || op == D3DTOP_BLENDTEXTUREALPHAPM) return true;
    for (uint8_t arg : args) {
        if ((arg & D3DTA_SELECTMASK) == D3DTA_TEXTURE) return true;
    }
    return false;
}

uint8_t CheckedOp(DWORD op, bool alpha) {
    if (IsSupportedTextureOp(op)) return static_cast<uint8_t>(op);
    Report(alpha ? "alpha-op" : "color-op",
           "texture operation " + std::to_string(op) +
               " is not supported; the stage modulates its arguments instead");
    return D3DTOP_MODULATE;
}

uint8_t CheckedArg(DWORD arg) {
    const DWORD source = arg & D3DTA_SELECTMASK;
    if (source > D3DTA_TEMP || (arg & ~(D3DTA_SELECTMASK | D3DTA_COMPLEMENT | D3DTA_ALPHAREPLICATE))) {
        Report("texture-arg", "texture argument " + std::to_string(arg) +
                                  " is not supported; the diffuse colour is used instead");
        return D3DTA_DIFFUSE;
    }
    return static_cast<uint8_t>(arg);
}

// Keeps the arguments an operation reads, zeroes the others.
std::array<uint8_t, 3> Arguments(uint8_t op, DWORD arg0, DWORD arg1, DWORD arg2) {
    const OperationArgs read = ArgumentsRead(op);
    return {read.arg0 ? CheckedArg(arg0) : uint8_t{0}, read.arg1 ? CheckedArg(arg1) : uint8_t{0},
            read.arg2 ? CheckedArg(arg2) : uint8_t{0}};
}

uint8_t MaterialSource(DWORD source, const VertexLayout& layout, bool colorVertex) {
    if (!colorVertex) return D3DMCS_MATERIAL;
    if (source == D3DMCS_COLOR1 && layout.diffuse >= 0) return D3DMCS_COLOR1;
    if (source == D3DMCS_COLOR2 && layout.specular >= 0) return D3DMCS_COLOR2;
    return D3DMCS_MATERIAL;
}

}  // namespace

FixedFunctionKey BuildFixedFunctionKey(const DeviceState& state, const VertexLayout& layout,
                                       const std::array<TextureKind, kDrawnStageCount>& textures,
                                       int directionalLights) {
    FixedFunctionKey key{};
    const auto& rs = state.renderStates;
    key.transformed = layout.transformed;
    key.hasDiffuse = layout.diffuse >= 0;
    key.hasSpecular = layout.specular >= 0;
    key.flatShading = rs[D3DRS_SHADEMODE] == D3DSHADE_FLAT;
    if (rs[D3DRS_ALPHATESTENABLE] != FALSE && rs[D3DRS_ALPHAFUNC] != D3DCMP_ALWAYS) {
        const DWORD func = rs[D3DRS_ALPHAFUNC];
        key.alphaFunc = func >= D3DCMP_NEVER && func <= D3DCMP_ALWAYS
                            ? static_cast<uint8_t>(func)
                            : Refuse("alpha-func", "unknown alpha test function; none is used",
                                     uint8_t{0});
    }

    bool generatesFromNormal = false;
    for (int s = 0; s < kDrawnStageCount; ++s) {
        const auto& ss = state.stageStates[s];
        if (ss[D3DTSS_COLOROP] == D3DTOP_DISABLE) break;
        StageKey& stage = key.stages[s];
        key.stageCount = static_cast<uint8_t>(s + 1);
        stage.colorOp = CheckedOp(ss[D3DTSS_COLOROP], false);
        stage.colorArgs = Arguments(stage.colorOp, ss[D3DTSS_COLORARG0], ss[D3DTSS_COLORARG1],
                                    ss[D3DTSS_COLORARG2]);
        // A dot product fills alpha too, so the alpha operation is not read then.
        if (stage.colorOp != D3DTOP_DOTPRODUCT3 && ss[D3DTSS_ALPHAOP] != D3DTOP_DISABLE) {
            stage.alphaOp = CheckedOp(ss[D3DTSS_ALPHAOP], true);
            stage.alphaArgs = Arguments(stage.alphaOp, ss[D3DTSS_ALPHAARG0], ss[D3DTSS_ALPHAARG1],
                                        ss[D3DTSS_ALPHAARG2]);
        }
        const bool samples = ReadsTexture(stage.colorOp, stage.colorArgs) ||
                             ReadsTexture(stage.alphaOp, stage.alphaArgs);
        if (!samples || textures[s] == TextureKind::None) continue;
        stage.texture = textures[s];

        const DWORD index = ss[D3DTSS_TEXCOORDINDEX];
        const DWORD generator = index >> 16;
        if (!layout.transformed && generator != 0) {
            if (generator > 3) {
                Report("texgen", "unknown texture coordinate generation; coordinate set 0 is used");
            } else {
                stage.texGen = static_cast<TexGen>(generator);
                generatesFromNormal |= stage.texGen != TexGen::CameraPosition;
                key.localViewer |= stage.texGen == TexGen::CameraReflection &&
                                   rs[D3DRS_LOCALVIEWER] != FALSE;
            }
        }
        if (stage.texGen == TexGen::None) {
            const DWORD set = generator == 0 ? (index & 0xFFFF) : 0;
            if (static_cast<int>(set) < layout.texCoordCount) {
                stage.texCoordSet = static_cast<uint8_t>(set);
                stage.sourceFloats = layout.texCoordSize[set];
            } else {
                Report("texcoord-missing", "a stage reads a texture coordinate set the vertex "
                                           "format does not have; it samples at (0, 0)");
            }
        }
        if (!layout.transformed) {
            const DWORD flags = ss[D3DTSS_TEXTURETRANSFORMFLAGS];
            stage.transformCount = static_cast<uint8_t>(flags & 0xFF) <= 4
                                       ? static_cast<uint8_t>(flags & 0xFF)
                                       : uint8_t{4};
            stage.projected = stage.transformCount > 1 && (flags & D3DTTFF_PROJECTED) != 0;
        }
    }

    if (rs[D3DRS_LIGHTING] != FALSE && !layout.transformed) {
        key.lighting = 1;
        key.lightCount = static_cast<uint8_t>(directionalLights);
        const bool colorVertex = rs[D3DRS_COLORVERTEX] != FALSE;
        key.diffuseSource = MaterialSource(rs[D3DRS_DIFFUSEMATERIALSOURCE], layout, colorVertex);
        key.ambientSource = MaterialSource(rs[D3DRS_AMBIENTMATERIALSOURCE], layout, colorVertex);
        key.emissiveSource = MaterialSource(rs[D3DRS_EMISSIVEMATERIALSOURCE], layout, colorVertex);
    }
    // Normals are read only where lighting or generated coordinates use them.
    if (layout.normal >= 0 && !layout.transformed && (key.lighting || generatesFromNormal)) {
        key.hasNormal = 1;
        key.normalizeNormals = rs[D3DRS_NORMALIZENORMALS] != FALSE;
    }
    return key;
}

}  // namespace tavrin::d3d
