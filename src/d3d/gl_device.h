#pragma once

#include "d3d/gl_api.h"

#include <array>
#include <functional>
#include <memory>
#include <unordered_map>

#include "d3d/d3d8.h"
#include "d3d/device_state.h"
#include "d3d/fixed_function_key.h"
#include "d3d/gl_core.h"
#include "d3d/program_cache.h"
#include "d3d/ref_counted.h"
#include "d3d/resources.h"
#include "d3d/vertex_format.h"

namespace tavrin::d3d {

// The device on OpenGL 3.3 core. API state is kept as the API sets it (so Get… returns exactly
// that) and turned into GL state, a generated program and its uniforms when a draw needs them;
// each part is redone only after something it depends on changed.
class Device final : public RefCounted<IDirect3DDevice8> {
public:
    // Takes the GL context; null in *device (and a failure code) when it cannot be set up.
    static HRESULT Create(IDirect3D8* d3d, std::unique_ptr<GlContext> context,
                          const D3DPRESENT_PARAMETERS& parameters, UINT width, UINT height,
                          IDirect3DDevice8** device);
    ~Device() override;

    HRESULT GetDirect3D(IDirect3D8** d3d) override;
    HRESULT GetDeviceCaps(D3DCAPS8* caps) override;
    HRESULT GetDisplayMode(D3DDISPLAYMODE* mode) override;

    HRESULT Clear(DWORD count, const D3DRECT* rects, DWORD flags, D3DCOLOR color, float z,
                  DWORD stencil) override;
    HRESULT BeginScene() override;
    HRESULT EndScene() override;
    HRESULT Present(const RECT* source, const RECT* destination, HWND window,
                    const RGNDATA* dirty) override;
    HRESULT GetBackBuffer(UINT index, D3DBACKBUFFER_TYPE type, IDirect3DSurface8** surface) override;

    HRESULT SetRenderTarget(IDirect3DSurface8* target, IDirect3DSurface8* depth) override;
    HRESULT GetRenderTarget(IDirect3DSurface8** target) override;
    HRESULT GetDepthStencilSurface(IDirect3DSurface8** depth) override;
    HRESULT SetViewport(const D3DVIEWPORT8* viewport) override;
    HRESULT GetViewport(D3DVIEWPORT8* viewport) override;

    HRESULT SetRenderState(D3DRENDERSTATETYPE state, DWORD value) override;
    HRESULT GetRenderState(D3DRENDERSTATETYPE state, DWORD* value) override;
    HRESULT SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value) override;
    HRESULT GetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD* value) override;
    HRESULT SetTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX* matrix) override;
    HRESULT GetTransform(D3DTRANSFORMSTATETYPE state, D3DMATRIX* matrix) override;
    HRESULT MultiplyTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX* matrix) override;
    HRESULT SetTexture(DWORD stage, IDirect3DBaseTexture8* texture) override;
    HRESULT GetTexture(DWORD stage, IDirect3DBaseTexture8** texture) override;
    HRESULT SetMaterial(const D3DMATERIAL8* material) override;
    HRESULT GetMaterial(D3DMATERIAL8* material) override;
    HRESULT SetLight(DWORD index, const D3DLIGHT8* light) override;
    HRESULT GetLight(DWORD index, D3DLIGHT8* light) override;
    HRESULT LightEnable(DWORD index, BOOL enable) override;
    HRESULT GetLightEnable(DWORD index, BOOL* enable) override;

    HRESULT SetVertexShader(DWORD handle) override;
    HRESULT GetVertexShader(DWORD* handle) override;
    HRESULT SetStreamSource(UINT stream, IDirect3DVertexBuffer8* buffer, UINT stride) override;
    HRESULT SetIndices(IDirect3DIndexBuffer8* indices, UINT baseVertex) override;
    HRESULT DrawPrimitive(D3DPRIMITIVETYPE type, UINT startVertex, UINT primitives) override;
    HRESULT DrawIndexedPrimitive(D3DPRIMITIVETYPE type, UINT minIndex, UINT vertexCount,
                                 UINT startIndex, UINT primitives) override;
    HRESULT DrawPrimitiveUP(D3DPRIMITIVETYPE type, UINT primitives, const void* vertices,
                            UINT stride) override;
    HRESULT DrawIndexedPrimitiveUP(D3DPRIMITIVETYPE type, UINT minIndex, UINT vertexCount,
                                   UINT primitives, const void* indices, D3DFORMAT indexFormat,
                                   const void* vertices, UINT stride) override;

    HRESULT CreateVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool,
                               IDirect3DVertexBuffer8** buffer) override;
    HRESULT CreateIndexBuffer(UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                              IDirect3DIndexBuffer8** buffer) override;
    HRESULT CreateTexture(UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format,
                          D3DPOOL pool, IDirect3DTexture8** texture) override;
    HRESULT CreateCubeTexture(UINT edge, UINT levels, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                              IDirect3DCubeTexture8** texture) override;

    HRESULT ReadBackBuffer(void* pixels, UINT pitch) override;
    HRESULT Flush() override;
    HRESULT QueueBackBufferRead() override;
    HRESULT TakeBackBufferRead(void* pixels, UINT pitch) override;

    // For tests and the benchmark: GL calls made for state so far, and programs generated.
    uint64_t glStateCalls() const { return core_->cache().callCount(); }
    size_t programCount() const { return programs_.size(); }
    // For tests: called before every draw, with the draw's GL state set.
    void SetDrawObserver(std::function<void()> observer) { drawObserver_ = std::move(observer); }

private:
    Device(IDirect3D8* d3d, std::shared_ptr<GlCore> core, const D3DPRESENT_PARAMETERS& parameters,
           UINT width, UINT height);
    bool CreateGlObjects();
    void AttachTarget();

    // Draw path (gl_device_draw.cpp).
    struct VertexSource {
        GLuint buffer;
        UINT stride;
        UINT availableVertices;  // whole vertices the buffer holds from its start
        BufferStorage* storage = nullptr;  // for a vertex buffer's store, grown to what draws read
        size_t firstByte = 0;              // where vertex 0 starts in the buffer
    };
    bool PrepareDraw(const VertexSource& source);
    void ApplyPipelineState();
    bool ApplyProgram();
    void UploadUniforms(Program& program);
    void BindTextures(std::array<TextureKind, kDrawnStageCount>& kinds);
    GLuint SamplerFor(int stage, bool mipmapped);
    void BindVertices(const VertexSource& source);
    void UpdateDerivedTransforms();
    struct IndexSource {
        GLuint buffer;
        size_t length;     // bytes
        bool wide;         // 32-bit indices
        uint32_t highest;  // the highest index the buffer holds
    };
    HRESULT DrawIndexed(D3DPRIMITIVETYPE type, UINT primitives, const VertexSource& vertices,
                        const IndexSource& indices, UINT startIndex, INT baseVertex);

    IDirect3D8* d3d_;
    std::shared_ptr<GlCore> core_;
    D3DPRESENT_PARAMETERS parameters_;
    UINT width_;
    UINT height_;
    DeviceState state_;

    GLuint backColor_ = 0;     // the back buffer: an RGBA8 texture, row 0 at the top
    GLuint depthStencil_ = 0;  // D24S8 renderbuffer, shared by every target it fits
    GLuint targetFramebuffer_ = 0;  // the back buffer's
    GLuint backDepthAttached_ = 0;  // the depth renderbuffer attached to it now
    GLuint drawFramebuffer_ = 0;    // the current target's: the back buffer's or a texture image's
    GLuint userVertices_ = 0;  // streamed vertices of the *UP draws
    GLuint userIndices_ = 0;
    // Queued back-buffer reads: two pixel-pack buffers used in turn, the oldest read first.
    std::array<GLuint, 2> packBuffers_{};
    int packQueued_ = 0;
    int packNext_ = 0;

    Surface* backBuffer_ = nullptr;
    Surface* depthSurface_ = nullptr;
    Surface* renderTarget_ = nullptr;
    Surface* depthTarget_ = nullptr;
    D3DVIEWPORT8 viewport_{};
    int sceneDepth_ = 0;

    std::array<IDirect3DBaseTexture8*, kStageCount> textures_{};
    VertexBuffer* stream_ = nullptr;
    UINT streamStride_ = 0;
    IndexBuffer* indices_ = nullptr;
    UINT baseVertex_ = 0;
    VertexLayout layout_;

    ProgramCache programs_;
    std::function<void()> drawObserver_;
    std::unordered_map<uint32_t, GLuint> samplers_;

    // What the GL side last got, and what changed since.
    bool pipelineDirty_ = true;
    bool keyDirty_ = true;
    std::array<TextureKind, kDrawnStageCount> boundKinds_{};
    Program* program_ = nullptr;
    UniformVersions versions_{1, 1, 1, 1, 1};
    uint64_t derivedVersion_ = 0;
    D3DMATRIX worldView_{};
    float normalMatrix_[9] = {};
};

}  // namespace tavrin::d3d
