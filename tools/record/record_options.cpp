#include "record_options.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>

namespace tavrin::record {

namespace {

constexpr cli::Option kOptions[] = {
    {"data", "FILE", "the data archive (default: found as the show finds it)"},
    {"fps", "N", "frames per second of song time, 1 to 240 (default 60)"},
    {"to", "SECONDS", "stop at this song time"},
    {"video", "OUT.mp4", "H.264 video with AAC sound, muxed by ffmpeg"},
    {"preset", "NAME", "x264 speed preset: ultrafast (default, faster than real time) to veryslow (smaller)"},
    {"wav", "OUT.wav", "the sound exactly as the show played it"},
    {"still", "T[,T...]", "PNG stills at these song times (needs --out)"},
    {"out", "DIR", "folder for the stills and their contact sheet"},
    {"timings", "OUT.csv", "render time of every frame; median and worst per scene on stderr"},
};

bool ParseNumber(const std::string& text, double& value) {
    if (text.empty()) return false;
    char* end = nullptr;
    errno = 0;
    value = std::strtod(text.c_str(), &end);
    return errno == 0 && end == text.c_str() + text.size() && std::isfinite(value);
}

}  // namespace

const cli::Program kRecordProgram{
    .name = "tavrin-record",
    .operands = "",
    .summary = "Render the Tavrin show offline, frame by frame, with its sound.",
    .options = kOptions,
    .details = "Without --to a recording runs until the music first comes back to its loop; stills\n"
               "end the run after the last one. At least one of --video, --wav, --still and\n"
               "--timings is needed.\n"
               "\n"
               "Examples:\n"
               "  tavrin-record --still 5,45,175 --out stills\n"
               "  tavrin-record --wav show.wav --to 60\n"
               "  tavrin-record --video show.mp4 --fps 60\n",
};

std::optional<RecordOptions> RecordOptionsFrom(const cli::Arguments& arguments, std::string& error) {
    RecordOptions options;
    for (const cli::Arguments::Given& given : arguments.options) {
        const std::string_view flag = given.option->name;
        const std::string& value = given.value;
        double number = 0;
        if (flag == "data") {
            options.dataPath = value;
        } else if (flag == "video") {
            options.videoPath = value;
        } else if (flag == "preset") {
            constexpr const char* kPresets[] = {"ultrafast", "superfast", "veryfast",
                                                "faster",    "fast",      "medium",
                                                "slow",      "slower",    "veryslow"};
            if (std::find(std::begin(kPresets), std::end(kPresets), value) == std::end(kPresets)) {
                error = "--preset takes an x264 preset, ultrafast to veryslow";
                return std::nullopt;
            }
            options.videoPreset = value;
        } else if (flag == "wav") {
            options.wavPath = value;
        } else if (flag == "timings") {
            options.timingsPath = value;
        } else if (flag == "out") {
            options.stillDirectory = value;
        } else if (flag == "fps") {
            if (!ParseNumber(value, number) || number < 1 || number > 240 || number != std::floor(number)) {
                error = "--fps takes a whole number from 1 to 240";
                return std::nullopt;
            }
            options.fps = static_cast<int>(number);
        } else if (flag == "to") {
            if (!ParseNumber(value, number) || number < 0) {
                error = "--to takes a song time in seconds, 0 or more";
                return std::nullopt;
            }
            options.toSongTime = number;
        } else if (flag == "still") {
            size_t start = 0;
            while (start <= value.size()) {
                const size_t comma = std::min(value.find(',', start), value.size());
                if (!ParseNumber(value.substr(start, comma - start), number) || number < 0) {
                    error = "--still takes song times in seconds separated by commas";
                    return std::nullopt;
                }
                options.stillTimes.push_back(number);
                start = comma + 1;
            }
        }
    }
    std::sort(options.stillTimes.begin(), options.stillTimes.end());
    if (!options.stillTimes.empty() && options.stillDirectory.empty()) {
        error = "--still needs --out DIR";
        return std::nullopt;
    }
    if (options.videoPath.empty() && options.wavPath.empty() && options.stillTimes.empty() &&
        options.timingsPath.empty()) {
        error = "nothing to record: give --video, --wav, --still or --timings";
        return std::nullopt;
    }
    return options;
}

}  // namespace tavrin::record
