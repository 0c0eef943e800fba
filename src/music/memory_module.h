// Loading a module from bytes already in memory (tools, tests, fuzzing), through the same
// loader and callbacks as the show's archive files.
#pragma once

#include <cstddef>
#include <cstdint>

#include "music/xm_module.h"

namespace tavrin {

// Installs callbacks over the bytes for the one load and restores the previous ones after.
// Not for use while another thread loads a module.
XmModule* LoadModuleFromMemory(const uint8_t* data, size_t size);

}  // namespace tavrin
