#pragma once

#include "d3d/gl_api.h"

#include <memory>
#include <vector>

#include "d3d/d3d8.h"
#include "d3d/gl_core.h"
#include "d3d/ref_counted.h"
#include "d3d/texture_storage.h"

namespace tavrin::d3d {

// A vertex or index buffer: a GL buffer and the memory Lock hands out; Unlock uploads the locked
// range. Only a buffer whose contents the device reads itself (index buffers: Unlock finds their
// highest index) keeps a copy of all of it; any other lock gets a scratch as large as the
// lock, filled from GL unless the lock discards. The GL store of such a buffer grows to cover
// what locks and draws reach, so a buffer sized for the densest metaball surface costs only what
// the surfaces drawn need.
class BufferStorage {
public:
    enum class Contents { kGpuOnly, kCopyKept };

    BufferStorage(std::shared_ptr<GlCore> core, UINT length, DWORD usage, Contents contents);
    ~BufferStorage();
    BufferStorage(const BufferStorage&) = delete;
    BufferStorage& operator=(const BufferStorage&) = delete;

    bool valid() const { return buffer_ != 0; }
    GLuint buffer() const { return buffer_; }
    UINT length() const { return length_; }
    // Bytes the GL store holds now (length() once a copy is kept or everything was reached).
    UINT storeSize() const { return storeSize_; }
    // The whole contents; only for buffers that keep a copy (null otherwise).
    const uint8_t* bytes() const { return copy_.empty() ? nullptr : copy_.data(); }
    HRESULT Lock(UINT offset, UINT size, BYTE** data, DWORD flags);
    HRESULT Unlock();
    // Makes the GL store hold the first `bytes` bytes (at most length()) before a draw reads them;
    // what no lock wrote is undefined, as in Direct3D. False when GL could not grow it.
    bool Cover(size_t bytes);

private:
    uint8_t* LockedBytes(UINT offset, UINT size, bool discard);
    bool Grow(size_t bytes, bool keepContents);

    std::shared_ptr<GlCore> core_;
    UINT length_;
    UINT storeSize_ = 0;
    std::vector<uint8_t> copy_;     // the whole contents, when kept
    std::vector<uint8_t> scratch_;  // the locked range where GL cannot map it
    uint8_t* mapped_ = nullptr;     // the locked range in the GL store while it is mapped
    GLuint buffer_ = 0;
    GLenum usage_;
    bool locked_ = false;
    bool readOnly_ = false;
    UINT lockOffset_ = 0;
    UINT lockSize_ = 0;
};

// What vertex and index buffers share: the GL store behind Lock and Unlock, the device they
// came from, and the usage and pool their descriptions report.
template <class Interface>
class Buffer : public RefCounted<Interface> {
public:
    HRESULT GetDevice(IDirect3DDevice8** device) override;
    HRESULT Lock(UINT offset, UINT size, BYTE** data, DWORD flags) override {
        return storage_.Lock(offset, size, data, flags);
    }
    HRESULT Unlock() override { return storage_.Unlock(); }

    BufferStorage& storage() { return storage_; }

protected:
    Buffer(std::shared_ptr<GlCore> core, UINT length, DWORD usage, D3DPOOL pool,
           BufferStorage::Contents contents)
        : core_(core),
          storage_(std::move(core), length, usage, contents),
          usage_(usage),
          pool_(pool) {}

    std::shared_ptr<GlCore> core_;
    BufferStorage storage_;
    DWORD usage_;
    D3DPOOL pool_;
};

class VertexBuffer final : public Buffer<IDirect3DVertexBuffer8> {
public:
    VertexBuffer(std::shared_ptr<GlCore> core, UINT length, DWORD usage, DWORD fvf, D3DPOOL pool)
        : Buffer(std::move(core), length, usage, pool, BufferStorage::Contents::kGpuOnly),
          fvf_(fvf) {}

    D3DRESOURCETYPE GetType() override { return D3DRTYPE_VERTEXBUFFER; }
    HRESULT GetDesc(D3DVERTEXBUFFER_DESC* desc) override;

private:
    DWORD fvf_;
};

// The highest of `count` 16-bit (or, when wide, 32-bit) indices; 0 when there are none.
uint32_t HighestIndex(const uint8_t* indices, size_t count, bool wide);

// Index buffers keep a copy of their contents so that Unlock can find the highest index: a draw
// then checks that one value against its vertex buffer instead of reading every index it draws.
class IndexBuffer final : public Buffer<IDirect3DIndexBuffer8> {
public:
    IndexBuffer(std::shared_ptr<GlCore> core, UINT length, DWORD usage, D3DFORMAT format,
                D3DPOOL pool)
        : Buffer(std::move(core), length, usage, pool, BufferStorage::Contents::kCopyKept),
          format_(format) {}

    D3DRESOURCETYPE GetType() override { return D3DRTYPE_INDEXBUFFER; }
    HRESULT Unlock() override;
    HRESULT GetDesc(D3DINDEXBUFFER_DESC* desc) override;

    D3DFORMAT format() const { return format_; }
    bool wide() const { return format_ == D3DFMT_INDEX32; }
    // The highest index in the buffer as last unlocked (all zeros before any lock).
    uint32_t highestIndex() const { return highestIndex_; }

private:
    D3DFORMAT format_;
    uint32_t highestIndex_ = 0;
};

// What a surface stands for when it becomes a render target or is locked.
struct SurfaceImage {
    enum class Kind { TextureImage, BackBuffer, DepthStencil };
    Kind kind = Kind::TextureImage;
    TextureStorage* storage = nullptr;  // for texture images
    GLuint texture = 0;                 // for the back buffer
    int face = 0;
    UINT level = 0;
    UINT width = 0;
    UINT height = 0;
};

class Surface final : public RefCounted<IDirect3DSurface8> {
public:
    // A level (or cube face level) of a texture; holds a reference on the texture.
    Surface(IUnknown* container, TextureStorage& storage, int face, UINT level);
    // The device's back buffer (held in `texture`) or depth-stencil buffer.
    Surface(std::shared_ptr<GlCore> core, SurfaceImage::Kind kind, GLuint texture, UINT width,
            UINT height, D3DFORMAT format);
    ~Surface() override;

    HRESULT GetDevice(IDirect3DDevice8** device) override;
    HRESULT GetDesc(D3DSURFACE_DESC* desc) override;
    HRESULT LockRect(D3DLOCKED_RECT* locked, const RECT* rect, DWORD flags) override;
    HRESULT UnlockRect() override;

    const SurfaceImage& image() const { return image_; }

private:
    IUnknown* container_ = nullptr;
    std::shared_ptr<GlCore> core_;
    SurfaceImage image_;
    D3DFORMAT format_ = D3DFMT_UNKNOWN;
    std::vector<uint8_t> readBack_;  // back-buffer pixels while locked
    bool locked_ = false;
};

class Texture final : public RefCounted<IDirect3DTexture8> {
public:
    explicit Texture(std::unique_ptr<TextureStorage> storage) : storage_(std::move(storage)) {}

    HRESULT GetDevice(IDirect3DDevice8** device) override;
    D3DRESOURCETYPE GetType() override { return D3DRTYPE_TEXTURE; }
    DWORD GetLevelCount() override { return storage_->levels(); }
    HRESULT GetLevelDesc(UINT level, D3DSURFACE_DESC* desc) override {
        return storage_->Describe(level, desc);
    }
    HRESULT GetSurfaceLevel(UINT level, IDirect3DSurface8** surface) override;
    HRESULT LockRect(UINT level, D3DLOCKED_RECT* locked, const RECT* rect, DWORD flags) override {
        return storage_->Lock(0, level, locked, rect, flags);
    }
    HRESULT UnlockRect(UINT level) override { return storage_->Unlock(0, level); }

    TextureStorage& storage() { return *storage_; }

private:
    std::unique_ptr<TextureStorage> storage_;
};

class CubeTexture final : public RefCounted<IDirect3DCubeTexture8> {
public:
    explicit CubeTexture(std::unique_ptr<TextureStorage> storage) : storage_(std::move(storage)) {}

    HRESULT GetDevice(IDirect3DDevice8** device) override;
    D3DRESOURCETYPE GetType() override { return D3DRTYPE_CUBETEXTURE; }
    DWORD GetLevelCount() override { return storage_->levels(); }
    HRESULT GetLevelDesc(UINT level, D3DSURFACE_DESC* desc) override {
        return storage_->Describe(level, desc);
    }
    HRESULT GetCubeMapSurface(D3DCUBEMAP_FACES face, UINT level,
                              IDirect3DSurface8** surface) override;
    HRESULT LockRect(D3DCUBEMAP_FACES face, UINT level, D3DLOCKED_RECT* locked, const RECT* rect,
                     DWORD flags) override {
        return storage_->Lock(static_cast<int>(face), level, locked, rect, flags);
    }
    HRESULT UnlockRect(D3DCUBEMAP_FACES face, UINT level) override {
        return storage_->Unlock(static_cast<int>(face), level);
    }

    TextureStorage& storage() { return *storage_; }

private:
    std::unique_ptr<TextureStorage> storage_;
};

// The storage behind a texture of this layer; null for anything else.
TextureStorage* StorageOf(IDirect3DBaseTexture8* texture);

}  // namespace tavrin::d3d
