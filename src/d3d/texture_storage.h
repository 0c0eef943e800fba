#pragma once

#include "d3d/gl_api.h"

#include <memory>
#include <vector>

#include "d3d/d3d8.h"
#include "d3d/gl_core.h"
#include "d3d/texture_format.h"

namespace tavrin::d3d {

// The images of a 2D or cube texture, held by GL. A locked level gets a copy in the API's texel
// layout, read back from GL (zeros before anything was written), that UnlockRect uploads and
// frees: no texture keeps a second copy of its images in memory. Render-target textures lock
// read-only.
class TextureStorage {
public:
    // Null (with a message) when the size, format, levels or usage cannot be made.
    static std::unique_ptr<TextureStorage> Create(std::shared_ptr<GlCore> core, bool cube,
                                                  UINT width, UINT height, UINT levels,
                                                  DWORD usage, D3DFORMAT format, D3DPOOL pool);
    ~TextureStorage();

    GLenum target() const { return cube_ ? GL_TEXTURE_CUBE_MAP : GL_TEXTURE_2D; }
    GLenum imageTarget(int face) const {
        return cube_ ? GL_TEXTURE_CUBE_MAP_POSITIVE_X + static_cast<GLenum>(face) : GL_TEXTURE_2D;
    }
    GLuint texture() const { return texture_; }
    UINT levels() const { return levels_; }
    bool isRenderTarget() const { return (usage_ & D3DUSAGE_RENDERTARGET) != 0; }
    UINT LevelWidth(UINT level) const;
    UINT LevelHeight(UINT level) const;
    GlCore& core() { return *core_; }

    // The framebuffer drawing into (face, level), bound, with `depthStencil` (a renderbuffer, or
    // 0) as its depth: made on first use and kept with the texture.
    GLuint TargetFramebuffer(int face, UINT level, GLuint depthStencil);

    HRESULT Describe(UINT level, D3DSURFACE_DESC* desc) const;
    HRESULT Lock(int face, UINT level, D3DLOCKED_RECT* locked, const RECT* rect, DWORD flags);
    HRESULT Unlock(int face, UINT level);

private:
    struct Image {
        std::vector<uint8_t> texels;  // the caller-visible copy, only while locked
        bool written = false;         // GL holds more than the zeros it started with
        bool locked = false;
        bool readOnly = false;
        RECT rect{};
    };

    TextureStorage(std::shared_ptr<GlCore> core, bool cube, UINT width, UINT height, UINT levels,
                   DWORD usage, D3DFORMAT format, D3DPOOL pool, TextureFormat gl)
        : core_(std::move(core)), cube_(cube), width_(width), height_(height), levels_(levels),
          usage_(usage), format_(format), pool_(pool), gl_(gl) {}
    bool Allocate();
    Image* FindImage(int face, UINT level);
    void Upload(int face, UINT level, const RECT& rect);
    void ReadLevel(int face, UINT level, Image& image);

    std::shared_ptr<GlCore> core_;
    bool cube_;
    UINT width_, height_, levels_;
    DWORD usage_;
    D3DFORMAT format_;
    D3DPOOL pool_;
    TextureFormat gl_;
    GLuint texture_ = 0;
    std::vector<Image> images_;  // face-major: face * levels + level
    struct Target {
        GLuint framebuffer = 0;
        GLuint depth = 0;
    };
    std::vector<Target> targets_;  // as images_, once the texture is drawn into
};

// Full mip chain length for a width x height image.
UINT FullChainLevels(UINT width, UINT height);

}  // namespace tavrin::d3d
