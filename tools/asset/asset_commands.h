#pragma once

#include <span>

namespace tavrin::asset {

// One subcommand of tavrin-asset: args are the words after its name; returns the exit status.
struct AssetCommand {
    const char* name;
    const char* usage;  // the arguments, as shown in the help text
    int (*run)(std::span<const char* const> args);
};

int ListCommand(std::span<const char* const> args);
int CatCommand(std::span<const char* const> args);
int ShowCommand(std::span<const char* const> args);

// Prints "tavrin-asset: " and the message to stderr; returns the failure exit status.
int Fail(const char* format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace tavrin::asset
