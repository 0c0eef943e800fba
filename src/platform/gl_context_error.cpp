#include "platform/gl_context_error.h"

#include "platform/gl_context.h"

namespace tavrin {

namespace {

std::string& ErrorText() {
    static std::string text;
    return text;
}

}  // namespace

void SetGlContextError(std::string message) {
    ErrorText() = std::move(message);
}

const std::string& GlContextError() {
    return ErrorText();
}

}  // namespace tavrin
