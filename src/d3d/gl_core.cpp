#include "d3d/gl_core.h"

#include "d3d/gl_profile.h"

namespace tavrin::d3d {

namespace {
thread_local GlCore* currentCore = nullptr;
}

GlCore::~GlCore() {
    if (Use()) {
        vertexArrays_.Clear(cache_);
        if (readFramebuffer_ != 0) glDeleteFramebuffers(1, &readFramebuffer_);
    }
    if (currentCore == this) currentCore = nullptr;
}

bool GlCore::Use() {
    if (currentCore == this) return true;
    if (!context_->MakeCurrent()) return false;
    currentCore = this;
    return true;
}

void GlCore::ForgetBuffer(GLuint buffer) {
    vertexArrays_.ForgetBuffer(cache_, buffer);
    cache_.ForgetBuffer(buffer);
}

GLuint GlCore::ReadFramebuffer() {
    if (readFramebuffer_ == 0) glGenFramebuffers(1, &readFramebuffer_);
    return readFramebuffer_;
}

void GlCore::ReadTextureImage(GLenum target, GLuint texture, int level, int width, int height,
                              void* pixels, int pitch) {
    cache_.BindFramebuffer(ReadFramebuffer());
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, target, texture, level);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glPixelStorei(GL_PACK_ROW_LENGTH, pitch / 4);
    // Images are stored top row first, so GL's first row is the top one.
    gl_profile::ReadPixelsBgra(width, height, pixels, pitch);
    glPixelStorei(GL_PACK_ROW_LENGTH, 0);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, target, 0, 0);
}

}  // namespace tavrin::d3d
