#include "d3d/gl_error_check.h"

#include "d3d/gl_api.h"

#include <cstdio>
#include <cstdlib>

namespace tavrin::d3d {

#ifdef TAVRIN_GL_ERROR_CHECK

namespace {

// Errors are reported synchronously, on the thread of the call that raised them.
thread_local int expectedScopes = 0;

void GLAPIENTRY OnDebugMessage(GLenum, GLenum type, GLuint, GLenum, GLsizei, const GLchar* message,
                               const void*) {
    if (type != GL_DEBUG_TYPE_ERROR || expectedScopes > 0) return;
    std::fprintf(stderr, "GL error: %s\n", message);
    std::abort();
}

}  // namespace

void InstallGlErrorCheck() {
    if (!epoxy_has_gl_extension("GL_KHR_debug") && epoxy_gl_version() < 43) {
        std::fprintf(stderr, "GL error check: the context has no KHR_debug\n");
        std::abort();
    }
    glEnable(GL_DEBUG_OUTPUT);
    glEnable(GL_DEBUG_OUTPUT_SYNCHRONOUS);
    glDebugMessageCallback(OnDebugMessage, nullptr);
}

bool GlErrorCheckEnabled() {
    return true;
}

ExpectedGlErrors::ExpectedGlErrors() {
    ++expectedScopes;
}
ExpectedGlErrors::~ExpectedGlErrors() {
    --expectedScopes;
}

#else

void InstallGlErrorCheck() {}
bool GlErrorCheckEnabled() {
    return false;
}
ExpectedGlErrors::ExpectedGlErrors() = default;
ExpectedGlErrors::~ExpectedGlErrors() = default;

#endif

}  // namespace tavrin::d3d
