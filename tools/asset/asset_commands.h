#pragma once

#include <span>

namespace tavrin::asset {

// The subcommands of tavrin-asset, given their operands (already counted); each returns the exit
// status.
int ListCommand(std::span<const char* const> args);
int CatCommand(std::span<const char* const> args);
// Describes each file; with `pngOut` (one file only) writes the picture or a render of the mesh.
int ShowCommand(std::span<const char* const> files, const char* pngOut);

// Prints "tavrin-asset: " and the message to stderr; returns the failure exit status.
int Fail(const char* format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace tavrin::asset
