#include "d3d/texture_storage.h"

#include <algorithm>
#include <cstring>

#include "d3d/diagnostics.h"
#include "d3d/gl_error_check.h"
#include "d3d/gl_profile.h"

namespace tavrin::d3d {

UINT FullChainLevels(UINT width, UINT height) {
    UINT levels = 1;
    for (UINT size = std::max(width, height); size > 1; size /= 2) ++levels;
    return levels;
}

std::unique_ptr<TextureStorage> TextureStorage::Create(std::shared_ptr<GlCore> core, bool cube,
                                                       UINT width, UINT height, UINT levels,
                                                       DWORD usage, D3DFORMAT format,
                                                       D3DPOOL pool) {
    if (width == 0 || height == 0 || (cube && width != height)) {
        Report("texture-size", "a texture needs a non-zero size (and square faces for a cube)");
        return nullptr;
    }
    GLint maxSize = 0;
    glGetIntegerv(cube ? GL_MAX_CUBE_MAP_TEXTURE_SIZE : GL_MAX_TEXTURE_SIZE, &maxSize);
    if (width > static_cast<UINT>(maxSize) || height > static_cast<UINT>(maxSize)) {
        Report("texture-too-big", "texture of " + std::to_string(width) + " x " +
                                      std::to_string(height) + " is larger than the GL allows");
        return nullptr;
    }
    const UINT fullChain = FullChainLevels(width, height);
    if (levels == 0 || levels > fullChain) levels = fullChain;
    const TextureFormat gl = DescribeTextureFormat(format);
    const bool renderTarget = (usage & D3DUSAGE_RENDERTARGET) != 0;
    if (!gl.supported || (renderTarget && format != D3DFMT_A8R8G8B8 && format != D3DFMT_X8R8G8B8)) {
        Report("texture-format", "texture format " + std::to_string(format) +
                                     (renderTarget ? " cannot be rendered to" : " is not supported"));
        return nullptr;
    }
    if ((usage & ~(D3DUSAGE_RENDERTARGET | D3DUSAGE_DYNAMIC | D3DUSAGE_WRITEONLY)) != 0) {
        Report("texture-usage", "texture usage flags other than RENDERTARGET and DYNAMIC are ignored");
    }
    auto storage = std::unique_ptr<TextureStorage>(
        new TextureStorage(std::move(core), cube, width, height, levels, usage, format, pool, gl));
    if (!storage->Allocate()) return nullptr;
    return storage;
}

TextureStorage::~TextureStorage() {
    if (texture_ != 0 && core_->Use()) {
        for (const Target& target : targets_) {
            if (target.framebuffer == 0) continue;
            core_->cache().ForgetFramebuffer(target.framebuffer);
            glDeleteFramebuffers(1, &target.framebuffer);
        }
        core_->cache().ForgetTexture(texture_);
        glDeleteTextures(1, &texture_);
    }
}

GLuint TextureStorage::TargetFramebuffer(int face, UINT level, GLuint depthStencil) {
    if (targets_.empty()) targets_.resize(images_.size());
    Target& target = targets_[static_cast<size_t>(face) * levels_ + level];
    const bool made = target.framebuffer != 0;
    if (!made) glGenFramebuffers(1, &target.framebuffer);
    core_->cache().BindFramebuffer(target.framebuffer);
    if (!made) {
        glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, imageTarget(face), texture_,
                               static_cast<GLint>(level));
    }
    if (!made || target.depth != depthStencil) {
        glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_STENCIL_ATTACHMENT, GL_RENDERBUFFER,
                                  depthStencil);
        target.depth = depthStencil;
    }
    return target.framebuffer;
}

UINT TextureStorage::LevelWidth(UINT level) const {
    return std::max(width_ >> level, 1u);
}

UINT TextureStorage::LevelHeight(UINT level) const {
    return std::max(height_ >> level, 1u);
}

bool TextureStorage::Allocate() {
    const int faces = cube_ ? 6 : 1;
    images_.resize(static_cast<size_t>(faces) * levels_);
    glGenTextures(1, &texture_);
    core_->cache().BindTexture(0, target(), texture_);
    glTexParameteri(target(), GL_TEXTURE_BASE_LEVEL, 0);
    glTexParameteri(target(), GL_TEXTURE_MAX_LEVEL, static_cast<GLint>(levels_) - 1);
    gl_profile::SetTextureSwizzle(target(), gl_);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    // Contents start as zeros (Direct3D leaves them undefined), so no read sees garbage.
    const ExpectedGlErrors allocationMayFail;
    for (int face = 0; face < faces; ++face) {
        for (UINT level = 0; level < levels_; ++level) {
            gl_profile::DefineImage(imageTarget(face), texture_, static_cast<GLint>(level),
                                    format_, gl_, static_cast<int>(LevelWidth(level)),
                                    static_cast<int>(LevelHeight(level)));
        }
    }
    if (glGetError() != GL_NO_ERROR) {
        Report("texture-alloc", "GL could not allocate a texture");
        return false;
    }
    return true;
}

HRESULT TextureStorage::Describe(UINT level, D3DSURFACE_DESC* desc) const {
    if (desc == nullptr || level >= levels_) {
        return Refuse("level-desc", "GetLevelDesc needs an existing level and a record",
                      D3DERR_INVALIDCALL);
    }
    desc->Format = format_;
    desc->Type = D3DRTYPE_SURFACE;
    desc->Usage = usage_;
    desc->Pool = pool_;
    desc->Size = LevelWidth(level) * LevelHeight(level) * static_cast<UINT>(gl_.bytesPerTexel);
    desc->MultiSampleType = D3DMULTISAMPLE_NONE;
    desc->Width = LevelWidth(level);
    desc->Height = LevelHeight(level);
    return D3D_OK;
}

TextureStorage::Image* TextureStorage::FindImage(int face, UINT level) {
    if (face < 0 || face >= (cube_ ? 6 : 1) || level >= levels_) return nullptr;
    return &images_[static_cast<size_t>(face) * levels_ + level];
}

HRESULT TextureStorage::Lock(int face, UINT level, D3DLOCKED_RECT* locked, const RECT* rect,
                             DWORD flags) {
    Image* image = FindImage(face, level);
    if (image == nullptr || locked == nullptr) {
        return Refuse("lock-args", "LockRect needs an existing level or face and a record",
                      D3DERR_INVALIDCALL);
    }
    if (image->locked) {
        return Refuse("lock-twice", "LockRect on a level that is already locked", D3DERR_INVALIDCALL);
    }
    const LONG width = static_cast<LONG>(LevelWidth(level));
    const LONG height = static_cast<LONG>(LevelHeight(level));
    const RECT whole{0, 0, width, height};
    const RECT area = rect != nullptr ? *rect : whole;
    if (area.left < 0 || area.top < 0 || area.right > width || area.bottom > height ||
        area.left >= area.right || area.top >= area.bottom) {
        return Refuse("lock-rect", "LockRect with a rectangle outside the level", D3DERR_INVALIDCALL);
    }
    const bool readOnly = (flags & D3DLOCK_READONLY) != 0;
    if (isRenderTarget() && !readOnly) {
        return Refuse("lock-target", "render-target textures lock read-only", D3DERR_INVALIDCALL);
    }
    const int pitch = width * gl_.bytesPerTexel;
    // The copy lives until the unlock.
    if (isRenderTarget() || image->written) {
        if (!core_->Use()) return D3DERR_DEVICELOST;
        image->texels.resize(static_cast<size_t>(pitch) * height);
        if (isRenderTarget()) {
            core_->ReadTextureImage(imageTarget(face), texture_, static_cast<int>(level), width,
                                    height, image->texels.data(), width * 4);
        } else {
            ReadLevel(face, level, *image);
        }
    } else {
        image->texels.assign(static_cast<size_t>(pitch) * height, 0);
    }
    image->locked = true;
    image->readOnly = readOnly;
    image->rect = area;
    locked->Pitch = pitch;
    locked->pBits = image->texels.data() + static_cast<size_t>(area.top) * pitch +
                    static_cast<size_t>(area.left) * gl_.bytesPerTexel;
    return D3D_OK;
}

HRESULT TextureStorage::Unlock(int face, UINT level) {
    Image* image = FindImage(face, level);
    if (image == nullptr || !image->locked) {
        return Refuse("unlock", "UnlockRect on a level that is not locked", D3DERR_INVALIDCALL);
    }
    image->locked = false;
    HRESULT result = D3D_OK;
    if (!isRenderTarget() && !image->readOnly) {
        if (core_->Use()) {
            Upload(face, level, image->rect);
            image->written = true;
        } else {
            result = D3DERR_DEVICELOST;
        }
    }
    image->texels.clear();
    image->texels.shrink_to_fit();
    return result;
}

void TextureStorage::ReadLevel(int face, UINT level, Image& image) {
    core_->cache().BindTexture(0, target(), texture_);
    gl_profile::DownloadImage(*core_, imageTarget(face), texture_, static_cast<GLint>(level),
                              format_, gl_, static_cast<int>(LevelWidth(level)),
                              static_cast<int>(LevelHeight(level)), image.texels.data());
}

void TextureStorage::Upload(int face, UINT level, const RECT& rect) {
    Image& image = *FindImage(face, level);
    const int width = static_cast<int>(LevelWidth(level));
    core_->cache().BindTexture(0, target(), texture_);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    const uint8_t* first = image.texels.data() +
                           (static_cast<size_t>(rect.top) * width + rect.left) * gl_.bytesPerTexel;
    gl_profile::UploadImage(imageTarget(face), static_cast<GLint>(level), format_, gl_, rect.left,
                            rect.top, rect.right - rect.left, rect.bottom - rect.top, first, width);
}

}  // namespace tavrin::d3d
