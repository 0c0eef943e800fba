// The tavrin-xm commands; each takes the command line after its name, already checked against the
// command's options and operand count, and returns the exit code.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "cli/command_line.h"
#include "music/xm_module.h"

namespace tavrin::xmtool {

using Arguments = cli::Arguments;

int Info(const Arguments& arguments);
int Render(const Arguments& arguments);

// Loads a module file from disk; prints why and returns null when it cannot.
XmModule* LoadModuleFile(const std::string& path);

}  // namespace tavrin::xmtool
