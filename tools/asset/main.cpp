// tavrin-asset: looks into the show's data through the show's own loaders.
#include <string>
#include <vector>

#include "asset_commands.h"
#include "cli/command_line.h"

namespace {

using tavrin::cli::kAnyCount;

constexpr tavrin::cli::Option kShowOptions[] = {
    {"png", "OUT.png", "write the decoded picture, or a render of the mesh, as a PNG (one FILE)"},
};

constexpr tavrin::cli::Program kCommands[] = {
    {.name = "tavrin-asset list",
     .operands = "ARCHIVE",
     .summary = "list the entries with their sizes, checksums and a read check",
     .minOperands = 1,
     .maxOperands = 1},
    {.name = "tavrin-asset cat",
     .operands = "ARCHIVE NAME",
     .summary = "write the entry the show would load for NAME to standard output",
     .minOperands = 2,
     .maxOperands = 2},
    {.name = "tavrin-asset show",
     .operands = "FILE...",
     .summary = "describe image and X mesh files as the show's loaders read them",
     .options = kShowOptions,
     .minOperands = 1,
     .maxOperands = kAnyCount},
};
enum CommandIndex { kList, kCat, kShow };

constexpr tavrin::cli::Program kProgram{
    .name = "tavrin-asset",
    .operands = "COMMAND [ARGUMENT]...",
    .summary =
        "Look into the Tavrin show's data archive, images and meshes through the show's own "
        "loaders.",
    .commands = kCommands,
};

}  // namespace

int main(int argc, char** argv) {
    tavrin::cli::CommandLine line;
    int exitCode = 0;
    if (tavrin::cli::ParseOrExit(kProgram, argc, argv, line, exitCode)) return exitCode;
    std::vector<const char*> operands;
    for (const std::string& operand : line.arguments.operands) operands.push_back(operand.c_str());
    switch (line.commandIndex) {
        case kList:
            return tavrin::asset::ListCommand(operands);
        case kCat:
            return tavrin::asset::CatCommand(operands);
        default: {
            const std::string* png = line.arguments.Value("png");
            return tavrin::asset::ShowCommand(operands, png ? png->c_str() : nullptr);
        }
    }
}
