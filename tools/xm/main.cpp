// tavrin-xm: inspect and render XM modules with the show's own loader, engine and mixer.
#include <cstdio>
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

constexpr cli::Option kRenderOptions[] = {
    {"seconds", "N", "render N seconds instead of stopping where the song first loops"},
};

constexpr cli::Program kCommands[] = {
    {.name = "tavrin-xm info",
     .operands = "FILE",
     .summary = "print the header, orders, patterns, instruments and samples",
     .minOperands = 1,
     .maxOperands = 1},
    {.name = "tavrin-xm render",
     .operands = "FILE OUT.wav",
     .summary = "render the song to a 44.1 kHz 16-bit stereo WAV",
     .options = kRenderOptions,
     .minOperands = 2,
     .maxOperands = 2},
    {.name = "tavrin-xm play",
     .operands = "FILE",
     .summary = "play through the sound device; Escape or Ctrl-C stops",
     .minOperands = 1,
     .maxOperands = 1},
};
constexpr int (*kRunners[])(const Arguments&) = {Info, Render, Play};

constexpr cli::Program kProgram{
    .name = "tavrin-xm",
    .operands = "COMMAND [ARGUMENT]...",
    .summary = "Inspect, render and play XM modules with the Tavrin show's own loader, replay engine and mixer.",
    .commands = kCommands,
};

}  // namespace

}  // namespace tavrin::xmtool

int main(int argc, char** argv) {
    using namespace tavrin::xmtool;
    tavrin::cli::CommandLine line;
    int exitCode = 0;
    if (tavrin::cli::ParseOrExit(kProgram, argc, argv, line, exitCode)) return exitCode;
    return kRunners[line.commandIndex](line.arguments);
}
