#include <SDL.h>

#include "platform/gl_context.h"
#include "platform/gl_context_error.h"
#include "platform/window.h"

namespace tavrin {

namespace {

class SdlGlContext final : public GlContext {
public:
    SdlGlContext(SDL_Window* window, SDL_GLContext context) : window_(window), context_(context) {}
    ~SdlGlContext() override { SDL_GL_DeleteContext(context_); }

    bool MakeCurrent() override { return SDL_GL_MakeCurrent(window_, context_) == 0; }
    void SwapBuffers() override { SDL_GL_SwapWindow(window_); }
    void DrawableSize(int& width, int& height) const override {
        SDL_GL_GetDrawableSize(window_, &width, &height);
    }
    bool HasWindow() const override { return true; }

private:
    SDL_Window* window_;
    SDL_GLContext context_;
};

}  // namespace

std::unique_ptr<GlContext> CreateWindowGlContext(Window& window, bool vsync) {
    SDL_GLContext context = SDL_GL_CreateContext(window.Handle());
    if (context == nullptr) {
        SetGlContextError(std::string("OpenGL 3.3 core context failed: ") + SDL_GetError());
        return nullptr;
    }
    SDL_GL_SetSwapInterval(vsync ? 1 : 0);
    return std::make_unique<SdlGlContext>(window.Handle(), context);
}

}  // namespace tavrin
