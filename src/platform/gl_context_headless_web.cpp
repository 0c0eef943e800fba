#include "platform/gl_context.h"
#include "platform/gl_context_error.h"

namespace tavrin {

// A page draws only into its canvas: there is no GL without one.
std::unique_ptr<GlContext> CreateHeadlessGlContext() {
    SetGlContextError("a browser has no GL context without a canvas");
    return nullptr;
}

}  // namespace tavrin
