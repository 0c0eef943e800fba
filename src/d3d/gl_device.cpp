#include "d3d/gl_device.h"

#include <algorithm>
#include <cstring>
#include <optional>

#include "d3d/caps.h"
#include "d3d/diagnostics.h"
#include "d3d/gl_error_check.h"
#include "d3d/gl_profile.h"
#include "d3d/matrix_product.h"
#include "d3d/present_layout.h"

namespace tavrin::d3d {

namespace {

bool IsTransformState(DWORD state) {
    return state == D3DTS_WORLD || state == D3DTS_VIEW || state == D3DTS_PROJECTION;
}

// Render states that only change fixed GL state, not the generated program.
bool IsPipelineOnlyState(DWORD state) {
    switch (state) {
        case D3DRS_ZENABLE: case D3DRS_ZWRITEENABLE: case D3DRS_ZFUNC: case D3DRS_SRCBLEND:
        case D3DRS_DESTBLEND: case D3DRS_ALPHABLENDENABLE: case D3DRS_BLENDOP:
        case D3DRS_CULLMODE: case D3DRS_FILLMODE: case D3DRS_COLORWRITEENABLE:
        case D3DRS_STENCILENABLE: case D3DRS_FOGENABLE: case D3DRS_SPECULARENABLE:
            return true;
        default:
            return false;
    }
}

}  // namespace

// ---- Creation ---------------------------------------------------------------------------------

Device::Device(IDirect3D8* d3d, std::shared_ptr<GlCore> core,
               const D3DPRESENT_PARAMETERS& parameters, UINT width, UINT height)
    : d3d_(d3d),
      core_(std::move(core)),
      parameters_(parameters),
      width_(width),
      height_(height),
      programs_(core_->cache()) {
    d3d_->AddRef();
    core_->SetOwner(this);
    ResetToDefaults(state_, parameters.EnableAutoDepthStencil != FALSE);
    layout_ = DecodeVertexFormat(0);
}

HRESULT Device::Create(IDirect3D8* d3d, std::unique_ptr<GlContext> context,
                       const D3DPRESENT_PARAMETERS& parameters, UINT width, UINT height,
                       IDirect3DDevice8** device) {
    auto core = std::make_shared<GlCore>(std::move(context));
    if (!core->Use()) return Refuse("context-current", "the GL context cannot be made current", D3DERR_NOTAVAILABLE);
    if (!gl_profile::ContextSupported()) {
        return Refuse("gl-version", gl_profile::RequiredContext(), D3DERR_NOTAVAILABLE);
    }
    InstallGlErrorCheck();
    auto* created = new Device(d3d, std::move(core), parameters, width, height);
    if (!created->CreateGlObjects()) {
        created->Release();
        return Refuse("device-objects", "GL could not create the back buffer and depth buffer",
                      D3DERR_OUTOFVIDEOMEMORY);
    }
    *device = created;
    return D3D_OK;
}

bool Device::CreateGlObjects() {
    GlStateCache& cache = core_->cache();
    glGenBuffers(1, &userVertices_);
    glGenBuffers(1, &userIndices_);
    gl_profile::MarkIndexBuffer(userIndices_);

    glGenTextures(1, &backColor_);
    cache.BindTexture(0, GL_TEXTURE_2D, backColor_);
    // The images may be too large for GL; that is read below and makes creation fail.
    std::optional<ExpectedGlErrors> allocationMayFail(std::in_place);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, static_cast<GLsizei>(width_),
                 static_cast<GLsizei>(height_), 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    backBuffer_ = new Surface(core_, SurfaceImage::Kind::BackBuffer, backColor_, width_, height_,
                              parameters_.BackBufferFormat);

    if (parameters_.EnableAutoDepthStencil != FALSE) {
        glGenRenderbuffers(1, &depthStencil_);
        glBindRenderbuffer(GL_RENDERBUFFER, depthStencil_);
        glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH24_STENCIL8, static_cast<GLsizei>(width_),
                              static_cast<GLsizei>(height_));
        depthSurface_ = new Surface(core_, SurfaceImage::Kind::DepthStencil, 0, width_, height_,
                                    parameters_.AutoDepthStencilFormat);
    }
    glGenFramebuffers(1, &targetFramebuffer_);
    core_->cache().BindFramebuffer(targetFramebuffer_);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, backColor_, 0);
    ReplaceReference(renderTarget_, backBuffer_);
    ReplaceReference(depthTarget_, depthSurface_);
    AttachTarget();
    if (glCheckFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE ||
        glGetError() != GL_NO_ERROR) {
        return false;
    }
    allocationMayFail.reset();

    gl_profile::UseFirstVertexForFlatShading();
    glFrontFace(GL_CCW);
    cache.SetColorMask(0xF);
    cache.SetDepthMask(true);
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    gl_profile::SetClearDepth(1.0f);
    glClearStencil(0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
    return true;
}

Device::~Device() {
    for (auto*& texture : textures_) ReplaceReference<IDirect3DBaseTexture8>(texture, nullptr);
    ReplaceReference(stream_, static_cast<VertexBuffer*>(nullptr));
    ReplaceReference(indices_, static_cast<IndexBuffer*>(nullptr));
    ReplaceReference(renderTarget_, static_cast<Surface*>(nullptr));
    ReplaceReference(depthTarget_, static_cast<Surface*>(nullptr));
    if (backBuffer_ != nullptr) backBuffer_->Release();
    if (depthSurface_ != nullptr) depthSurface_->Release();
    if (core_->Use()) {
        GlStateCache& cache = core_->cache();
        for (auto& entry : samplers_) glDeleteSamplers(1, &entry.second);
        cache.ForgetFramebuffer(targetFramebuffer_);
        cache.ForgetTexture(backColor_);
        glDeleteFramebuffers(1, &targetFramebuffer_);
        glDeleteTextures(1, &backColor_);
        glDeleteRenderbuffers(1, &depthStencil_);
        core_->ForgetBuffer(userVertices_);
        core_->ForgetBuffer(userIndices_);
        glDeleteBuffers(1, &userVertices_);
        glDeleteBuffers(1, &userIndices_);
        if (packBuffers_[0] != 0) glDeleteBuffers(2, packBuffers_.data());
    }
    core_->SetOwner(nullptr);
    d3d_->Release();
}

HRESULT Device::GetDirect3D(IDirect3D8** d3d) {
    if (d3d == nullptr) return D3DERR_INVALIDCALL;
    d3d_->AddRef();
    *d3d = d3d_;
    return D3D_OK;
}

HRESULT Device::GetDeviceCaps(D3DCAPS8* caps) {
    if (caps == nullptr) return D3DERR_INVALIDCALL;
    FillCaps(*caps);
    return D3D_OK;
}

HRESULT Device::GetDisplayMode(D3DDISPLAYMODE* mode) {
    if (mode == nullptr) return D3DERR_INVALIDCALL;
    *mode = {width_, height_, 60, parameters_.BackBufferFormat};
    return D3D_OK;
}

// ---- Frame -------------------------------------------------------------------------------------

HRESULT Device::Clear(DWORD count, const D3DRECT* rects, DWORD flags, D3DCOLOR color, float z,
                      DWORD stencil) {
    if ((flags & (D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL)) == 0 || flags > 7) {
        return Refuse("clear-flags", "Clear needs D3DCLEAR_TARGET, _ZBUFFER or _STENCIL", D3DERR_INVALIDCALL);
    }
    if (count > 0 && rects == nullptr) {
        return Refuse("clear-rects", "Clear was given a rectangle count but no rectangles", D3DERR_INVALIDCALL);
    }
    if (!core_->Use()) return D3DERR_DEVICELOST;
    GlStateCache& cache = core_->cache();
    cache.BindFramebuffer(drawFramebuffer_);
    GLbitfield mask = 0;
    if ((flags & D3DCLEAR_TARGET) != 0) {
        mask |= GL_COLOR_BUFFER_BIT;
        cache.SetColorMask(0xF);
        glClearColor(((color >> 16) & 0xFF) / 255.0f, ((color >> 8) & 0xFF) / 255.0f,
                     (color & 0xFF) / 255.0f, (color >> 24) / 255.0f);
    }
    if (depthTarget_ != nullptr && (flags & D3DCLEAR_ZBUFFER) != 0) {
        mask |= GL_DEPTH_BUFFER_BIT;
        cache.SetDepthMask(true);
        gl_profile::SetClearDepth(std::clamp(z, 0.0f, 1.0f));
    }
    if (depthTarget_ != nullptr && (flags & D3DCLEAR_STENCIL) != 0) {
        mask |= GL_STENCIL_BUFFER_BIT;
        glStencilMask(0xFF);
        glClearStencil(static_cast<GLint>(stencil & 0xFF));
    }
    pipelineDirty_ = true;  // masks were changed for the clear
    if (mask == 0) return D3D_OK;

    // Clear touches the viewport, or the given rectangles within it.
    const LONG left = static_cast<LONG>(viewport_.X);
    const LONG top = static_cast<LONG>(viewport_.Y);
    const LONG right = left + static_cast<LONG>(viewport_.Width);
    const LONG bottom = top + static_cast<LONG>(viewport_.Height);
    cache.SetCapability(GL_SCISSOR_TEST, true);
    if (count == 0) {
        cache.SetScissor(left, top, right - left, bottom - top);
        glClear(mask);
    }
    for (DWORD i = 0; i < count; ++i) {
        const LONG x1 = std::max(rects[i].x1, left);
        const LONG y1 = std::max(rects[i].y1, top);
        const LONG x2 = std::min(rects[i].x2, right);
        const LONG y2 = std::min(rects[i].y2, bottom);
        if (x1 >= x2 || y1 >= y2) continue;
        cache.SetScissor(x1, y1, x2 - x1, y2 - y1);
        glClear(mask);
    }
    cache.SetCapability(GL_SCISSOR_TEST, false);
    return D3D_OK;
}

HRESULT Device::BeginScene() {
    // Nested scenes are counted rather than refused: drawing never depends on them.
    ++sceneDepth_;
    return D3D_OK;
}

HRESULT Device::EndScene() {
    if (sceneDepth_ == 0) return Refuse("end-scene", "EndScene without BeginScene", D3DERR_INVALIDCALL);
    --sceneDepth_;
    return D3D_OK;
}

HRESULT Device::Present(const RECT* source, const RECT* destination, HWND window,
                        const RGNDATA* dirty) {
    if (source != nullptr || destination != nullptr || window != nullptr || dirty != nullptr) {
        Report("present-args", "Present shows the whole back buffer; its rectangles, window and "
                               "region arguments are ignored");
    }
    if (!core_->Use()) return D3DERR_DEVICELOST;
    GlContext& context = core_->context();
    if (!context.HasWindow()) {
        glFlush();
        return D3D_OK;
    }
    int windowWidth = 0;
    int windowHeight = 0;
    context.DrawableSize(windowWidth, windowHeight);
    GlStateCache& cache = core_->cache();
    cache.BindFramebuffer(0);
    cache.SetCapability(GL_SCISSOR_TEST, false);
    cache.SetColorMask(0xF);
    pipelineDirty_ = true;
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    const PixelRect shown = LetterboxRect(static_cast<int>(width_), static_cast<int>(height_),
                                          windowWidth, windowHeight);
    GLuint read = core_->ReadFramebuffer();
    glBindFramebuffer(GL_READ_FRAMEBUFFER, read);
    glFramebufferTexture2D(GL_READ_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, backColor_, 0);
    // The back buffer holds its top row first; the window's first row is its bottom.
    glBlitFramebuffer(0, 0, static_cast<GLint>(width_), static_cast<GLint>(height_), shown.x,
                      shown.y + shown.height, shown.x + shown.width, shown.y, GL_COLOR_BUFFER_BIT,
                      GL_LINEAR);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    context.SwapBuffers();
    return D3D_OK;
}

HRESULT Device::GetBackBuffer(UINT index, D3DBACKBUFFER_TYPE, IDirect3DSurface8** surface) {
    if (surface == nullptr || index != 0) {
        return Refuse("back-buffer", "GetBackBuffer has one back buffer, index 0", D3DERR_INVALIDCALL);
    }
    backBuffer_->AddRef();
    *surface = backBuffer_;
    return D3D_OK;
}

HRESULT Device::Flush() {
    if (!core_->Use()) return D3DERR_DEVICELOST;
    glFlush();
    return D3D_OK;
}

HRESULT Device::QueueBackBufferRead() {
    if (packQueued_ == static_cast<int>(packBuffers_.size())) {
        return Refuse("read-queue", "QueueBackBufferRead with two reads queued: take one first",
                      D3DERR_INVALIDCALL);
    }
    if (!core_->Use()) return D3DERR_DEVICELOST;
    const auto bytes = static_cast<GLsizeiptr>(width_) * height_ * 4;
    if (packBuffers_[0] == 0) {
        glGenBuffers(2, packBuffers_.data());
        for (GLuint buffer : packBuffers_) {
            glBindBuffer(GL_PIXEL_PACK_BUFFER, buffer);
            glBufferData(GL_PIXEL_PACK_BUFFER, bytes, nullptr, GL_STREAM_READ);
        }
    }
    glBindBuffer(GL_PIXEL_PACK_BUFFER, packBuffers_[packNext_]);
    // Into the bound pack buffer: the pointer is an offset, and the copy is queued behind the
    // frame.
    core_->ReadTextureImage(GL_TEXTURE_2D, backColor_, 0, static_cast<int>(width_),
                            static_cast<int>(height_), nullptr, static_cast<int>(width_ * 4));
    glBindBuffer(GL_PIXEL_PACK_BUFFER, 0);
    glFlush();
    packNext_ = (packNext_ + 1) % static_cast<int>(packBuffers_.size());
    ++packQueued_;
    return D3D_OK;
}

HRESULT Device::TakeBackBufferRead(void* pixels, UINT pitch) {
    if (pixels == nullptr || pitch < width_ * 4) {
        return Refuse("read-back", "TakeBackBufferRead needs room for width x 4 bytes a row",
                      D3DERR_INVALIDCALL);
    }
    if (packQueued_ == 0) return S_FALSE;
    if (!core_->Use()) return D3DERR_DEVICELOST;
    const int count = static_cast<int>(packBuffers_.size());
    const int oldest = (packNext_ - packQueued_ + count) % count;
    glBindBuffer(GL_PIXEL_PACK_BUFFER, packBuffers_[oldest]);
    const auto rowBytes = static_cast<size_t>(width_) * 4;
    std::vector<uint8_t> scratch;  // only where GL cannot map the buffer
    const uint8_t* mapped = gl_profile::ReadPackBuffer(rowBytes * height_, scratch);
    --packQueued_;
    if (mapped == nullptr) {
        glBindBuffer(GL_PIXEL_PACK_BUFFER, 0);
        return Refuse("read-map", "GL could not map a queued back-buffer read",
                      D3DERR_DRIVERINTERNALERROR);
    }
    for (UINT row = 0; row < height_; ++row) {
        const auto* from = reinterpret_cast<const uint32_t*>(mapped + row * rowBytes);
        auto* to = reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(pixels) + row * pitch);
        for (UINT column = 0; column < width_; ++column) to[column] = from[column] | 0xFF000000u;
    }
    gl_profile::ReleasePackBuffer();
    glBindBuffer(GL_PIXEL_PACK_BUFFER, 0);
    return D3D_OK;
}

HRESULT Device::ReadBackBuffer(void* pixels, UINT pitch) {
    if (pixels == nullptr || pitch < width_ * 4) {
        return Refuse("read-back", "ReadBackBuffer needs room for width x 4 bytes a row", D3DERR_INVALIDCALL);
    }
    if (!core_->Use()) return D3DERR_DEVICELOST;
    core_->ReadTextureImage(GL_TEXTURE_2D, backColor_, 0, static_cast<int>(width_),
                            static_cast<int>(height_), pixels, static_cast<int>(pitch));
    for (UINT row = 0; row < height_; ++row) {
        auto* texel = reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(pixels) + row * pitch);
        for (UINT column = 0; column < width_; ++column) texel[column] |= 0xFF000000u;
    }
    return D3D_OK;
}

// ---- Render targets ------------------------------------------------------------------------------

// Every target has a framebuffer of its own with its image attached once, so switching targets
// (six cube faces a frame) binds rather than re-attaches; only the depth attachment may change.
void Device::AttachTarget() {
    GlStateCache& cache = core_->cache();
    const SurfaceImage& image = renderTarget_->image();
    const GLuint depth = depthTarget_ != nullptr ? depthStencil_ : 0;
    if (image.kind == SurfaceImage::Kind::BackBuffer) {
        drawFramebuffer_ = targetFramebuffer_;
        cache.BindFramebuffer(drawFramebuffer_);
        if (backDepthAttached_ != depth || depth == 0) {
            glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_STENCIL_ATTACHMENT, GL_RENDERBUFFER,
                                      depth);
            backDepthAttached_ = depth;
        }
    } else {
        drawFramebuffer_ = image.storage->TargetFramebuffer(image.face, image.level, depth);
    }
    viewport_ = {0, 0, image.width, image.height, 0.0f, 1.0f};
    ++versions_.viewport;
    pipelineDirty_ = true;
}

HRESULT Device::SetRenderTarget(IDirect3DSurface8* target, IDirect3DSurface8* depth) {
    auto* newTarget = target != nullptr ? dynamic_cast<Surface*>(target) : renderTarget_;
    auto* newDepth = depth != nullptr ? dynamic_cast<Surface*>(depth) : nullptr;
    if (newTarget == nullptr || (depth != nullptr && newDepth == nullptr)) {
        return Refuse("target-foreign", "SetRenderTarget with a surface of another kind of device", D3DERR_INVALIDCALL);
    }
    const SurfaceImage& image = newTarget->image();
    const bool renderable =
        image.kind == SurfaceImage::Kind::BackBuffer ||
        (image.kind == SurfaceImage::Kind::TextureImage && image.storage->isRenderTarget());
    if (!renderable) {
        return Refuse("target-kind", "SetRenderTarget needs the back buffer or a surface of a texture "
                                     "created with D3DUSAGE_RENDERTARGET", D3DERR_INVALIDCALL);
    }
    if (image.kind == SurfaceImage::Kind::TextureImage && &image.storage->core() != core_.get()) {
        return Refuse("target-device", "SetRenderTarget with a surface of another device", D3DERR_INVALIDCALL);
    }
    if (newDepth != nullptr) {
        if (newDepth != depthSurface_) {
            return Refuse("depth-kind", "SetRenderTarget takes this device's depth-stencil surface or null",
                          D3DERR_INVALIDCALL);
        }
        if (newDepth->image().width < image.width || newDepth->image().height < image.height) {
            return Refuse("depth-size", "the depth-stencil surface is smaller than the render target",
                          D3DERR_INVALIDCALL);
        }
    }
    if (!core_->Use()) return D3DERR_DEVICELOST;
    ReplaceReference(renderTarget_, newTarget);
    ReplaceReference(depthTarget_, newDepth);
    AttachTarget();
    return D3D_OK;
}

HRESULT Device::GetRenderTarget(IDirect3DSurface8** target) {
    if (target == nullptr) return D3DERR_INVALIDCALL;
    renderTarget_->AddRef();
    *target = renderTarget_;
    return D3D_OK;
}

HRESULT Device::GetDepthStencilSurface(IDirect3DSurface8** depth) {
    if (depth == nullptr) return D3DERR_INVALIDCALL;
    *depth = depthTarget_;
    if (depthTarget_ == nullptr) return D3DERR_NOTFOUND;
    depthTarget_->AddRef();
    return D3D_OK;
}

HRESULT Device::SetViewport(const D3DVIEWPORT8* viewport) {
    if (viewport == nullptr) return D3DERR_INVALIDCALL;
    const SurfaceImage& image = renderTarget_->image();
    if (viewport->Width == 0 || viewport->Height == 0 || viewport->X + viewport->Width > image.width ||
        viewport->Y + viewport->Height > image.height || viewport->MinZ < 0.0f ||
        viewport->MaxZ > 1.0f || viewport->MinZ > viewport->MaxZ) {
        return Refuse("viewport", "SetViewport outside the render target or with depths outside 0..1",
                      D3DERR_INVALIDCALL);
    }
    viewport_ = *viewport;
    ++versions_.viewport;
    pipelineDirty_ = true;
    return D3D_OK;
}

HRESULT Device::GetViewport(D3DVIEWPORT8* viewport) {
    if (viewport == nullptr) return D3DERR_INVALIDCALL;
    *viewport = viewport_;
    return D3D_OK;
}

// ---- States -------------------------------------------------------------------------------------

HRESULT Device::SetRenderState(D3DRENDERSTATETYPE state, DWORD value) {
    if (!IsKnownRenderState(state)) {
        return Refuse("render-state", "SetRenderState with unknown state " + std::to_string(state),
                      D3DERR_INVALIDCALL);
    }
    DWORD& slot = state_.renderStates[state];
    if (slot == value) return D3D_OK;
    slot = value;
    if (IsPipelineOnlyState(state)) {
        pipelineDirty_ = true;
    } else {
        keyDirty_ = true;
    }
    if (state == D3DRS_TEXTUREFACTOR || state == D3DRS_ALPHAREF) ++versions_.factors;
    if (state == D3DRS_AMBIENT) ++versions_.lighting;
    return D3D_OK;
}

HRESULT Device::GetRenderState(D3DRENDERSTATETYPE state, DWORD* value) {
    if (value == nullptr || !IsKnownRenderState(state)) {
        return Refuse("render-state", "GetRenderState with unknown state " + std::to_string(state),
                      D3DERR_INVALIDCALL);
    }
    *value = state_.renderStates[state];
    return D3D_OK;
}

HRESULT Device::SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value) {
    if (stage >= kStageCount || !IsKnownStageState(type)) {
        return Refuse("stage-state", "SetTextureStageState with stage " + std::to_string(stage) +
                                         " or state " + std::to_string(type) + " unknown",
                      D3DERR_INVALIDCALL);
    }
    DWORD& slot = state_.stageStates[stage][type];
    if (slot == value) return D3D_OK;
    slot = value;
    if (stage >= kDrawnStageCount) {
        if (type == D3DTSS_COLOROP && value != D3DTOP_DISABLE) {
            Report("stage-count", "only texture stages 0 and 1 are drawn");
        }
        return D3D_OK;
    }
    keyDirty_ = true;  // samplers are looked up per draw, so any stage state may matter
    return D3D_OK;
}

HRESULT Device::GetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD* value) {
    if (value == nullptr || stage >= kStageCount || !IsKnownStageState(type)) {
        return Refuse("stage-state", "GetTextureStageState with an unknown stage or state", D3DERR_INVALIDCALL);
    }
    *value = state_.stageStates[stage][type];
    return D3D_OK;
}

HRESULT Device::SetTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX* matrix) {
    D3DMATRIX* slot = TransformSlot(state_, state);
    if (slot == nullptr || matrix == nullptr) {
        return Refuse("transform", "SetTransform with unknown transform " + std::to_string(state) +
                                       " or no matrix", D3DERR_INVALIDCALL);
    }
    if (std::memcmp(slot, matrix, sizeof(D3DMATRIX)) == 0) return D3D_OK;
    *slot = *matrix;
    if (IsTransformState(state)) {
        ++versions_.transforms;
        if (state == D3DTS_VIEW) ++versions_.lighting;  // lights are handed over in camera space
    } else {
        ++versions_.textureMatrices;
    }
    return D3D_OK;
}

HRESULT Device::GetTransform(D3DTRANSFORMSTATETYPE state, D3DMATRIX* matrix) {
    D3DMATRIX* slot = TransformSlot(state_, state);
    if (slot == nullptr || matrix == nullptr) {
        return Refuse("transform", "GetTransform with unknown transform " + std::to_string(state) +
                                       " or no matrix", D3DERR_INVALIDCALL);
    }
    *matrix = *slot;
    return D3D_OK;
}

HRESULT Device::MultiplyTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX* matrix) {
    D3DMATRIX* slot = TransformSlot(state_, state);
    if (slot == nullptr || matrix == nullptr) {
        return Refuse("transform", "MultiplyTransform with unknown transform or no matrix", D3DERR_INVALIDCALL);
    }
    const D3DMATRIX product = MatrixMultiply(*matrix, *slot);
    return SetTransform(state, &product);
}

HRESULT Device::SetTexture(DWORD stage, IDirect3DBaseTexture8* texture) {
    if (stage >= kStageCount) {
        return Refuse("texture-stage", "SetTexture on stage " + std::to_string(stage), D3DERR_INVALIDCALL);
    }
    if (texture != nullptr) {
        TextureStorage* storage = StorageOf(texture);
        if (storage == nullptr || &storage->core() != core_.get()) {
            return Refuse("texture-foreign", "SetTexture with a texture of another device", D3DERR_INVALIDCALL);
        }
    }
    if (textures_[stage] == texture) return D3D_OK;
    ReplaceReference(textures_[stage], texture);
    return D3D_OK;
}

HRESULT Device::GetTexture(DWORD stage, IDirect3DBaseTexture8** texture) {
    if (texture == nullptr || stage >= kStageCount) return D3DERR_INVALIDCALL;
    *texture = textures_[stage];
    if (*texture != nullptr) (*texture)->AddRef();
    return D3D_OK;
}

HRESULT Device::SetMaterial(const D3DMATERIAL8* material) {
    if (material == nullptr) return D3DERR_INVALIDCALL;
    state_.material = *material;
    ++versions_.lighting;
    return D3D_OK;
}

HRESULT Device::GetMaterial(D3DMATERIAL8* material) {
    if (material == nullptr) return D3DERR_INVALIDCALL;
    *material = state_.material;
    return D3D_OK;
}

HRESULT Device::SetLight(DWORD index, const D3DLIGHT8* light) {
    if (light == nullptr || index >= kLightCount) {
        return Refuse("light-index", "SetLight needs a light record and an index below 8", D3DERR_INVALIDCALL);
    }
    if (light->Type < D3DLIGHT_POINT || light->Type > D3DLIGHT_DIRECTIONAL) {
        return Refuse("light-type", "SetLight with an unknown light type", D3DERR_INVALIDCALL);
    }
    if (light->Type != D3DLIGHT_DIRECTIONAL) {
        Report("light-positional", "point and spot lights are kept but not lit");
    }
    LightSlot& slot = state_.lights[index];
    slot.light = *light;
    slot.set = true;
    ++versions_.lighting;
    keyDirty_ = true;
    return D3D_OK;
}

HRESULT Device::GetLight(DWORD index, D3DLIGHT8* light) {
    if (light == nullptr || index >= kLightCount || !state_.lights[index].set) {
        return D3DERR_INVALIDCALL;
    }
    *light = state_.lights[index].light;
    return D3D_OK;
}

HRESULT Device::LightEnable(DWORD index, BOOL enable) {
    if (index >= kLightCount) {
        return Refuse("light-index", "LightEnable with an index of 8 or more", D3DERR_INVALIDCALL);
    }
    LightSlot& slot = state_.lights[index];
    if (!slot.set) {
        // Enabling a light never set gives Direct3D's default: white, shining along +z.
        slot.light = D3DLIGHT8{};
        slot.light.Type = D3DLIGHT_DIRECTIONAL;
        slot.light.Diffuse = {1.0f, 1.0f, 1.0f, 0.0f};
        slot.light.Direction = {0.0f, 0.0f, 1.0f};
        slot.set = true;
    }
    const bool enabled = enable != FALSE;
    if (slot.enabled == enabled) return D3D_OK;
    slot.enabled = enabled;
    ++versions_.lighting;
    keyDirty_ = true;
    return D3D_OK;
}

HRESULT Device::GetLightEnable(DWORD index, BOOL* enable) {
    if (enable == nullptr || index >= kLightCount || !state_.lights[index].set) {
        return D3DERR_INVALIDCALL;
    }
    *enable = state_.lights[index].enabled ? TRUE : FALSE;
    return D3D_OK;
}

// ---- Geometry state -----------------------------------------------------------------------------------

HRESULT Device::SetVertexShader(DWORD handle) {
    if (handle == state_.vertexFormat) return D3D_OK;
    const VertexLayout layout = DecodeVertexFormat(handle);
    if (!layout.valid) {
        return Refuse("vertex-format", "SetVertexShader with vertex format " + std::to_string(handle) +
                                           ", which is not an XYZ or XYZRHW flexible format the "
                                           "renderer draws", D3DERR_INVALIDCALL);
    }
    state_.vertexFormat = handle;
    layout_ = layout;
    keyDirty_ = true;
    return D3D_OK;
}

HRESULT Device::GetVertexShader(DWORD* handle) {
    if (handle == nullptr) return D3DERR_INVALIDCALL;
    *handle = state_.vertexFormat;
    return D3D_OK;
}

HRESULT Device::SetStreamSource(UINT stream, IDirect3DVertexBuffer8* buffer, UINT stride) {
    if (stream != 0) return Refuse("stream", "only vertex stream 0 is drawn", D3DERR_INVALIDCALL);
    auto* ours = buffer != nullptr ? dynamic_cast<VertexBuffer*>(buffer) : nullptr;
    if (buffer != nullptr && ours == nullptr) {
        return Refuse("stream-foreign", "SetStreamSource with a buffer of another device", D3DERR_INVALIDCALL);
    }
    ReplaceReference(stream_, ours);
    streamStride_ = stride;
    return D3D_OK;
}

HRESULT Device::SetIndices(IDirect3DIndexBuffer8* indices, UINT baseVertex) {
    auto* ours = indices != nullptr ? dynamic_cast<IndexBuffer*>(indices) : nullptr;
    if (indices != nullptr && ours == nullptr) {
        return Refuse("indices-foreign", "SetIndices with a buffer of another device", D3DERR_INVALIDCALL);
    }
    ReplaceReference(indices_, ours);
    baseVertex_ = baseVertex;
    return D3D_OK;
}

// ---- Resources ------------------------------------------------------------------------------------

HRESULT Device::CreateVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool,
                                   IDirect3DVertexBuffer8** buffer) {
    if (buffer == nullptr) return D3DERR_INVALIDCALL;
    *buffer = nullptr;
    if (length == 0) return Refuse("buffer-size", "CreateVertexBuffer of 0 bytes", D3DERR_INVALIDCALL);
    if (!core_->Use()) return D3DERR_DEVICELOST;
    auto* created = new VertexBuffer(core_, length, usage, fvf, pool);
    if (!created->storage().valid()) {
        created->Release();
        return Refuse("buffer-alloc", "GL could not allocate a vertex buffer", D3DERR_OUTOFVIDEOMEMORY);
    }
    *buffer = created;
    return D3D_OK;
}

HRESULT Device::CreateIndexBuffer(UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                                  IDirect3DIndexBuffer8** buffer) {
    if (buffer == nullptr) return D3DERR_INVALIDCALL;
    *buffer = nullptr;
    if (length == 0 || (format != D3DFMT_INDEX16 && format != D3DFMT_INDEX32)) {
        return Refuse("index-buffer", "CreateIndexBuffer needs a length and INDEX16 or INDEX32", D3DERR_INVALIDCALL);
    }
    if (!core_->Use()) return D3DERR_DEVICELOST;
    auto* created = new IndexBuffer(core_, length, usage, format, pool);
    if (!created->storage().valid()) {
        created->Release();
        return Refuse("buffer-alloc", "GL could not allocate an index buffer", D3DERR_OUTOFVIDEOMEMORY);
    }
    *buffer = created;
    return D3D_OK;
}

HRESULT Device::CreateTexture(UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format,
                              D3DPOOL pool, IDirect3DTexture8** texture) {
    if (texture == nullptr) return D3DERR_INVALIDCALL;
    *texture = nullptr;
    if (!core_->Use()) return D3DERR_DEVICELOST;
    auto storage = TextureStorage::Create(core_, false, width, height, levels, usage, format, pool);
    if (storage == nullptr) return D3DERR_INVALIDCALL;
    *texture = new Texture(std::move(storage));
    return D3D_OK;
}

HRESULT Device::CreateCubeTexture(UINT edge, UINT levels, DWORD usage, D3DFORMAT format,
                                  D3DPOOL pool, IDirect3DCubeTexture8** texture) {
    if (texture == nullptr) return D3DERR_INVALIDCALL;
    *texture = nullptr;
    if (!core_->Use()) return D3DERR_DEVICELOST;
    auto storage = TextureStorage::Create(core_, true, edge, edge, levels, usage, format, pool);
    if (storage == nullptr) return D3DERR_INVALIDCALL;
    *texture = new CubeTexture(std::move(storage));
    return D3D_OK;
}

}  // namespace tavrin::d3d
