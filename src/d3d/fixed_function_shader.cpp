#include "d3d/fixed_function_shader.h"

#include <sstream>

#include "d3d/gl_profile.h"

namespace tavrin::d3d {

namespace {

// Screen and render-target row 0 is the top: clip-space y is flipped, so GL's first row holds
// the image's top row. Direct3D puts pixel centres on integer coordinates, half a pixel from
// GL's, and maps depth to 0..1 where GL expects -1..1.
constexpr const char* kTransformedPosition = R"(
    float w = aPosition.w != 0.0 ? 1.0 / aPosition.w : 1.0;
    vec2 ndc = (aPosition.xy - uViewport.xy + 0.5) / uViewport.zw * 2.0 - 1.0;
    gl_Position = vec4(ndc * w, (aPosition.z * 2.0 - 1.0) * w, w);
)";

constexpr const char* kProjectedPosition = R"(
    vec4 eye = uWorldView * vec4(aPosition.xyz, 1.0);
    vec4 clip = uProjection * eye;
    gl_Position = vec4(clip.x + clip.w / uViewport.z, clip.w / uViewport.w - clip.y,
                       2.0 * clip.z - clip.w, clip.w);
)";

std::string MaterialExpression(uint8_t source, const char* material) {
    if (source == D3DMCS_COLOR1) return "aDiffuse";
    if (source == D3DMCS_COLOR2) return "aSpecular";
    return material;
}

// A vertex coordinate set widened to four components: the first missing one is 1, the rest 0,
// so a texture matrix translates 2D coordinates with its third row and 3D ones with its fourth.
std::string SourceCoordinates(const StageKey& stage) {
    const std::string attribute = "aTexCoord" + std::to_string(stage.texCoordSet);
    switch (stage.sourceFloats) {
        case 1: return "vec4(" + attribute + ".x, 1.0, 0.0, 0.0)";
        case 2: return "vec4(" + attribute + ".xy, 1.0, 0.0)";
        case 3: return "vec4(" + attribute + ".xyz, 1.0)";
        case 4: return attribute;
        default: return "vec4(0.0)";
    }
}

std::string StageCoordinates(const StageKey& stage) {
    switch (stage.texGen) {
        case TexGen::CameraNormal: return "vec4(normal, 1.0)";
        case TexGen::CameraPosition: return "vec4(eye.xyz, 1.0)";
        case TexGen::CameraReflection: return "vec4(reflect(viewDirection, normal), 1.0)";
        case TexGen::None: break;
    }
    return SourceCoordinates(stage);
}

bool UsesReflection(const FixedFunctionKey& key) {
    for (int s = 0; s < key.stageCount; ++s) {
        if (key.stages[s].texture != TextureKind::None &&
            key.stages[s].texGen == TexGen::CameraReflection) {
            return true;
        }
    }
    return false;
}

std::string Interpolation(const FixedFunctionKey& key) {
    return key.flatShading ? "flat " : "";
}

}  // namespace

std::string VertexShaderSource(const FixedFunctionKey& key) {
    std::ostringstream src;
    src << gl_profile::ShaderHeader();
    src << "layout(location = " << kPositionAttribute << ") in vec4 aPosition;\n";
    if (key.hasNormal) src << "layout(location = " << kNormalAttribute << ") in vec3 aNormal;\n";
    if (key.hasDiffuse) src << gl_profile::ColorAttributeDeclaration(kDiffuseAttribute, "aDiffuse");
    if (key.hasSpecular)
        src << gl_profile::ColorAttributeDeclaration(kSpecularAttribute, "aSpecular");
    uint32_t declaredSets = 0;
    for (int s = 0; s < key.stageCount; ++s) {
        const StageKey& stage = key.stages[s];
        if (stage.texture == TextureKind::None || stage.texGen != TexGen::None ||
            stage.sourceFloats == 0 || (declaredSets & (1u << stage.texCoordSet)) != 0) {
            continue;
        }
        declaredSets |= 1u << stage.texCoordSet;
        src << "layout(location = " << kTexCoordAttribute0 + stage.texCoordSet
            << ") in vec4 aTexCoord" << int{stage.texCoordSet} << ";\n";
    }
    src << "uniform mat4 uWorldView;\nuniform mat4 uProjection;\nuniform mat3 uNormalMatrix;\n"
           "uniform vec4 uViewport;\nuniform mat4 uTextureMatrix0;\nuniform mat4 uTextureMatrix1;\n";
    if (key.lighting) {
        src << "uniform vec4 uMaterialDiffuse;\nuniform vec4 uMaterialAmbient;\n"
               "uniform vec4 uMaterialEmissive;\nuniform vec3 uAmbientLight;\n";
        if (key.lightCount > 0) {
            src << "uniform vec3 uLightDirection[" << int{key.lightCount} << "];\n"
                << "uniform vec3 uLightDiffuse[" << int{key.lightCount} << "];\n";
        }
    }
    src << Interpolation(key) << "out vec4 vDiffuse;\n" << Interpolation(key) << "out vec4 vSpecular;\n";
    for (int s = 0; s < key.stageCount; ++s) src << "out vec4 vTexCoord" << s << ";\n";

    src << "void main() {\n";
    src << (key.transformed ? kTransformedPosition : kProjectedPosition);
    if (!key.transformed) {
        if (key.hasNormal) {
            src << "    vec3 normal = uNormalMatrix * aNormal;\n";
            if (key.normalizeNormals) {
                src << "    if (dot(normal, normal) > 0.0) normal = normalize(normal);\n";
            }
        } else {
            src << "    vec3 normal = vec3(0.0);\n";
        }
        if (UsesReflection(key)) {
            src << (key.localViewer ? "    vec3 viewDirection = normalize(eye.xyz);\n"
                                    : "    vec3 viewDirection = vec3(0.0, 0.0, 1.0);\n");
        }
    }

    if (key.lighting) {
        // Direct3D's lighting: emissive + ambient material x (global ambient + light ambients)
        // + diffuse material x light diffuse x max(N.L, 0); alpha from the diffuse material.
        src << "    vec4 materialDiffuse = " << MaterialExpression(key.diffuseSource, "uMaterialDiffuse")
            << ";\n";
        src << "    vec3 lit = " << MaterialExpression(key.emissiveSource, "uMaterialEmissive")
            << ".rgb + " << MaterialExpression(key.ambientSource, "uMaterialAmbient")
            << ".rgb * uAmbientLight;\n";
        if (key.lightCount > 0) {
            src << "    for (int i = 0; i < " << int{key.lightCount} << "; ++i) {\n"
                << "        lit += materialDiffuse.rgb * uLightDiffuse[i] *"
                   " max(dot(normal, uLightDirection[i]), 0.0);\n"
                << "    }\n";
        }
        src << "    vDiffuse = clamp(vec4(lit, materialDiffuse.a), 0.0, 1.0);\n";
        src << "    vSpecular = vec4(0.0);\n";
    } else {
        src << "    vDiffuse = " << (key.hasDiffuse ? "aDiffuse" : "vec4(1.0)") << ";\n";
        src << "    vSpecular = " << (key.hasSpecular ? "aSpecular" : "vec4(0.0)") << ";\n";
    }

    for (int s = 0; s < key.stageCount; ++s) {
        const StageKey& stage = key.stages[s];
        if (stage.texture == TextureKind::None) {
            src << "    vTexCoord" << s << " = vec4(0.0);\n";
            continue;
        }
        src << "    vec4 coordinates" << s << " = " << StageCoordinates(stage) << ";\n";
        if (stage.transformCount > 0) {
            src << "    coordinates" << s << " = uTextureMatrix" << s << " * coordinates" << s << ";\n";
            // Components past the count are not produced.
            static constexpr const char* kKeep[5] = {"", "vec4(1.0, 0.0, 0.0, 0.0)",
                                                     "vec4(1.0, 1.0, 0.0, 0.0)",
                                                     "vec4(1.0, 1.0, 1.0, 0.0)", "vec4(1.0)"};
            src << "    coordinates" << s << " *= " << kKeep[stage.transformCount] << ";\n";
        }
        src << "    vTexCoord" << s << " = coordinates" << s << ";\n";
    }
    src << "}\n";
    return src.str();
}

namespace {

std::string Argument(uint8_t arg, int stage) {
    std::string value;
    switch (arg & D3DTA_SELECTMASK) {
        case D3DTA_DIFFUSE: value = "vDiffuse"; break;
        case D3DTA_CURRENT: value = "current"; break;
        case D3DTA_TEXTURE: value = "texel" + std::to_string(stage); break;
        case D3DTA_TFACTOR: value = "uTextureFactor"; break;
        case D3DTA_SPECULAR: value = "vSpecular"; break;
        default: value = "temp"; break;
    }
    if ((arg & D3DTA_ALPHAREPLICATE) != 0) value = value + ".aaaa";
    if ((arg & D3DTA_COMPLEMENT) != 0) value = "(vec4(1.0) - " + value + ")";
    return value;
}

// The operation on vec4 arguments a0, a1, a2; the caller keeps .rgb or .a of the result.
std::string Operation(uint8_t op, int stage) {
    const std::string texel = "texel" + std::to_string(stage);
    switch (op) {
        case D3DTOP_SELECTARG1: return "a1";
        case D3DTOP_SELECTARG2: return "a2";
        case D3DTOP_MODULATE: return "a1 * a2";
        case D3DTOP_MODULATE2X: return "2.0 * a1 * a2";
        case D3DTOP_MODULATE4X: return "4.0 * a1 * a2";
        case D3DTOP_ADD: return "a1 + a2";
        case D3DTOP_ADDSIGNED: return "a1 + a2 - 0.5";
        case D3DTOP_ADDSIGNED2X: return "2.0 * (a1 + a2 - 0.5)";
        case D3DTOP_SUBTRACT: return "a1 - a2";
        case D3DTOP_ADDSMOOTH: return "a1 + a2 - a1 * a2";
        case D3DTOP_BLENDDIFFUSEALPHA: return "mix(a2, a1, vDiffuse.a)";
        case D3DTOP_BLENDTEXTUREALPHA: return "mix(a2, a1, " + texel + ".a)";
        case D3DTOP_BLENDFACTORALPHA: return "mix(a2, a1, uTextureFactor.a)";
        case D3DTOP_BLENDTEXTUREALPHAPM: return "a1 + a2 * (1.0 - " + texel + ".a)";
        case D3DTOP_BLENDCURRENTALPHA: return "mix(a2, a1, current.a)";
        case D3DTOP_MODULATEALPHA_ADDCOLOR: return "vec4(a1.rgb + a1.a * a2.rgb, a1.a)";
        case D3DTOP_MODULATECOLOR_ADDALPHA: return "vec4(a1.rgb * a2.rgb + a1.a, a1.a)";
        case D3DTOP_MODULATEINVALPHA_ADDCOLOR: return "vec4((1.0 - a1.a) * a2.rgb + a1.rgb, a1.a)";
        case D3DTOP_MODULATEINVCOLOR_ADDALPHA: return "vec4((1.0 - a1.rgb) * a2.rgb + a1.a, a1.a)";
        case D3DTOP_DOTPRODUCT3: return "vec4(4.0 * dot(a1.rgb - 0.5, a2.rgb - 0.5))";
        case D3DTOP_MULTIPLYADD: return "a0 + a1 * a2";
        case D3DTOP_LERP: return "mix(a2, a1, a0)";
        default: return "a1 * a2";
    }
}

std::string Sample(const StageKey& stage, int s) {
    const std::string coordinates = "vTexCoord" + std::to_string(s);
    const std::string sampler = "uTexture" + std::to_string(s);
    const char* divisor[5] = {"", ".x", ".y", ".z", ".w"};
    const std::string scale =
        stage.projected ? " / " + coordinates + divisor[stage.transformCount] : "";
    if (stage.texture == TextureKind::Cube) {
        return "texture(" + sampler + ", " + coordinates + ".xyz" + scale + ")";
    }
    return "texture(" + sampler + ", " + coordinates + ".xy" + scale + ")";
}

std::string AlphaComparison(uint8_t func) {
    switch (func) {
        case D3DCMP_NEVER: return "false";
        case D3DCMP_LESS: return "alpha < uAlphaReference";
        case D3DCMP_EQUAL: return "alpha == uAlphaReference";
        case D3DCMP_LESSEQUAL: return "alpha <= uAlphaReference";
        case D3DCMP_GREATER: return "alpha > uAlphaReference";
        case D3DCMP_NOTEQUAL: return "alpha != uAlphaReference";
        case D3DCMP_GREATEREQUAL: return "alpha >= uAlphaReference";
        default: return "true";
    }
}

}  // namespace

std::string FragmentShaderSource(const FixedFunctionKey& key) {
    std::ostringstream src;
    src << gl_profile::ShaderHeader();
    src << Interpolation(key) << "in vec4 vDiffuse;\n" << Interpolation(key) << "in vec4 vSpecular;\n";
    for (int s = 0; s < key.stageCount; ++s) {
        src << "in vec4 vTexCoord" << s << ";\n";
        if (key.stages[s].texture == TextureKind::Flat) src << "uniform sampler2D uTexture" << s << ";\n";
        if (key.stages[s].texture == TextureKind::Cube) src << "uniform samplerCube uTexture" << s << ";\n";
    }
    src << "uniform vec4 uTextureFactor;\nuniform float uAlphaReference;\n"
           "out vec4 fragColor;\n";
    src << "void main() {\n    vec4 current = vDiffuse;\n    vec4 temp = vec4(0.0);\n"
           "    vec4 a0, a1, a2;\n";
    for (int s = 0; s < key.stageCount; ++s) {
        const StageKey& stage = key.stages[s];
        // A stage without a texture reads opaque white where it asks for one.
        src << "    vec4 texel" << s << " = "
            << (stage.texture == TextureKind::None ? "vec4(1.0)" : Sample(stage, s)) << ";\n";
        const OperationArgs colorRead = ArgumentsRead(stage.colorOp);
        src << "    a0 = " << (colorRead.arg0 ? Argument(stage.colorArgs[0], s) : "vec4(0.0)") << ";\n"
            << "    a1 = " << (colorRead.arg1 ? Argument(stage.colorArgs[1], s) : "vec4(0.0)") << ";\n"
            << "    a2 = " << (colorRead.arg2 ? Argument(stage.colorArgs[2], s) : "vec4(0.0)") << ";\n"
            << "    vec4 colour" << s << " = " << Operation(stage.colorOp, s) << ";\n";
        if (stage.colorOp == D3DTOP_DOTPRODUCT3) {
            // The dot product is replicated into alpha as well.
            src << "    float alpha" << s << " = colour" << s << ".a;\n";
        } else if (stage.alphaOp == 0) {
            src << "    float alpha" << s << " = current.a;\n";
        } else {
            const OperationArgs alphaRead = ArgumentsRead(stage.alphaOp);
            src << "    a0 = " << (alphaRead.arg0 ? Argument(stage.alphaArgs[0], s) : "vec4(0.0)") << ";\n"
                << "    a1 = " << (alphaRead.arg1 ? Argument(stage.alphaArgs[1], s) : "vec4(0.0)") << ";\n"
                << "    a2 = " << (alphaRead.arg2 ? Argument(stage.alphaArgs[2], s) : "vec4(0.0)") << ";\n"
                << "    float alpha" << s << " = (" << Operation(stage.alphaOp, s) << ").a;\n";
        }
        src << "    current = clamp(vec4(colour" << s << ".rgb, alpha" << s << "), 0.0, 1.0);\n";
    }
    if (key.alphaFunc != 0) {
        // The test compares 8-bit alpha with the 8-bit reference, as the hardware does.
        src << "    float alpha = floor(current.a * 255.0 + 0.5);\n"
            << "    if (!(" << AlphaComparison(key.alphaFunc) << ")) discard;\n";
    }
    src << "    fragColor = current;\n}\n";
    return src.str();
}

}  // namespace tavrin::d3d
