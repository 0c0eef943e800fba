// The show on this machine: the steady clock, the sound device (or the silent stand-in that
// keeps the song clock running), a full-screen window and its messages.
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "cli/command_line.h"
#include "platform/audio_device.h"
#include "platform/counter.h"
#include "platform/messages.h"
#include "shell/data_location.h"
#include "shell/show.h"

namespace {

constexpr tavrin::cli::Option kOptions[] = {
    {"data", "FILE", "the data archive to show (instead of searching for Tavrin.data)"},
    {"window", nullptr, "show the picture in an 800x600 window"},
    {"fullscreen", nullptr, "take the whole screen (the default)"},
    {"audio", "DRIVER", "sound through 'sdl' (the sound card) or 'null' (silent, clock only)"},
};

constexpr tavrin::cli::Program kProgram{
    .name = "tavrin",
    .operands = "",
    .summary = "Play the Tavrin real-time audiovisual show.",
    .options = kOptions,
    .details = "Keys:\n"
               "  Escape, closing the window  end the show\n"
               "  A, Y                        raise, lower the metaball grid resolution (trophy scene)\n"
               "  W, F                        wireframe, solid fill\n"
               "\n"
               "Files:\n"
               "The show reads every picture, mesh and the music from Tavrin.data: the one named by\n"
               "--data, else by TAVRIN_DATA, else the first found in the working directory, beside\n"
               "the program and in ../share/tavrin/ from the program.\n"
               "\n"
               "Environment:\n"
               "  TAVRIN_DATA                 the data archive, when --data is not given\n"
               "  TAVRIN_WINDOWED=1           a window instead of full screen (--window and\n"
               "                              --fullscreen take precedence)\n"
               "  TAVRIN_AUDIO=DRIVER         sdl or null (--audio takes precedence)\n"
               "\n"
               "Exit status:\n"
               "  0 when the show ended, 1 when it had no display or no OpenGL device to show it\n"
               "  on, 2 on a command-line mistake.\n",
};

}  // namespace

int main(int argc, char** argv) {
    tavrin::cli::CommandLine line;
    int exitCode = 0;
    if (tavrin::cli::ParseOrExit(kProgram, argc, argv, line, exitCode)) return exitCode;
    const tavrin::cli::Arguments& arguments = line.arguments;

    // The window and the sound driver read these settings from the environment, so the options
    // take effect by setting them for this process.
    for (const auto& given : arguments.options) {
        const std::string_view name = given.option->name;
        if (name == "window" || name == "fullscreen") setenv("TAVRIN_WINDOWED", name == "window" ? "1" : "0", 1);
    }
    if (const std::string* audio = arguments.Value("audio")) {
        if (*audio != "sdl" && *audio != "null") {
            return tavrin::cli::UsageError(kProgram, "--audio takes 'sdl' or 'null', not '" + *audio + "'");
        }
        setenv("TAVRIN_AUDIO", audio->c_str(), 1);
    }

    const std::string* named = arguments.Value("data");
    const tavrin::DataLocation data = tavrin::LocateDataArchive(named ? *named : std::string());
    if (data.path.empty()) {
        // The show still runs, without pictures or music, as it does with any archive it cannot read.
        std::fprintf(stderr, "tavrin: %s\n", tavrin::DescribeMissingData(data).c_str());
    }

    tavrin::SystemCounter counter;
    std::unique_ptr<tavrin::AudioDevice> audio = tavrin::CreateSystemAudioDevice(counter);
    tavrin::SdlMessagePump messages;

    tavrin::ShowEnvironment environment;
    environment.counter = &counter;
    environment.audio = audio.get();
    environment.messages = &messages;
    environment.archivePath = data.path.empty() ? data.tried.front() : data.path;

    tavrin::Show show(std::move(environment));
    return show.Run();
}
