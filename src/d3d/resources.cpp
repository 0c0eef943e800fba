#include "d3d/resources.h"

#include <cstring>

#include "d3d/diagnostics.h"

namespace tavrin::d3d {

namespace {

HRESULT OwnerOf(GlCore& core, IDirect3DDevice8** device) {
    if (device == nullptr) return D3DERR_INVALIDCALL;
    *device = core.owner();
    if (*device == nullptr) return D3DERR_DEVICELOST;
    (*device)->AddRef();
    return D3D_OK;
}

}  // namespace

// ---- Buffers ---------------------------------------------------------------------------------

BufferStorage::BufferStorage(std::shared_ptr<GlCore> core, UINT length, DWORD usage)
    : core_(std::move(core)),
      bytes_(length, 0),
      usage_((usage & D3DUSAGE_DYNAMIC) != 0 ? GL_STREAM_DRAW : GL_STATIC_DRAW) {
    if (length == 0 || !core_->Use()) return;
    glGenBuffers(1, &buffer_);
    glBindBuffer(GL_COPY_WRITE_BUFFER, buffer_);
    glBufferData(GL_COPY_WRITE_BUFFER, length, bytes_.data(), usage_);
    if (glGetError() != GL_NO_ERROR) {
        glDeleteBuffers(1, &buffer_);
        buffer_ = 0;
    }
}

BufferStorage::~BufferStorage() {
    if (buffer_ != 0 && core_->Use()) {
        core_->cache().ForgetBuffer(buffer_);
        glDeleteBuffers(1, &buffer_);
    }
}

HRESULT BufferStorage::Lock(UINT offset, UINT size, BYTE** data, DWORD flags) {
    if (data == nullptr) return Refuse("buffer-lock", "Lock needs a pointer to fill", D3DERR_INVALIDCALL);
    *data = nullptr;
    if (locked_) return Refuse("buffer-lock-twice", "Lock on a buffer that is already locked", D3DERR_INVALIDCALL);
    if (size == 0) size = offset <= length() ? length() - offset : 0;
    if (offset > length() || size > length() - offset) {
        return Refuse("buffer-lock-range", "Lock of a range past the end of the buffer",
                      D3DERR_INVALIDCALL);
    }
    locked_ = true;
    readOnly_ = (flags & D3DLOCK_READONLY) != 0 && (flags & D3DLOCK_DISCARD) == 0;
    lockOffset_ = offset;
    lockSize_ = size;
    *data = bytes_.data() + offset;
    return D3D_OK;
}

HRESULT BufferStorage::Unlock() {
    if (!locked_) return Refuse("buffer-unlock", "Unlock on a buffer that is not locked", D3DERR_INVALIDCALL);
    locked_ = false;
    if (readOnly_ || buffer_ == 0) return D3D_OK;
    if (!core_->Use()) return D3DERR_DEVICELOST;
    glBindBuffer(GL_COPY_WRITE_BUFFER, buffer_);
    // Only the locked range is sent, discard or not: after a discard the rest of the buffer is
    // undefined anyway, and a large dynamic buffer is usually refilled only in part. Discard does
    // not orphan the storage: a software rasteriser allocates and clears the whole new store,
    // which for the metaball buffers (tens of megabytes) cost half a second a frame.
    if (lockSize_ > 0) {
        glBufferSubData(GL_COPY_WRITE_BUFFER, lockOffset_, lockSize_, bytes_.data() + lockOffset_);
    }
    return D3D_OK;
}

HRESULT VertexBuffer::GetDevice(IDirect3DDevice8** device) {
    return OwnerOf(*core_, device);
}

HRESULT VertexBuffer::GetDesc(D3DVERTEXBUFFER_DESC* desc) {
    if (desc == nullptr) return D3DERR_INVALIDCALL;
    *desc = {D3DFMT_VERTEXDATA, D3DRTYPE_VERTEXBUFFER, usage_, pool_, storage_.length(), fvf_};
    return D3D_OK;
}

HRESULT IndexBuffer::GetDevice(IDirect3DDevice8** device) {
    return OwnerOf(*core_, device);
}

HRESULT IndexBuffer::GetDesc(D3DINDEXBUFFER_DESC* desc) {
    if (desc == nullptr) return D3DERR_INVALIDCALL;
    *desc = {format_, D3DRTYPE_INDEXBUFFER, usage_, pool_, storage_.length()};
    return D3D_OK;
}

// ---- Surfaces ----------------------------------------------------------------------------------

Surface::Surface(IUnknown* container, TextureStorage& storage, int face, UINT level)
    : container_(container) {
    container_->AddRef();
    image_.kind = SurfaceImage::Kind::TextureImage;
    image_.storage = &storage;
    image_.face = face;
    image_.level = level;
    image_.width = storage.LevelWidth(level);
    image_.height = storage.LevelHeight(level);
}

Surface::Surface(std::shared_ptr<GlCore> core, SurfaceImage::Kind kind, GLuint texture, UINT width,
                 UINT height, D3DFORMAT format)
    : core_(std::move(core)), format_(format) {
    image_.kind = kind;
    image_.texture = texture;
    image_.width = width;
    image_.height = height;
}

Surface::~Surface() {
    if (container_ != nullptr) container_->Release();
}

HRESULT Surface::GetDevice(IDirect3DDevice8** device) {
    return OwnerOf(image_.storage != nullptr ? image_.storage->core() : *core_, device);
}

HRESULT Surface::GetDesc(D3DSURFACE_DESC* desc) {
    if (desc == nullptr) return D3DERR_INVALIDCALL;
    if (image_.storage != nullptr) return image_.storage->Describe(image_.level, desc);
    const bool depth = image_.kind == SurfaceImage::Kind::DepthStencil;
    *desc = {format_,
             D3DRTYPE_SURFACE,
             depth ? D3DUSAGE_DEPTHSTENCIL : D3DUSAGE_RENDERTARGET,
             D3DPOOL_DEFAULT,
             image_.width * image_.height * 4,
             D3DMULTISAMPLE_NONE,
             image_.width,
             image_.height};
    return D3D_OK;
}

HRESULT Surface::LockRect(D3DLOCKED_RECT* locked, const RECT* rect, DWORD flags) {
    if (image_.storage != nullptr) {
        return image_.storage->Lock(image_.face, image_.level, locked, rect, flags);
    }
    if (image_.kind == SurfaceImage::Kind::DepthStencil) {
        return Refuse("lock-depth", "the depth-stencil surface cannot be locked", D3DERR_INVALIDCALL);
    }
    if (locked == nullptr || locked_) {
        return Refuse("lock-backbuffer", "LockRect on the back buffer needs a record and no lock held",
                      D3DERR_INVALIDCALL);
    }
    if ((flags & D3DLOCK_READONLY) == 0) {
        return Refuse("lock-backbuffer-write", "the back buffer locks read-only", D3DERR_INVALIDCALL);
    }
    const RECT whole{0, 0, static_cast<LONG>(image_.width), static_cast<LONG>(image_.height)};
    const RECT area = rect != nullptr ? *rect : whole;
    if (area.left < 0 || area.top < 0 || area.right > whole.right || area.bottom > whole.bottom ||
        area.left >= area.right || area.top >= area.bottom) {
        return Refuse("lock-rect", "LockRect with a rectangle outside the level", D3DERR_INVALIDCALL);
    }
    if (!core_->Use()) return D3DERR_DEVICELOST;
    const UINT pitch = image_.width * 4;
    readBack_.resize(static_cast<size_t>(pitch) * image_.height);
    core_->ReadTextureImage(GL_TEXTURE_2D, image_.texture, 0, static_cast<int>(image_.width),
                            static_cast<int>(image_.height), readBack_.data(), static_cast<int>(pitch));
    locked_ = true;
    locked->Pitch = static_cast<INT>(pitch);
    locked->pBits = readBack_.data() + static_cast<size_t>(area.top) * pitch + area.left * 4u;
    return D3D_OK;
}

HRESULT Surface::UnlockRect() {
    if (image_.storage != nullptr) return image_.storage->Unlock(image_.face, image_.level);
    if (!locked_) return Refuse("unlock", "UnlockRect on a level that is not locked", D3DERR_INVALIDCALL);
    locked_ = false;
    readBack_ = {};
    return D3D_OK;
}

// ---- Textures ----------------------------------------------------------------------------------

HRESULT Texture::GetDevice(IDirect3DDevice8** device) {
    return OwnerOf(storage_->core(), device);
}

HRESULT Texture::GetSurfaceLevel(UINT level, IDirect3DSurface8** surface) {
    if (surface == nullptr || level >= storage_->levels()) {
        return Refuse("surface-level", "GetSurfaceLevel needs an existing level and a pointer",
                      D3DERR_INVALIDCALL);
    }
    *surface = new Surface(this, *storage_, 0, level);
    return D3D_OK;
}

HRESULT CubeTexture::GetDevice(IDirect3DDevice8** device) {
    return OwnerOf(storage_->core(), device);
}

HRESULT CubeTexture::GetCubeMapSurface(D3DCUBEMAP_FACES face, UINT level,
                                       IDirect3DSurface8** surface) {
    if (surface == nullptr || face > D3DCUBEMAP_FACE_NEGATIVE_Z || level >= storage_->levels()) {
        return Refuse("cube-surface", "GetCubeMapSurface needs a face, an existing level and a pointer",
                      D3DERR_INVALIDCALL);
    }
    *surface = new Surface(this, *storage_, static_cast<int>(face), level);
    return D3D_OK;
}

TextureStorage* StorageOf(IDirect3DBaseTexture8* texture) {
    if (auto* flat = dynamic_cast<Texture*>(texture)) return &flat->storage();
    if (auto* cube = dynamic_cast<CubeTexture*>(texture)) return &cube->storage();
    return nullptr;
}

}  // namespace tavrin::d3d
