#pragma once

#include <memory>
#include <string>

namespace tavrin {

class Window;

// An OpenGL 3.3 core context the device layer draws through, current on the calling thread.
// Function pointers come through libepoxy, so either kind works with the same GL calls.
class GlContext {
public:
    virtual ~GlContext() = default;

    virtual bool MakeCurrent() = 0;
    // Shows the default framebuffer (no-op without a window).
    virtual void SwapBuffers() = 0;
    // Size of the default framebuffer in pixels; 0 x 0 when there is none.
    virtual void DrawableSize(int& width, int& height) const = 0;
    virtual bool HasWindow() const = 0;
};

// A context on the window's surface; waits for the vertical retrace on every swap when `vsync`.
// Null with a message in GlContextError() on failure.
std::unique_ptr<GlContext> CreateWindowGlContext(Window& window, bool vsync);

// A context without any surface (EGL surfaceless, e.g. Mesa's llvmpipe): rendering goes into
// framebuffer objects only. Null with a message in GlContextError() on failure.
std::unique_ptr<GlContext> CreateHeadlessGlContext();

const std::string& GlContextError();

}  // namespace tavrin
