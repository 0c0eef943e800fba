#include <cmath>
#include <limits>

#include "d3d/diagnostics.h"
#include "d3d/fixed_function_shader.h"
#include "d3d/gl_device.h"
#include "d3d/gl_profile.h"
#include "d3d/matrix_product.h"

namespace tavrin::d3d {

namespace {

GLenum PrimitiveMode(D3DPRIMITIVETYPE type) {
    switch (type) {
        case D3DPT_POINTLIST: return GL_POINTS;
        case D3DPT_LINELIST: return GL_LINES;
        case D3DPT_LINESTRIP: return GL_LINE_STRIP;
        case D3DPT_TRIANGLELIST: return GL_TRIANGLES;
        case D3DPT_TRIANGLESTRIP: return GL_TRIANGLE_STRIP;
        case D3DPT_TRIANGLEFAN: return GL_TRIANGLE_FAN;
    }
    return GL_TRIANGLES;
}

GLenum Comparison(DWORD func) {
    switch (func) {
        case D3DCMP_NEVER: return GL_NEVER;
        case D3DCMP_LESS: return GL_LESS;
        case D3DCMP_EQUAL: return GL_EQUAL;
        case D3DCMP_LESSEQUAL: return GL_LEQUAL;
        case D3DCMP_GREATER: return GL_GREATER;
        case D3DCMP_NOTEQUAL: return GL_NOTEQUAL;
        case D3DCMP_GREATEREQUAL: return GL_GEQUAL;
        default: return GL_ALWAYS;
    }
}

GLenum BlendFactor(DWORD blend) {
    switch (blend) {
        case D3DBLEND_ZERO: return GL_ZERO;
        case D3DBLEND_ONE: return GL_ONE;
        case D3DBLEND_SRCCOLOR: return GL_SRC_COLOR;
        case D3DBLEND_INVSRCCOLOR: return GL_ONE_MINUS_SRC_COLOR;
        case D3DBLEND_SRCALPHA: return GL_SRC_ALPHA;
        case D3DBLEND_INVSRCALPHA: return GL_ONE_MINUS_SRC_ALPHA;
        case D3DBLEND_DESTALPHA: return GL_DST_ALPHA;
        case D3DBLEND_INVDESTALPHA: return GL_ONE_MINUS_DST_ALPHA;
        case D3DBLEND_DESTCOLOR: return GL_DST_COLOR;
        case D3DBLEND_INVDESTCOLOR: return GL_ONE_MINUS_DST_COLOR;
        case D3DBLEND_SRCALPHASAT: return GL_SRC_ALPHA_SATURATE;
        default:
            Report("blend-factor", "unknown blend factor " + std::to_string(blend) + "; ONE is used");
            return GL_ONE;
    }
}

GLenum BlendEquation(DWORD op) {
    switch (op) {
        case D3DBLENDOP_SUBTRACT: return GL_FUNC_SUBTRACT;
        case D3DBLENDOP_REVSUBTRACT: return GL_FUNC_REVERSE_SUBTRACT;
        case D3DBLENDOP_MIN: return GL_MIN;
        case D3DBLENDOP_MAX: return GL_MAX;
        default: return GL_FUNC_ADD;
    }
}

GLint AddressMode(DWORD mode) {
    switch (mode) {
        case D3DTADDRESS_MIRROR:
        case D3DTADDRESS_MIRRORONCE: return GL_MIRRORED_REPEAT;
        case D3DTADDRESS_CLAMP: return GL_CLAMP_TO_EDGE;
        case D3DTADDRESS_BORDER: return gl_profile::kBorderAddress;
        default: return GL_REPEAT;
    }
}

GLint MinFilter(DWORD min, DWORD mip) {
    const bool linear = min >= D3DTEXF_LINEAR;
    switch (mip) {
        case D3DTEXF_NONE: return linear ? GL_LINEAR : GL_NEAREST;
        case D3DTEXF_POINT: return linear ? GL_LINEAR_MIPMAP_NEAREST : GL_NEAREST_MIPMAP_NEAREST;
        default: return linear ? GL_LINEAR_MIPMAP_LINEAR : GL_NEAREST_MIPMAP_LINEAR;
    }
}

void ToColor(D3DCOLOR color, float out[4]) {
    out[0] = ((color >> 16) & 0xFF) / 255.0f;
    out[1] = ((color >> 8) & 0xFF) / 255.0f;
    out[2] = (color & 0xFF) / 255.0f;
    out[3] = (color >> 24) / 255.0f;
}

// Inverse of the upper 3 x 3 of `m`, or the matrix itself when it has none.
void Inverse3(const D3DMATRIX& m, float out[3][3]) {
    const float a = m.m[0][0], b = m.m[0][1], c = m.m[0][2];
    const float d = m.m[1][0], e = m.m[1][1], f = m.m[1][2];
    const float g = m.m[2][0], h = m.m[2][1], i = m.m[2][2];
    const float A = e * i - f * h, B = -(d * i - f * g), C = d * h - e * g;
    const float det = a * A + b * B + c * C;
    if (std::fabs(det) < 1e-30f) {
        for (int r = 0; r < 3; ++r)
            for (int k = 0; k < 3; ++k) out[r][k] = m.m[r][k];
        return;
    }
    const float s = 1.0f / det;
    out[0][0] = A * s;
    out[0][1] = -(b * i - c * h) * s;
    out[0][2] = (b * f - c * e) * s;
    out[1][0] = B * s;
    out[1][1] = (a * i - c * g) * s;
    out[1][2] = -(a * f - c * d) * s;
    out[2][0] = C * s;
    out[2][1] = -(a * h - b * g) * s;
    out[2][2] = (a * e - b * d) * s;
}

// What a draw with nothing to read returns: success for zero primitives, as Direct3D draws
// nothing then, and a refusal otherwise (an unknown primitive type or a missing input).
HRESULT RefuseEmptyDraw(UINT primitives, const char* kind, const char* message) {
    return primitives == 0 ? D3D_OK : Refuse(kind, message, D3DERR_INVALIDCALL);
}

HRESULT RefuseStoreGrowth() {
    return Refuse("buffer-grow", "GL could not grow a vertex buffer's store to what the draw reads",
                  D3DERR_OUTOFVIDEOMEMORY);
}

}  // namespace

// ---- GL state from render states ------------------------------------------------------------------

void Device::ApplyPipelineState() {
    GlStateCache& cache = core_->cache();
    const auto& rs = state_.renderStates;
    const bool depth = rs[D3DRS_ZENABLE] != D3DZB_FALSE && depthTarget_ != nullptr;
    cache.SetCapability(GL_DEPTH_TEST, depth);
    cache.SetDepthMask(depth && rs[D3DRS_ZWRITEENABLE] != FALSE);
    cache.SetDepthFunc(Comparison(rs[D3DRS_ZFUNC]));

    const bool blend = rs[D3DRS_ALPHABLENDENABLE] != FALSE;
    cache.SetCapability(GL_BLEND, blend);
    if (blend) {
        DWORD source = rs[D3DRS_SRCBLEND];
        DWORD destination = rs[D3DRS_DESTBLEND];
        // The two "both" factors set source and destination together.
        if (source == D3DBLEND_BOTHSRCALPHA) {
            source = D3DBLEND_SRCALPHA;
            destination = D3DBLEND_INVSRCALPHA;
        } else if (source == D3DBLEND_BOTHINVSRCALPHA) {
            source = D3DBLEND_INVSRCALPHA;
            destination = D3DBLEND_SRCALPHA;
        }
        cache.SetBlendFunc(BlendFactor(source), BlendFactor(destination));
        cache.SetBlendEquation(BlendEquation(rs[D3DRS_BLENDOP]));
    }

    // Rows are stored top first, which mirrors the picture vertically in GL's window
    // coordinates: a triangle clockwise on screen is counter-clockwise to GL.
    const DWORD cull = rs[D3DRS_CULLMODE];
    cache.SetCapability(GL_CULL_FACE, cull == D3DCULL_CW || cull == D3DCULL_CCW);
    if (cull == D3DCULL_CW) cache.SetCullFace(GL_FRONT);
    if (cull == D3DCULL_CCW) cache.SetCullFace(GL_BACK);

    const DWORD fill = rs[D3DRS_FILLMODE];
    cache.SetPolygonMode(fill == D3DFILL_POINT ? GL_POINT : fill == D3DFILL_WIREFRAME ? GL_LINE : GL_FILL);
    cache.SetColorMask(static_cast<uint8_t>(rs[D3DRS_COLORWRITEENABLE] & 0xF));
    cache.SetCapability(GL_SCISSOR_TEST, false);
    cache.SetViewport(static_cast<int>(viewport_.X), static_cast<int>(viewport_.Y),
                      static_cast<int>(viewport_.Width), static_cast<int>(viewport_.Height));
    cache.SetDepthRange(viewport_.MinZ, viewport_.MaxZ);

    if (rs[D3DRS_STENCILENABLE] != FALSE) Report("stencil", "the stencil test is not applied");
    if (rs[D3DRS_FOGENABLE] != FALSE) Report("fog", "fog is not drawn");
    if (rs[D3DRS_SPECULARENABLE] != FALSE) Report("specular", "specular highlights are not drawn");
    pipelineDirty_ = false;
}

// ---- Textures and samplers ----------------------------------------------------------------------------

GLuint Device::SamplerFor(int stage, bool mipmapped) {
    const auto& ss = state_.stageStates[stage];
    const DWORD mip = mipmapped ? ss[D3DTSS_MIPFILTER] : D3DTEXF_NONE;
    const uint32_t key = (ss[D3DTSS_MAGFILTER] & 7) | (ss[D3DTSS_MINFILTER] & 7) << 3 |
                         (mip & 7) << 6 | (ss[D3DTSS_ADDRESSU] & 7) << 9 |
                         (ss[D3DTSS_ADDRESSV] & 7) << 12 | (ss[D3DTSS_ADDRESSW] & 7) << 15;
    GLuint& sampler = samplers_[key];
    if (sampler != 0) return sampler;
    glGenSamplers(1, &sampler);
    glSamplerParameteri(sampler, GL_TEXTURE_MAG_FILTER,
                        ss[D3DTSS_MAGFILTER] >= D3DTEXF_LINEAR ? GL_LINEAR : GL_NEAREST);
    glSamplerParameteri(sampler, GL_TEXTURE_MIN_FILTER, MinFilter(ss[D3DTSS_MINFILTER], mip));
    glSamplerParameteri(sampler, GL_TEXTURE_WRAP_S, AddressMode(ss[D3DTSS_ADDRESSU]));
    glSamplerParameteri(sampler, GL_TEXTURE_WRAP_T, AddressMode(ss[D3DTSS_ADDRESSV]));
    glSamplerParameteri(sampler, GL_TEXTURE_WRAP_R, AddressMode(ss[D3DTSS_ADDRESSW]));
    return sampler;
}

void Device::BindTextures(std::array<TextureKind, kDrawnStageCount>& kinds) {
    GlStateCache& cache = core_->cache();
    for (int stage = 0; stage < kDrawnStageCount; ++stage) {
        TextureStorage* storage = textures_[stage] != nullptr ? StorageOf(textures_[stage]) : nullptr;
        if (storage == nullptr) {
            kinds[stage] = TextureKind::None;
            continue;
        }
        if (renderTarget_->image().storage == storage) {
            Report("feedback", "a texture is drawn into while it is also being read");
        }
        kinds[stage] = storage->target() == GL_TEXTURE_CUBE_MAP ? TextureKind::Cube : TextureKind::Flat;
        cache.BindTexture(stage, storage->target(), storage->texture());
        cache.BindSampler(stage, SamplerFor(stage, storage->levels() > 1));
    }
}

// ---- Program and uniforms -------------------------------------------------------------------------------

bool Device::ApplyProgram() {
    std::array<TextureKind, kDrawnStageCount> kinds{};
    BindTextures(kinds);
    if (kinds != boundKinds_) {
        boundKinds_ = kinds;
        keyDirty_ = true;
    }
    if (keyDirty_ || program_ == nullptr) {
        int lights = 0;
        for (const LightSlot& slot : state_.lights) {
            lights += slot.enabled && slot.light.Type == D3DLIGHT_DIRECTIONAL;
        }
        program_ = programs_.Find(BuildFixedFunctionKey(state_, layout_, kinds, lights));
        keyDirty_ = false;
        if (program_ == nullptr) return false;
    }
    core_->cache().UseProgram(program_->id);
    UploadUniforms(*program_);
    return true;
}

void Device::UpdateDerivedTransforms() {
    if (derivedVersion_ == versions_.transforms) return;
    derivedVersion_ = versions_.transforms;
    worldView_ = MatrixMultiply(state_.world, state_.view);
    // Normals go through the inverse transpose; as a row-vector matrix read column-major by GL
    // that is the inverse itself, stored transposed.
    float inverse[3][3];
    Inverse3(worldView_, inverse);
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c) normalMatrix_[c * 3 + r] = inverse[r][c];
    }
}

void Device::UploadUniforms(Program& program) {
    UniformVersions& seen = program.uploaded;
    if (seen.transforms != versions_.transforms) {
        UpdateDerivedTransforms();
        seen.transforms = versions_.transforms;
        // Row-vector matrices uploaded untransposed are their column-vector equivalents.
        if (program.worldView >= 0) glUniformMatrix4fv(program.worldView, 1, GL_FALSE, &worldView_.m[0][0]);
        if (program.projection >= 0) {
            glUniformMatrix4fv(program.projection, 1, GL_FALSE, &state_.projection.m[0][0]);
        }
        if (program.normalMatrix >= 0) glUniformMatrix3fv(program.normalMatrix, 1, GL_FALSE, normalMatrix_);
    }
    if (seen.viewport != versions_.viewport) {
        seen.viewport = versions_.viewport;
        if (program.viewport >= 0) {
            glUniform4f(program.viewport, static_cast<float>(viewport_.X), static_cast<float>(viewport_.Y),
                        static_cast<float>(viewport_.Width), static_cast<float>(viewport_.Height));
        }
    }
    if (seen.textureMatrices != versions_.textureMatrices) {
        seen.textureMatrices = versions_.textureMatrices;
        for (int s = 0; s < kDrawnStageCount; ++s) {
            if (program.textureMatrix[s] >= 0) {
                glUniformMatrix4fv(program.textureMatrix[s], 1, GL_FALSE,
                                   &state_.textureTransforms[s].m[0][0]);
            }
        }
    }
    if (seen.factors != versions_.factors) {
        seen.factors = versions_.factors;
        float factor[4];
        ToColor(state_.renderStates[D3DRS_TEXTUREFACTOR], factor);
        if (program.textureFactor >= 0) glUniform4fv(program.textureFactor, 1, factor);
        if (program.alphaReference >= 0) {
            glUniform1f(program.alphaReference, static_cast<float>(state_.renderStates[D3DRS_ALPHAREF] & 0xFF));
        }
    }
    // Programs that light always read the ambient sum; the others skip the whole group.
    if (seen.lighting != versions_.lighting && program.ambientLight >= 0) {
        seen.lighting = versions_.lighting;
        const D3DMATERIAL8& material = state_.material;
        if (program.materialDiffuse >= 0) glUniform4fv(program.materialDiffuse, 1, &material.Diffuse.r);
        if (program.materialAmbient >= 0) glUniform4fv(program.materialAmbient, 1, &material.Ambient.r);
        if (program.materialEmissive >= 0) glUniform4fv(program.materialEmissive, 1, &material.Emissive.r);
        float ambient[4];
        ToColor(state_.renderStates[D3DRS_AMBIENT], ambient);
        float directions[kLightCount * 3];
        float diffuse[kLightCount * 3];
        int count = 0;
        for (const LightSlot& slot : state_.lights) {
            if (!slot.enabled) continue;
            const D3DLIGHT8& light = slot.light;
            ambient[0] += light.Ambient.r;
            ambient[1] += light.Ambient.g;
            ambient[2] += light.Ambient.b;
            if (light.Type != D3DLIGHT_DIRECTIONAL) continue;
            // Towards the light, in camera space.
            const D3DVECTOR& d = light.Direction;
            const D3DMATRIX& v = state_.view;
            float x = -(d.x * v.m[0][0] + d.y * v.m[1][0] + d.z * v.m[2][0]);
            float y = -(d.x * v.m[0][1] + d.y * v.m[1][1] + d.z * v.m[2][1]);
            float z = -(d.x * v.m[0][2] + d.y * v.m[1][2] + d.z * v.m[2][2]);
            const float length = std::sqrt(x * x + y * y + z * z);
            if (length > 0.0f) {
                x /= length;
                y /= length;
                z /= length;
            }
            directions[count * 3 + 0] = x;
            directions[count * 3 + 1] = y;
            directions[count * 3 + 2] = z;
            diffuse[count * 3 + 0] = light.Diffuse.r;
            diffuse[count * 3 + 1] = light.Diffuse.g;
            diffuse[count * 3 + 2] = light.Diffuse.b;
            ++count;
        }
        glUniform3fv(program.ambientLight, 1, ambient);
        if (count > 0 && program.lightDirection >= 0) {
            glUniform3fv(program.lightDirection, count, directions);
            glUniform3fv(program.lightDiffuse, count, diffuse);
        }
    }
}

// ---- Vertices ----------------------------------------------------------------------------------------------

void Device::BindVertices(const VertexSource& source) {
    GlStateCache& cache = core_->cache();
    const bool made = core_->vertexArrays().Bind(
        cache, {.buffer = source.buffer, .fvf = state_.vertexFormat, .stride = source.stride,
                .firstByte = source.firstByte});
    if (!made) return;
    cache.BindArrayBuffer(source.buffer);
    const auto stride = static_cast<GLsizei>(source.stride);
    auto at = [&source](int offset) {
        return reinterpret_cast<const void*>(static_cast<uintptr_t>(source.firstByte + offset));
    };
    auto floats = [&](GLuint location, int size, int offset) {
        glVertexAttribPointer(location, size, GL_FLOAT, GL_FALSE, stride, at(offset));
        glEnableVertexAttribArray(location);
    };
    auto color = [&](GLuint location, int offset) {
        // D3DCOLOR is B, G, R, A in memory.
        gl_profile::ColorAttributePointer(location, stride, at(offset));
        glEnableVertexAttribArray(location);
    };
    floats(kPositionAttribute, layout_.transformed ? 4 : 3, layout_.position);
    if (layout_.normal >= 0) floats(kNormalAttribute, 3, layout_.normal);
    if (layout_.diffuse >= 0) color(kDiffuseAttribute, layout_.diffuse);
    if (layout_.specular >= 0) color(kSpecularAttribute, layout_.specular);
    for (int set = 0; set < layout_.texCoordCount; ++set) {
        floats(static_cast<GLuint>(kTexCoordAttribute0 + set), layout_.texCoordSize[set], layout_.texCoord[set]);
    }
}

bool Device::PrepareDraw(const VertexSource& source) {
    if (!core_->Use()) return false;
    if (state_.vertexFormat == 0) {
        return Refuse("no-format", "draw without a vertex format: call SetVertexShader first", false);
    }
    if (source.stride < static_cast<UINT>(layout_.stride)) {
        return Refuse("stride", "vertex stride " + std::to_string(source.stride) +
                                    " is smaller than the vertex format's " + std::to_string(layout_.stride) +
                                    " bytes", false);
    }
    GlStateCache& cache = core_->cache();
    cache.BindFramebuffer(drawFramebuffer_);
    if (pipelineDirty_) ApplyPipelineState();
    if (!ApplyProgram()) return false;
    BindVertices(source);
    if (drawObserver_) drawObserver_();
    return true;
}

// ---- Draws ------------------------------------------------------------------------------------------------

HRESULT Device::DrawPrimitive(D3DPRIMITIVETYPE type, UINT startVertex, UINT primitives) {
    const UINT count = VertexCountFor(type, primitives);
    if (count == 0) return RefuseEmptyDraw(primitives, "primitive-type", "unknown primitive type");
    if (stream_ == nullptr) {
        return Refuse("no-stream", "DrawPrimitive without a vertex buffer on stream 0", D3DERR_INVALIDCALL);
    }
    const VertexSource source{stream_->storage().buffer(), streamStride_,
                              streamStride_ > 0 ? stream_->storage().length() / streamStride_ : 0,
                              &stream_->storage()};
    if (startVertex > source.availableVertices || count > source.availableVertices - startVertex) {
        return Refuse("draw-range", "DrawPrimitive reads past the end of the vertex buffer", D3DERR_INVALIDCALL);
    }
    if (!source.storage->Cover(size_t{startVertex + count} * streamStride_))
        return RefuseStoreGrowth();
    if (!PrepareDraw(source)) return D3DERR_INVALIDCALL;
    glDrawArrays(PrimitiveMode(type), static_cast<GLint>(startVertex), static_cast<GLsizei>(count));
    return D3D_OK;
}

HRESULT Device::DrawPrimitiveUP(D3DPRIMITIVETYPE type, UINT primitives, const void* vertices,
                                UINT stride) {
    const UINT count = VertexCountFor(type, primitives);
    if (count == 0 || vertices == nullptr) {
        return RefuseEmptyDraw(primitives, "draw-up",
                               "DrawPrimitiveUP needs a primitive type and vertices");
    }
    if (!core_->Use()) return D3DERR_DEVICELOST;
    // Direct3D unsets stream 0 after a draw from caller memory.
    ReplaceReference(stream_, static_cast<VertexBuffer*>(nullptr));
    ReplaceReference(indices_, static_cast<IndexBuffer*>(nullptr));
    const VertexSource source{userVertices_, stride, count};
    if (stride < static_cast<UINT>(layout_.stride)) {
        return Refuse("stride", "vertex stride is smaller than the vertex format", D3DERR_INVALIDCALL);
    }
    core_->cache().BindArrayBuffer(userVertices_);
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(count) * stride, vertices, GL_STREAM_DRAW);
    if (!PrepareDraw(source)) return D3DERR_INVALIDCALL;
    glDrawArrays(PrimitiveMode(type), 0, static_cast<GLsizei>(count));
    return D3D_OK;
}

HRESULT Device::DrawIndexedPrimitive(D3DPRIMITIVETYPE type, UINT, UINT, UINT startIndex,
                                     UINT primitives) {
    if (stream_ == nullptr || indices_ == nullptr) {
        return Refuse("no-indices", "DrawIndexedPrimitive needs a vertex buffer on stream 0 and indices",
                      D3DERR_INVALIDCALL);
    }
    const BufferStorage& indexStorage = indices_->storage();
    const VertexSource source{stream_->storage().buffer(), streamStride_,
                              streamStride_ > 0 ? stream_->storage().length() / streamStride_ : 0,
                              &stream_->storage()};
    return DrawIndexed(
        type, primitives, source,
        {indexStorage.buffer(), indexStorage.length(), indices_->wide(), indices_->highestIndex()},
        startIndex, static_cast<INT>(baseVertex_));
}

HRESULT Device::DrawIndexedPrimitiveUP(D3DPRIMITIVETYPE type, UINT minIndex, UINT vertexCount,
                                       UINT primitives, const void* indices, D3DFORMAT indexFormat,
                                       const void* vertices, UINT stride) {
    const UINT count = VertexCountFor(type, primitives);
    if (count == 0 || indices == nullptr || vertices == nullptr ||
        (indexFormat != D3DFMT_INDEX16 && indexFormat != D3DFMT_INDEX32)) {
        return RefuseEmptyDraw(
            primitives, "draw-indexed-up",
            "DrawIndexedPrimitiveUP needs a primitive type, indices of INDEX16 or "
            "INDEX32 and vertices");
    }
    if (vertexCount > std::numeric_limits<UINT>::max() - minIndex) {
        return Refuse("draw-indexed-up-range",
                      "DrawIndexedPrimitiveUP names vertices past the largest index",
                      D3DERR_INVALIDCALL);
    }
    if (!core_->Use()) return D3DERR_DEVICELOST;
    ReplaceReference(stream_, static_cast<VertexBuffer*>(nullptr));
    ReplaceReference(indices_, static_cast<IndexBuffer*>(nullptr));
    const bool wide = indexFormat == D3DFMT_INDEX32;
    const size_t indexBytes = static_cast<size_t>(count) * (wide ? 4 : 2);
    const UINT available = minIndex + vertexCount;
    core_->cache().BindArrayBuffer(userVertices_);
    // Only the vertices the call names are read: a draw of part of a large pool sends its part,
    // at the place the indices expect it.
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(available) * stride, nullptr, GL_STREAM_DRAW);
    glBufferSubData(GL_ARRAY_BUFFER, static_cast<GLintptr>(minIndex) * stride,
                    static_cast<GLsizeiptr>(vertexCount) * stride,
                    static_cast<const uint8_t*>(vertices) + static_cast<size_t>(minIndex) * stride);
    // Not through GL_ELEMENT_ARRAY_BUFFER: that binding belongs to whichever vertex array is bound.
    glBindBuffer(GL_COPY_WRITE_BUFFER, userIndices_);
    glBufferData(GL_COPY_WRITE_BUFFER, static_cast<GLsizeiptr>(indexBytes), indices, GL_STREAM_DRAW);
    // Caller memory is read once per draw anyway, so its indices are checked here.
    const uint32_t highest = HighestIndex(static_cast<const uint8_t*>(indices), count, wide);
    return DrawIndexed(type, primitives, {userVertices_, stride, available},
                       {userIndices_, indexBytes, wide, highest}, 0, 0);
}

HRESULT Device::DrawIndexed(D3DPRIMITIVETYPE type, UINT primitives, const VertexSource& vertices,
                            const IndexSource& indices, UINT startIndex, INT baseVertex) {
    const UINT count = VertexCountFor(type, primitives);
    if (count == 0) return RefuseEmptyDraw(primitives, "primitive-type", "unknown primitive type");
    const size_t indexSize = indices.wide ? 4 : 2;
    if (startIndex > indices.length / indexSize ||
        count > indices.length / indexSize - startIndex) {
        return Refuse("index-range", "an indexed draw reads past the end of the index buffer", D3DERR_INVALIDCALL);
    }
    // Every index must name a vertex the buffer holds: GL does not check.
    if (static_cast<uint64_t>(indices.highest) + static_cast<uint64_t>(baseVertex) >=
        vertices.availableVertices) {
        return Refuse("index-value", "an index names a vertex past the end of the vertex buffer",
                      D3DERR_INVALIDCALL);
    }
    if (vertices.storage != nullptr &&
        !vertices.storage->Cover((static_cast<size_t>(indices.highest) + baseVertex + 1) *
                                 vertices.stride)) {
        return RefuseStoreGrowth();
    }
    // Without base-vertex draws the attributes start that many vertices later instead.
    VertexSource drawn = vertices;
    if (!gl_profile::kBaseVertexDraws) {
        drawn.firstByte = static_cast<size_t>(baseVertex) * vertices.stride;
        baseVertex = 0;
    }
    if (!PrepareDraw(drawn)) return D3DERR_INVALIDCALL;
    core_->vertexArrays().BindIndices(indices.buffer);
    gl_profile::DrawElements(PrimitiveMode(type), static_cast<GLsizei>(count),
                             indices.wide ? GL_UNSIGNED_INT : GL_UNSIGNED_SHORT,
                             reinterpret_cast<const void*>(startIndex * indexSize), baseVertex);
    return D3D_OK;
}

}  // namespace tavrin::d3d
