// tavrin-xm: inspect and render XM modules with the show's own loader, engine and mixer.
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>

#include "commands.h"
#include "music/memory_module.h"
#include "play_command.h"

namespace tavrin::xmtool {

XmModule* LoadModuleFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "tavrin-xm: cannot open %s\n", path.c_str());
        return nullptr;
    }
    const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in), {}};
    XmModule* module = LoadModuleFromMemory(bytes.data(), bytes.size());
    if (!module) std::fprintf(stderr, "tavrin-xm: %s is not a playable XM module\n", path.c_str());
    return module;
}

namespace {

struct Command {
    const char* name;
    const char* usage;
    int (*run)(const Arguments&);
};

constexpr Command kCommands[] = {
    {"info", "info FILE                       header, orders, patterns, instruments, samples",
     Info},
    {"render", "render FILE OUT.wav [--seconds N]  44.1 kHz 16-bit stereo WAV", Render},
    {"play", "play FILE                       through the sound device; Escape or Ctrl-C stops",
     Play},
};

int Usage() {
    std::fprintf(stderr, "usage: tavrin-xm COMMAND ...\n");
    for (const Command& command : kCommands)
        std::fprintf(stderr, "  tavrin-xm %s\n", command.usage);
    return 2;
}

}  // namespace

}  // namespace tavrin::xmtool

int main(int argc, char** argv) {
    using namespace tavrin::xmtool;
    if (argc < 2) return Usage();
    for (const Command& command : kCommands)
        if (std::strcmp(argv[1], command.name) == 0)
            return command.run(Arguments(argv + 2, argv + argc));
    return Usage();
}
