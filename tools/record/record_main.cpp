// tavrin-record: the show rendered offline, frame-exact, to PNG stills, a WAV or a video.
#include <cstdio>
#include <string>
#include <vector>

#include "record_options.h"
#include "recorder.h"

int main(int argc, char** argv) {
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    if (arguments.empty() || arguments[0] == "--help" || arguments[0] == "-h") {
        std::fputs(tavrin::record::kRecordUsage, arguments.empty() ? stderr : stdout);
        return arguments.empty() ? 2 : 0;
    }
    std::string error;
    const auto options = tavrin::record::ParseRecordOptions(arguments, error);
    if (!options) {
        std::fprintf(stderr, "tavrin-record: %s\n%s", error.c_str(), tavrin::record::kRecordUsage);
        return 2;
    }
    return tavrin::record::Record(*options);
}
