#include "platform/gl_context_error.h"

#include "platform/gl_context.h"

namespace tavrin {

namespace {

std::string lastError;  // why the last context creation failed

}  // namespace

void SetGlContextError(std::string message) {
    lastError = std::move(message);
}

const std::string& GlContextError() {
    return lastError;
}

}  // namespace tavrin
