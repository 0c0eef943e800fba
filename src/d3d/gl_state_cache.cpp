#include "d3d/gl_state_cache.h"

#include "d3d/gl_profile.h"

namespace tavrin::d3d {

void GlStateCache::SetCapability(GLenum capability, bool enabled) {
    for (Capability& entry : capabilities_) {
        if (entry.name != capability) continue;
        if (entry.enabled == enabled) return;
        entry.enabled = enabled;
        break;
    }
    if (enabled) {
        glEnable(capability);
    } else {
        glDisable(capability);
    }
    ++calls_;
}

void GlStateCache::SetDepthMask(bool write) {
    if (depthMask_ == write) return;
    depthMask_ = write;
    glDepthMask(write ? GL_TRUE : GL_FALSE);
    ++calls_;
}

void GlStateCache::SetDepthFunc(GLenum func) {
    if (depthFunc_ == func) return;
    depthFunc_ = func;
    glDepthFunc(func);
    ++calls_;
}

void GlStateCache::SetBlendFunc(GLenum source, GLenum destination) {
    if (blendSource_ == source && blendDestination_ == destination) return;
    blendSource_ = source;
    blendDestination_ = destination;
    glBlendFunc(source, destination);
    ++calls_;
}

void GlStateCache::SetBlendEquation(GLenum equation) {
    if (blendEquation_ == equation) return;
    blendEquation_ = equation;
    glBlendEquation(equation);
    ++calls_;
}

void GlStateCache::SetCullFace(GLenum face) {
    if (cullFace_ == face) return;
    cullFace_ = face;
    glCullFace(face);
    ++calls_;
}

void GlStateCache::SetPolygonMode(GLenum mode) {
    if (polygonMode_ == mode) return;
    polygonMode_ = mode;
    gl_profile::SetPolygonMode(mode);
    ++calls_;
}

void GlStateCache::SetColorMask(uint8_t mask) {
    if (colorMask_ == mask) return;
    colorMask_ = mask;
    glColorMask((mask & 1) != 0, (mask & 2) != 0, (mask & 4) != 0, (mask & 8) != 0);
    ++calls_;
}

void GlStateCache::SetViewport(int x, int y, int width, int height) {
    const std::array<int, 4> value{x, y, width, height};
    if (viewport_ == value) return;
    viewport_ = value;
    glViewport(x, y, width, height);
    ++calls_;
}

void GlStateCache::SetScissor(int x, int y, int width, int height) {
    const std::array<int, 4> value{x, y, width, height};
    if (scissor_ == value) return;
    scissor_ = value;
    glScissor(x, y, width, height);
    ++calls_;
}

void GlStateCache::SetDepthRange(float nearZ, float farZ) {
    const std::array<float, 2> value{nearZ, farZ};
    if (depthRange_ == value) return;
    depthRange_ = value;
    gl_profile::SetDepthRange(nearZ, farZ);
    ++calls_;
}

void GlStateCache::UseProgram(GLuint program) {
    if (program_ == program) return;
    program_ = program;
    glUseProgram(program);
    ++calls_;
}

void GlStateCache::BindVertexArray(GLuint vertexArray) {
    if (vertexArray_ == vertexArray) return;
    vertexArray_ = vertexArray;
    glBindVertexArray(vertexArray);
    ++calls_;
}

void GlStateCache::BindArrayBuffer(GLuint buffer) {
    if (arrayBuffer_ == buffer) return;
    arrayBuffer_ = buffer;
    glBindBuffer(GL_ARRAY_BUFFER, buffer);
    ++calls_;
}

void GlStateCache::BindFramebuffer(GLuint framebuffer) {
    if (framebuffer_ == framebuffer) return;
    framebuffer_ = framebuffer;
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    ++calls_;
}

void GlStateCache::ActiveUnit(int unit) {
    if (activeUnit_ == unit) return;
    activeUnit_ = unit;
    glActiveTexture(GL_TEXTURE0 + static_cast<GLenum>(unit));
    ++calls_;
}

void GlStateCache::BindTexture(int unit, GLenum target, GLuint texture) {
    auto& slot = target == GL_TEXTURE_CUBE_MAP ? texturesCube_[unit] : textures2d_[unit];
    if (slot == texture) return;
    slot = texture;
    ActiveUnit(unit);
    glBindTexture(target, texture);
    ++calls_;
}

void GlStateCache::BindSampler(int unit, GLuint sampler) {
    if (samplers_[unit] == sampler) return;
    samplers_[unit] = sampler;
    glBindSampler(static_cast<GLuint>(unit), sampler);
    ++calls_;
}

void GlStateCache::ForgetBuffer(GLuint buffer) {
    if (arrayBuffer_ == buffer) arrayBuffer_ = 0;
}

void GlStateCache::ForgetVertexArray(GLuint vertexArray) {
    if (vertexArray_ == vertexArray) vertexArray_ = 0;
}

void GlStateCache::ForgetTexture(GLuint texture) {
    for (int unit = 0; unit < kTextureUnits; ++unit) {
        if (textures2d_[unit] == texture) textures2d_[unit] = 0;
        if (texturesCube_[unit] == texture) texturesCube_[unit] = 0;
    }
}

void GlStateCache::ForgetFramebuffer(GLuint framebuffer) {
    if (framebuffer_ == framebuffer) framebuffer_ = 0;
}

void GlStateCache::ForgetProgram(GLuint program) {
    if (program_ == program) program_ = 0;
}

}  // namespace tavrin::d3d
