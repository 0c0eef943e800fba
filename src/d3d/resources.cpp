#include "d3d/resources.h"

#include <algorithm>
#include <cstring>

#include "bytes/little_endian.h"
#include "d3d/diagnostics.h"
#include "d3d/gl_error_check.h"
#include "d3d/gl_profile.h"

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

BufferStorage::BufferStorage(std::shared_ptr<GlCore> core, UINT length, DWORD usage,
                             Contents contents)
    : core_(std::move(core)),
      length_(length),
      usage_((usage & D3DUSAGE_DYNAMIC) != 0 ? GL_STREAM_DRAW : GL_STATIC_DRAW) {
    if (contents == Contents::kCopyKept) copy_.assign(length, 0);
    if (length == 0 || !core_->Use()) return;
    glGenBuffers(1, &buffer_);
    if (copy_.empty()) return;  // the store comes with the first lock or draw
    gl_profile::MarkIndexBuffer(buffer_);  // only index buffers keep a copy
    glBindBuffer(GL_COPY_WRITE_BUFFER, buffer_);
    const ExpectedGlErrors allocationMayFail;
    glBufferData(GL_COPY_WRITE_BUFFER, length, copy_.data(), usage_);
    storeSize_ = length;
    if (glGetError() != GL_NO_ERROR) {
        glDeleteBuffers(1, &buffer_);
        buffer_ = 0;
    }
}

BufferStorage::~BufferStorage() {
    if (buffer_ != 0 && core_->Use()) {
        core_->ForgetBuffer(buffer_);
        glDeleteBuffers(1, &buffer_);
    }
}

bool BufferStorage::Cover(size_t bytes) {
    bytes = std::min<size_t>(bytes, length_);
    return bytes <= storeSize_ || Grow(bytes, true);
}

// At least doubles the store (up to the buffer's length), so a surface that grows frame by frame
// regrows it only a few times. The old contents move over through a second buffer unless the
// caller is about to discard them.
bool BufferStorage::Grow(size_t bytes, bool keepContents) {
    if (buffer_ == 0 || !core_->Use()) return false;
    const auto size = static_cast<UINT>(
        std::min<size_t>(length_, std::max<size_t>(bytes, size_t{storeSize_} * 2)));
    GLuint saved = 0;
    if (keepContents && storeSize_ > 0) {
        glGenBuffers(1, &saved);
        glBindBuffer(GL_COPY_WRITE_BUFFER, saved);
        glBufferData(GL_COPY_WRITE_BUFFER, storeSize_, nullptr, GL_STREAM_COPY);
        glBindBuffer(GL_COPY_READ_BUFFER, buffer_);
        glCopyBufferSubData(GL_COPY_READ_BUFFER, GL_COPY_WRITE_BUFFER, 0, 0, storeSize_);
    }
    glBindBuffer(GL_COPY_WRITE_BUFFER, buffer_);
    bool grown = false;
    {
        const ExpectedGlErrors allocationMayFail;
        glBufferData(GL_COPY_WRITE_BUFFER, size, nullptr, usage_);
        grown = glGetError() == GL_NO_ERROR;
    }
    if (saved != 0) {
        if (grown) {
            glBindBuffer(GL_COPY_READ_BUFFER, saved);
            glCopyBufferSubData(GL_COPY_READ_BUFFER, GL_COPY_WRITE_BUFFER, 0, 0, storeSize_);
        }
        core_->ForgetBuffer(saved);
        glDeleteBuffers(1, &saved);
    }
    storeSize_ = grown ? size : 0;
    return grown;
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
    const bool discard = (flags & D3DLOCK_DISCARD) != 0;
    readOnly_ = (flags & D3DLOCK_READONLY) != 0 && !discard;
    uint8_t* bytes = LockedBytes(offset, size, discard);
    if (bytes == nullptr) return D3DERR_OUTOFVIDEOMEMORY;
    locked_ = true;
    lockOffset_ = offset;
    lockSize_ = size;
    *data = bytes;
    return D3D_OK;
}

// The kept copy, the GL store's own bytes, or else the scratch holding the range: its current
// contents unless the lock discards them (after a discard they are undefined). Mapping the store
// spares a copy of the range in memory and another on Unlock.
uint8_t* BufferStorage::LockedBytes(UINT offset, UINT size, bool discard) {
    if (!copy_.empty()) return copy_.data() + offset;
    if (buffer_ != 0 && size_t{offset} + size > storeSize_ &&
        !Grow(size_t{offset} + size, !discard)) {
        return nullptr;
    }
    if (gl_profile::kMapsBuffers && buffer_ != 0 && size > 0) {
        if (!core_->Use()) return nullptr;
        glBindBuffer(GL_COPY_WRITE_BUFFER, buffer_);
        mapped_ = gl_profile::MapLockedRange(offset, size, readOnly_, discard);
        if (mapped_ != nullptr) return mapped_;
    }
    // The scratch keeps its size between locks, so a buffer refilled every frame allocates once.
    if (scratch_.size() < size || scratch_.empty()) scratch_.resize(std::max<size_t>(size, 1));
    if (discard || size == 0 || buffer_ == 0) return scratch_.data();
    if (!core_->Use()) return nullptr;
    glBindBuffer(GL_COPY_READ_BUFFER, buffer_);
    glGetBufferSubData(GL_COPY_READ_BUFFER, offset, size, scratch_.data());
    return scratch_.data();
}

HRESULT BufferStorage::Unlock() {
    if (!locked_) return Refuse("buffer-unlock", "Unlock on a buffer that is not locked", D3DERR_INVALIDCALL);
    locked_ = false;
    if (mapped_ != nullptr) {
        mapped_ = nullptr;
        if (!core_->Use()) return D3DERR_DEVICELOST;
        glBindBuffer(GL_COPY_WRITE_BUFFER, buffer_);
        if (!gl_profile::UnmapLockedRange()) return D3DERR_DEVICELOST;
        return D3D_OK;
    }
    if (readOnly_ || buffer_ == 0) return D3D_OK;
    if (!core_->Use()) return D3DERR_DEVICELOST;
    glBindBuffer(GL_COPY_WRITE_BUFFER, buffer_);
    // Only the locked range is sent, discard or not: after a discard the rest of the buffer is
    // undefined anyway, and a large dynamic buffer is usually refilled only in part. Discard does
    // not orphan the storage: a software rasteriser allocates and clears the whole new store,
    // which for the metaball buffers (tens of megabytes) cost half a second a frame.
    if (lockSize_ > 0) {
        const uint8_t* bytes = copy_.empty() ? scratch_.data() : copy_.data() + lockOffset_;
        glBufferSubData(GL_COPY_WRITE_BUFFER, lockOffset_, lockSize_, bytes);
    }
    return D3D_OK;
}

template <class Interface>
HRESULT Buffer<Interface>::GetDevice(IDirect3DDevice8** device) {
    return OwnerOf(*core_, device);
}

template class Buffer<IDirect3DVertexBuffer8>;
template class Buffer<IDirect3DIndexBuffer8>;

HRESULT VertexBuffer::GetDesc(D3DVERTEXBUFFER_DESC* desc) {
    if (desc == nullptr) return D3DERR_INVALIDCALL;
    *desc = {D3DFMT_VERTEXDATA, D3DRTYPE_VERTEXBUFFER, usage_, pool_, storage_.length(), fvf_};
    return D3D_OK;
}

uint32_t HighestIndex(const uint8_t* indices, size_t count, bool wide) {
    uint32_t highest = 0;
    for (size_t i = 0; i < count; ++i) {
        highest =
            std::max(highest, wide ? le::Read32(indices + 4 * i) : le::Read16(indices + 2 * i));
    }
    return highest;
}

// Rereads the whole copy rather than only the range just written: a lock that lowers the old
// highest index must lower the bound too.
HRESULT IndexBuffer::Unlock() {
    const HRESULT result = storage_.Unlock();
    if (result == D3D_OK) {
        highestIndex_ =
            HighestIndex(storage_.bytes(), storage_.length() / (wide() ? 4 : 2), wide());
    }
    return result;
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
