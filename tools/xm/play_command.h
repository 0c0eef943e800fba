// tavrin-xm play: the module through the sound device, the way the show plays it.
#pragma once

#include "cli/command_line.h"

namespace tavrin::xmtool {

// `play FILE`: plays FILE through the sound device (the null device when there is none) with a
// one-line live display of song time, order and row until Ctrl-C or Escape.
int Play(const cli::Arguments& arguments);

}  // namespace tavrin::xmtool
