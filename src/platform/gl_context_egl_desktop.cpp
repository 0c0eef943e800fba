#include <epoxy/egl.h>

#include <cstring>

#include "platform/gl_context.h"
#include "platform/gl_context_error.h"

namespace tavrin {

namespace {

bool HasExtension(const char* list, const char* name) {
    if (list == nullptr) return false;
    const size_t length = std::strlen(name);
    for (const char* p = std::strstr(list, name); p != nullptr; p = std::strstr(p + 1, name)) {
        const bool startOk = p == list || p[-1] == ' ';
        const bool endOk = p[length] == '\0' || p[length] == ' ';
        if (startOk && endOk) return true;
    }
    return false;
}

// Mesa's surfaceless platform needs no window system at all; without it the default display
// still works when EGL_PLATFORM=surfaceless is set.
EGLDisplay OpenDisplay() {
    const char* clientExtensions = eglQueryString(EGL_NO_DISPLAY, EGL_EXTENSIONS);
    if (HasExtension(clientExtensions, "EGL_MESA_platform_surfaceless")) {
        EGLDisplay display =
            eglGetPlatformDisplayEXT(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
        if (display != EGL_NO_DISPLAY) return display;
    }
    return eglGetDisplay(EGL_DEFAULT_DISPLAY);
}

class EglGlContext final : public GlContext {
public:
    EglGlContext(EGLDisplay display, EGLContext context) : display_(display), context_(context) {}
    ~EglGlContext() override {
        if (eglGetCurrentContext() == context_) {
            eglMakeCurrent(display_, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
        }
        eglDestroyContext(display_, context_);
        // The display stays initialised: EGL displays are shared process-wide, and terminating
        // one would pull it from under any other context still alive.
    }

    bool MakeCurrent() override {
        return eglMakeCurrent(display_, EGL_NO_SURFACE, EGL_NO_SURFACE, context_) == EGL_TRUE;
    }
    void SwapBuffers() override {}
    void DrawableSize(int& width, int& height) const override { width = height = 0; }
    bool HasWindow() const override { return false; }

private:
    EGLDisplay display_;
    EGLContext context_;
};

}  // namespace

std::unique_ptr<GlContext> CreateHeadlessGlContext() {
    EGLDisplay display = OpenDisplay();
    if (display == EGL_NO_DISPLAY) {
        SetGlContextError("no EGL display");
        return nullptr;
    }
    EGLint major = 0;
    EGLint minor = 0;
    if (eglInitialize(display, &major, &minor) != EGL_TRUE) {
        SetGlContextError("EGL initialisation failed");
        return nullptr;
    }
    const char* extensions = eglQueryString(display, EGL_EXTENSIONS);
    if (!HasExtension(extensions, "EGL_KHR_surfaceless_context")) {
        SetGlContextError("EGL display cannot make a context current without a surface");
        return nullptr;
    }
    if (eglBindAPI(EGL_OPENGL_API) != EGL_TRUE) {
        SetGlContextError("EGL has no desktop OpenGL");
        return nullptr;
    }
    EGLConfig config = nullptr;
    if (!HasExtension(extensions, "EGL_KHR_no_config_context")) {
        const EGLint configAttributes[] = {EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT, EGL_NONE};
        EGLint count = 0;
        if (eglChooseConfig(display, configAttributes, &config, 1, &count) != EGL_TRUE ||
            count == 0) {
            SetGlContextError("no EGL configuration for desktop OpenGL");
            return nullptr;
        }
    }
    const EGLint contextAttributes[] = {EGL_CONTEXT_MAJOR_VERSION,
                                        3,
                                        EGL_CONTEXT_MINOR_VERSION,
                                        3,
                                        EGL_CONTEXT_OPENGL_PROFILE_MASK,
                                        EGL_CONTEXT_OPENGL_CORE_PROFILE_BIT,
                                        EGL_NONE};
    EGLContext context = eglCreateContext(display, config, EGL_NO_CONTEXT, contextAttributes);
    if (context == EGL_NO_CONTEXT) {
        SetGlContextError("no OpenGL 3.3 core context from EGL");
        return nullptr;
    }
    auto result = std::make_unique<EglGlContext>(display, context);
    if (!result->MakeCurrent()) {
        SetGlContextError("the EGL context cannot be made current");
        return nullptr;
    }
    return result;
}

}  // namespace tavrin
