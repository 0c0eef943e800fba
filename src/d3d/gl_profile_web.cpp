// OpenGL ES 3.0 as WebGL2 offers it: no BGRA or packed reversed texel types, no texture swizzle,
// no reading a texture image or mapping a buffer for reading, no base-vertex draws, no polygon
// mode and no choice of provoking vertex. Textures are stored as RGBA bytes, converted on the
// way in and out.
#include <cstring>

#include "d3d/gl_core.h"
#include "d3d/gl_profile.h"
#include "d3d/texel_convert.h"

namespace tavrin::d3d::gl_profile {

namespace {

// B, G, R, A bytes to R, G, B, A and back: the same swap both ways.
void SwapRedAndBlue(uint8_t* texels, size_t count) {
    for (size_t i = 0; i < count; ++i) std::swap(texels[i * 4], texels[i * 4 + 2]);
}

// One row of Direct3D texels as RGBA bytes; formats without alpha come out opaque.
void RowToRgba(D3DFORMAT format, const uint8_t* row, int width, std::vector<uint32_t>& rgba) {
    rgba.resize(static_cast<size_t>(width));
    ConvertRowToArgb(format, row, width, rgba.data());
    // A8R8G8B8 in memory is B, G, R, A on a little-endian machine, as wasm is.
    SwapRedAndBlue(reinterpret_cast<uint8_t*>(rgba.data()), rgba.size());
}

}  // namespace

bool ContextSupported() {
    const auto* version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
    return version != nullptr && std::strncmp(version, "OpenGL ES 3", 11) == 0;
}

const char* RequiredContext() {
    return "the GL context is not OpenGL ES 3 (WebGL2)";
}

const char* ShaderHeader() {
    return "#version 300 es\n"
           "precision highp float;\nprecision highp int;\n"
           "precision highp sampler2D;\nprecision highp samplerCube;\n";
}

std::string ColorAttributeDeclaration(int location, const char* name) {
    // The bytes arrive as B, G, R, A; the shader reads them swapped back under the usual name.
    const std::string raw = std::string(name) + "Bgra";
    return "layout(location = " + std::to_string(location) + ") in vec4 " + raw + ";\n#define " +
           name + " " + raw + ".bgra\n";
}

void ColorAttributePointer(GLuint location, GLsizei stride, const void* offset) {
    glVertexAttribPointer(location, 4, GL_UNSIGNED_BYTE, GL_TRUE, stride, offset);
}

void MarkIndexBuffer(GLuint buffer) {
    GLint previous = 0;
    glGetIntegerv(GL_ELEMENT_ARRAY_BUFFER_BINDING, &previous);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, buffer);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, static_cast<GLuint>(previous));
}

void UseFirstVertexForFlatShading() {}

void SetPolygonMode(GLenum) {}

void SetDepthRange(float nearZ, float farZ) {
    glDepthRangef(nearZ, farZ);
}

void SetClearDepth(float depth) {
    glClearDepthf(depth);
}

void DrawElements(GLenum mode, GLsizei count, GLenum type, const void* offset, GLint) {
    glDrawElements(mode, count, type, offset);
}

void SetTextureSwizzle(GLenum, const TextureFormat&) {}

void DefineImage(GLenum target, GLuint, GLint level, D3DFORMAT, const TextureFormat&, int width,
                 int height) {
    // WebGL fills a level defined without data with zeros itself.
    glTexImage2D(target, level, GL_RGBA8, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
}

void UploadImage(GLenum target, GLint level, D3DFORMAT format, const TextureFormat& gl, int x,
                 int y, int width, int height, const uint8_t* first, int rowTexels) {
    std::vector<uint32_t> rgba(static_cast<size_t>(width) * height);
    std::vector<uint32_t> row;
    const size_t rowBytes = static_cast<size_t>(rowTexels) * gl.bytesPerTexel;
    for (int r = 0; r < height; ++r) {
        RowToRgba(format, first + r * rowBytes, width, row);
        std::copy(row.begin(), row.end(), rgba.begin() + static_cast<ptrdiff_t>(r) * width);
    }
    glTexSubImage2D(target, level, x, y, width, height, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
}

void DownloadImage(GlCore& core, GLenum imageTarget, GLuint texture, GLint level, D3DFORMAT format,
                   const TextureFormat& gl, int width, int height, uint8_t* texels) {
    std::vector<uint32_t> argb(static_cast<size_t>(width) * height);
    core.ReadTextureImage(imageTarget, texture, level, width, height, argb.data(), width * 4);
    const size_t rowBytes = static_cast<size_t>(width) * gl.bytesPerTexel;
    for (int r = 0; r < height; ++r) {
        ConvertRowFromArgb(format, argb.data() + static_cast<size_t>(r) * width, width,
                           texels + r * rowBytes);
    }
}

void ReadPixelsBgra(int width, int height, void* pixels, int pitch) {
    glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, pixels);
    if (pixels == nullptr) return;  // into a pack buffer: swapped when it is read
    for (int r = 0; r < height; ++r) {
        SwapRedAndBlue(static_cast<uint8_t*>(pixels) + static_cast<ptrdiff_t>(r) * pitch,
                       static_cast<size_t>(width));
    }
}

const uint8_t* ReadPackBuffer(size_t bytes, std::vector<uint8_t>& scratch) {
    scratch.resize(bytes);
    glGetBufferSubData(GL_PIXEL_PACK_BUFFER, 0, static_cast<GLsizeiptr>(bytes), scratch.data());
    if (glGetError() != GL_NO_ERROR) return nullptr;
    SwapRedAndBlue(scratch.data(), bytes / 4);
    return scratch.data();
}

void ReleasePackBuffer() {}

// Never called (kMapsBuffers is false): WebGL2 cannot map buffers.
uint8_t* MapLockedRange(size_t, size_t, bool, bool) {
    return nullptr;
}

bool UnmapLockedRange() {
    return true;
}

}  // namespace tavrin::d3d::gl_profile
