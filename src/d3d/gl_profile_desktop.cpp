// OpenGL 3.3 core: the layer's own GL, used as it is.
#include <cstdlib>
#include <memory>

#include "d3d/gl_core.h"
#include "d3d/gl_profile.h"

namespace tavrin::d3d::gl_profile {

bool ContextSupported() {
    return epoxy_gl_version() >= 33 && epoxy_is_desktop_gl() != 0;
}

const char* RequiredContext() {
    return "the GL context is older than OpenGL 3.3";
}

const char* ShaderHeader() {
    return "#version 330 core\n";
}

std::string ColorAttributeDeclaration(int location, const char* name) {
    return "layout(location = " + std::to_string(location) + ") in vec4 " + name + ";\n";
}

void ColorAttributePointer(GLuint location, GLsizei stride, const void* offset) {
    // A size of GL_BGRA reads the bytes B, G, R, A into r, g, b, a.
    glVertexAttribPointer(location, GL_BGRA, GL_UNSIGNED_BYTE, GL_TRUE, stride, offset);
}

void MarkIndexBuffer(GLuint) {}

void UseFirstVertexForFlatShading() {
    glProvokingVertex(GL_FIRST_VERTEX_CONVENTION);
}

void SetPolygonMode(GLenum mode) {
    glPolygonMode(GL_FRONT_AND_BACK, mode);
}

void SetDepthRange(float nearZ, float farZ) {
    glDepthRange(nearZ, farZ);
}

void SetClearDepth(float depth) {
    glClearDepth(depth);
}

void DrawElements(GLenum mode, GLsizei count, GLenum type, const void* offset, GLint baseVertex) {
    glDrawElementsBaseVertex(mode, count, type, offset, baseVertex);
}

void SetTextureSwizzle(GLenum target, const TextureFormat& gl) {
    glTexParameteriv(target, GL_TEXTURE_SWIZZLE_RGBA, gl.swizzle);
}

void DefineImage(GLenum target, GLuint texture, GLint level, D3DFORMAT, const TextureFormat& gl,
                 int width, int height) {
    if (target == GL_TEXTURE_2D &&
        (epoxy_gl_version() >= 44 || epoxy_has_gl_extension("GL_ARB_clear_texture"))) {
        // Cleared in place: copying a level's worth of zeros in costs the driver more than the
        // level's own allocation. (A cube's face cannot be cleared before all six are defined.)
        glTexImage2D(target, level, static_cast<GLint>(gl.internalFormat), width, height, 0,
                     gl.format, gl.type, nullptr);
        glClearTexImage(texture, level, gl.format, gl.type, nullptr);
        return;
    }
    // From calloc, a large level's zeros are fresh pages the system zeroed already, not a
    // megabyte written first; without them the level is defined with undefined contents.
    const std::unique_ptr<void, decltype(&std::free)> zeros(
        std::calloc(static_cast<size_t>(width) * height, gl.bytesPerTexel), &std::free);
    glTexImage2D(target, level, static_cast<GLint>(gl.internalFormat), width, height, 0, gl.format,
                 gl.type, zeros.get());
}

void UploadImage(GLenum target, GLint level, D3DFORMAT, const TextureFormat& gl, int x, int y,
                 int width, int height, const uint8_t* first, int rowTexels) {
    glPixelStorei(GL_UNPACK_ROW_LENGTH, rowTexels);
    glTexSubImage2D(target, level, x, y, width, height, gl.format, gl.type, first);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
}

void DownloadImage(GlCore&, GLenum imageTarget, GLuint, GLint level, D3DFORMAT,
                   const TextureFormat& gl, int, int, uint8_t* texels) {
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(imageTarget, level, gl.format, gl.type, texels);
}

void ReadPixelsBgra(int width, int height, void* pixels, int) {
    glReadPixels(0, 0, width, height, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, pixels);
}

const uint8_t* ReadPackBuffer(size_t bytes, std::vector<uint8_t>&) {
    return static_cast<const uint8_t*>(
        glMapBufferRange(GL_PIXEL_PACK_BUFFER, 0, static_cast<GLsizeiptr>(bytes), GL_MAP_READ_BIT));
}

void ReleasePackBuffer() {
    glUnmapBuffer(GL_PIXEL_PACK_BUFFER);
}

uint8_t* MapLockedRange(size_t offset, size_t size, bool readOnly, bool discard) {
    const GLbitfield access = readOnly  ? GL_MAP_READ_BIT
                              : discard ? GL_MAP_WRITE_BIT | GL_MAP_INVALIDATE_RANGE_BIT
                                        : GL_MAP_READ_BIT | GL_MAP_WRITE_BIT;
    return static_cast<uint8_t*>(glMapBufferRange(GL_COPY_WRITE_BUFFER,
                                                  static_cast<GLintptr>(offset),
                                                  static_cast<GLsizeiptr>(size), access));
}

bool UnmapLockedRange() {
    return glUnmapBuffer(GL_COPY_WRITE_BUFFER) == GL_TRUE;
}

}  // namespace tavrin::d3d::gl_profile
