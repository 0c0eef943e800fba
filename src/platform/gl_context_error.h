#pragma once

#include <string>

namespace tavrin {

// Records why the last context creation failed, for GlContextError().
void SetGlContextError(std::string message);

}  // namespace tavrin
