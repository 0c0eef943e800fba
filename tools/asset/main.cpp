// tavrin-asset: looks into the show's data through the show's own loaders.
#include <cstdio>
#include <cstring>
#include <iterator>

#include "asset_commands.h"

namespace {

using tavrin::asset::AssetCommand;

constexpr AssetCommand kCommands[] = {
    {"list", "ARCHIVE", tavrin::asset::ListCommand},
    {"cat", "ARCHIVE NAME", tavrin::asset::CatCommand},
    {"show", "FILE... [--png OUT.png]", tavrin::asset::ShowCommand},
};

int Usage(std::FILE* out) {
    std::fprintf(out, "usage:\n");
    for (const AssetCommand& command : kCommands) {
        std::fprintf(out, "  tavrin-asset %s %s\n", command.name, command.usage);
    }
    return out == stdout ? 0 : 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return Usage(stderr);
    if (!std::strcmp(argv[1], "-h") || !std::strcmp(argv[1], "--help")) return Usage(stdout);
    for (const AssetCommand& command : kCommands) {
        if (!std::strcmp(argv[1], command.name)) {
            return command.run({argv + 2, static_cast<size_t>(argc - 2)});
        }
    }
    std::fprintf(stderr, "tavrin-asset: unknown command '%s'\n", argv[1]);
    return Usage(stderr);
}
