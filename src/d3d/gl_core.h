#pragma once

#include <memory>

#include "d3d/d3d8.h"
#include "d3d/gl_state_cache.h"
#include "d3d/vertex_arrays.h"
#include "platform/gl_context.h"

namespace tavrin::d3d {

// The GL context of one device with its state cache. The device and every object it creates
// share it, so objects outliving their device can still free their GL names.
class GlCore {
public:
    explicit GlCore(std::unique_ptr<GlContext> context) : context_(std::move(context)) {}
    GlCore(const GlCore&) = delete;
    GlCore& operator=(const GlCore&) = delete;

    // Makes this context current on the calling thread (a pointer compare when it already is).
    bool Use();

    GlStateCache& cache() { return cache_; }
    VertexArrays& vertexArrays() { return vertexArrays_; }
    GlContext& context() { return *context_; }

    // The device objects were created by, for their GetDevice; null once it is gone.
    IDirect3DDevice8* owner() const { return owner_; }
    void SetOwner(IDirect3DDevice8* owner) { owner_ = owner; }

    // Call before deleting a buffer: forgets it wherever it is bound or read from.
    void ForgetBuffer(GLuint buffer);

    // A framebuffer for reading texture images back.
    GLuint ReadFramebuffer();

    // Reads a colour image (a 2D texture level or a cube face) of the given size as A8R8G8B8
    // rows, top row first, into `pixels` with `pitch` bytes per row.
    void ReadTextureImage(GLenum target, GLuint texture, int level, int width, int height,
                          void* pixels, int pitch);

    ~GlCore();

private:
    std::unique_ptr<GlContext> context_;
    GlStateCache cache_;
    VertexArrays vertexArrays_;
    IDirect3DDevice8* owner_ = nullptr;
    GLuint readFramebuffer_ = 0;
};

}  // namespace tavrin::d3d
