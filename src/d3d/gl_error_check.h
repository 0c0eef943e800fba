#pragma once

// In debug and sanitizer builds every GL error stops the program at the call that raised it,
// naming the error, so the test that caused it fails there instead of a later, unrelated call
// failing. Release builds check nothing.

namespace tavrin::d3d {

// Turns the check on for the context current on this thread (once per context).
void InstallGlErrorCheck();

// Whether this build checks (debug and sanitizer builds).
bool GlErrorCheckEnabled();

// Errors the layer provokes on purpose and reads with glGetError itself (a store GL cannot
// allocate) are let through while one of these lives.
class ExpectedGlErrors {
public:
    ExpectedGlErrors();
    ~ExpectedGlErrors();
    ExpectedGlErrors(const ExpectedGlErrors&) = delete;
    ExpectedGlErrors& operator=(const ExpectedGlErrors&) = delete;
};

}  // namespace tavrin::d3d
