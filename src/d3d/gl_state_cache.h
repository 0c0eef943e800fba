#pragma once

#include "d3d/gl_api.h"

#include <array>
#include <cstdint>

namespace tavrin::d3d {

// The GL state the device layer sets, remembered so that setting a value GL already has costs
// no GL call. Everything the layer changes in GL goes through here.
class GlStateCache {
public:
    static constexpr int kTextureUnits = 2;

    void SetCapability(GLenum capability, bool enabled);  // GL_DEPTH_TEST, GL_BLEND, ...
    void SetDepthMask(bool write);
    void SetDepthFunc(GLenum func);
    void SetBlendFunc(GLenum source, GLenum destination);
    void SetBlendEquation(GLenum equation);
    void SetCullFace(GLenum face);
    void SetPolygonMode(GLenum mode);
    void SetColorMask(uint8_t mask);  // bit 0 red .. bit 3 alpha
    void SetViewport(int x, int y, int width, int height);
    void SetScissor(int x, int y, int width, int height);
    void SetDepthRange(float nearZ, float farZ);

    void UseProgram(GLuint program);
    void BindVertexArray(GLuint vertexArray);
    void BindArrayBuffer(GLuint buffer);
    void BindFramebuffer(GLuint framebuffer);
    void BindTexture(int unit, GLenum target, GLuint texture);
    void BindSampler(int unit, GLuint sampler);

    // Forgets a deleted object so a later one with the same name is bound again.
    void ForgetBuffer(GLuint buffer);
    void ForgetTexture(GLuint texture);
    void ForgetFramebuffer(GLuint framebuffer);
    void ForgetProgram(GLuint program);
    void ForgetVertexArray(GLuint vertexArray);

    GLuint vertexArray() const { return vertexArray_; }

    // GL calls made through the cache so far (redundant settings are not made and not counted).
    uint64_t callCount() const { return calls_; }

private:
    void ActiveUnit(int unit);

    struct Capability {
        GLenum name;
        bool enabled;
    };
    std::array<Capability, 5> capabilities_{{{GL_DEPTH_TEST, false},
                                             {GL_BLEND, false},
                                             {GL_CULL_FACE, false},
                                             {GL_SCISSOR_TEST, false},
                                             {GL_STENCIL_TEST, false}}};
    bool depthMask_ = true;
    GLenum depthFunc_ = GL_LESS;
    GLenum blendSource_ = GL_ONE;
    GLenum blendDestination_ = GL_ZERO;
    GLenum blendEquation_ = GL_FUNC_ADD;
    GLenum cullFace_ = GL_BACK;
    GLenum polygonMode_ = GL_FILL;
    uint8_t colorMask_ = 0xF;
    std::array<int, 4> viewport_{-1, -1, -1, -1};
    std::array<int, 4> scissor_{-1, -1, -1, -1};
    std::array<float, 2> depthRange_{0.0f, 1.0f};
    GLuint program_ = 0;
    GLuint vertexArray_ = 0;
    GLuint arrayBuffer_ = 0;
    GLuint framebuffer_ = 0;
    int activeUnit_ = 0;
    std::array<GLuint, kTextureUnits> textures2d_{};
    std::array<GLuint, kTextureUnits> texturesCube_{};
    std::array<GLuint, kTextureUnits> samplers_{};
    uint64_t calls_ = 0;
};

}  // namespace tavrin::d3d
