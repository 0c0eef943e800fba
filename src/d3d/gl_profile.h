// Everything the device layer does differently on OpenGL 3.3 core (the desktop) and on OpenGL ES
// 3.0 (WebGL2, the browser build). One implementation is compiled per build:
// gl_profile_desktop.cpp or gl_profile_web.cpp. The rest of the layer calls these and stays the
// same on both.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "d3d/d3dtypes.h"
#include "d3d/gl_api.h"
#include "d3d/texture_format.h"

namespace tavrin::d3d {

class GlCore;

namespace gl_profile {

#ifdef __EMSCRIPTEN__
// ES draws have no base vertex: the vertex attributes are offset by it instead.
inline constexpr bool kBaseVertexDraws = false;
// ES has no border colour: border addressing clamps to the edge.
inline constexpr GLint kBorderAddress = GL_CLAMP_TO_EDGE;
// WebGL2 cannot map buffers: locks fill a scratch instead.
inline constexpr bool kMapsBuffers = false;
#else
inline constexpr bool kBaseVertexDraws = true;
inline constexpr GLint kBorderAddress = GL_CLAMP_TO_BORDER;
inline constexpr bool kMapsBuffers = true;
#endif

// Whether the current context is the GL this build is written for.
bool ContextSupported();
// A sentence naming what ContextSupported wants, for the refusal.
const char* RequiredContext();

// The first lines of every generated shader: the version, and on ES the precisions.
const char* ShaderHeader();

// Declares the vertex attribute `name` at `location` for a D3DCOLOR (B, G, R, A in memory) that
// the shader reads as an RGBA vec4, and points it at `offset` in the bound array buffer.
std::string ColorAttributeDeclaration(int location, const char* name);
void ColorAttributePointer(GLuint location, GLsizei stride, const void* offset);

// Makes a new buffer one for indices (WebGL2 fixes a buffer's kind where it is first bound, and
// only an index buffer may be bound for indices). The bound vertex array keeps its indices.
void MarkIndexBuffer(GLuint buffer);

// Flat shading takes the first vertex's colour, as Direct3D does (ES always takes the last).
void UseFirstVertexForFlatShading();
// Fill mode GL_FILL, GL_LINE or GL_POINT (ES always fills).
void SetPolygonMode(GLenum mode);
void SetDepthRange(float nearZ, float farZ);
void SetClearDepth(float depth);

// glDrawElements with `baseVertex` added to every index; without kBaseVertexDraws only 0.
void DrawElements(GLenum mode, GLsizei count, GLenum type, const void* offset, GLint baseVertex);

// Texture images. The caller keeps texels in Direct3D's layout for `format`; `gl` says how the
// desktop stores them. The bound texture of unit 0 is the one meant.
void SetTextureSwizzle(GLenum target, const TextureFormat& gl);
// Defines level `level` of `target` (an image of `texture`, which is bound) as width x height
// zeros.
void DefineImage(GLenum target, GLuint texture, GLint level, D3DFORMAT format,
                 const TextureFormat& gl, int width, int height);
// Replaces a width x height area at (x, y) from rows `rowTexels` texels apart.
void UploadImage(GLenum target, GLint level, D3DFORMAT format, const TextureFormat& gl, int x,
                 int y, int width, int height, const uint8_t* first, int rowTexels);
// Reads a whole level back into `texels` (tightly packed rows).
void DownloadImage(GlCore& core, GLenum imageTarget, GLuint texture, GLint level, D3DFORMAT format,
                   const TextureFormat& gl, int width, int height, uint8_t* texels);

// Reads the bound read framebuffer's colour as B, G, R, A bytes, rows `pitch` bytes apart (the
// pack row length is set by the caller). A null `pixels` reads into the bound pixel-pack buffer;
// ReadPackBuffer then hands those bytes out, in the same order.
void ReadPixelsBgra(int width, int height, void* pixels, int pitch);
// The first `bytes` bytes of the bound pixel-pack buffer (null when GL cannot give them), valid
// until ReleasePackBuffer; `scratch` holds them where GL cannot map the buffer.
const uint8_t* ReadPackBuffer(size_t bytes, std::vector<uint8_t>& scratch);
void ReleasePackBuffer();

// Maps `size` bytes at `offset` of the buffer bound to GL_COPY_WRITE_BUFFER for a buffer lock: for
// reading only, or for writing with the old contents kept or discarded. Null when the mapping
// fails (the caller then locks a scratch and sends it with glBufferSubData); only called with
// kMapsBuffers.
uint8_t* MapLockedRange(size_t offset, size_t size, bool readOnly, bool discard);
// Ends the mapping; false when GL lost the mapped contents.
bool UnmapLockedRange();

}  // namespace gl_profile
}  // namespace tavrin::d3d
