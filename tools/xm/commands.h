// The tavrin-xm commands; each takes the arguments after its name and returns the exit code.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "music/xm_module.h"

namespace tavrin::xmtool {

using Arguments = std::vector<std::string>;

int Info(const Arguments& arguments);
int Render(const Arguments& arguments);

// Loads a module file from disk; prints why and returns null when it cannot.
XmModule* LoadModuleFile(const std::string& path);

}  // namespace tavrin::xmtool
