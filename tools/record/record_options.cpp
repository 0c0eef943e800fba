#include "record_options.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>

namespace tavrin::record {

const char kRecordUsage[] =
    "usage: tavrin-record [--data Tavrin.data] [--fps 60] [--to SONG_SECONDS]\n"
    "                     [--video OUT.mp4 [--preset ultrafast]] [--wav OUT.wav]\n"
    "                     [--still T[,T...] --out DIR] [--timings OUT.csv]\n"
    "Renders the show offline, frame by frame, with its sound. Without --to a recording runs\n"
    "until the music first comes back to its loop; stills end the run after the last one.\n"
    "--timings writes how long each frame took to render (pass and read-back) and prints the\n"
    "median and worst frame of every scene.\n"
    "--preset is the H.264 speed preset, ultrafast (the default, faster than real time) to\n"
    "veryslow (smaller files).\n";

namespace {

bool ParseNumber(const std::string& text, double& value) {
    if (text.empty()) return false;
    char* end = nullptr;
    errno = 0;
    value = std::strtod(text.c_str(), &end);
    return errno == 0 && end == text.c_str() + text.size() && std::isfinite(value);
}

}  // namespace

std::optional<RecordOptions> ParseRecordOptions(const std::vector<std::string>& arguments,
                                                std::string& error) {
    RecordOptions options;
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::string& flag = arguments[i];
        if (i + 1 >= arguments.size()) {
            error = flag.rfind("--", 0) == 0 ? flag + " needs a value" : "unexpected " + flag;
            return std::nullopt;
        }
        const std::string& value = arguments[++i];
        double number = 0;
        if (flag == "--data") {
            options.dataPath = value;
        } else if (flag == "--video") {
            options.videoPath = value;
        } else if (flag == "--preset") {
            constexpr const char* kPresets[] = {"ultrafast", "superfast", "veryfast",
                                                "faster",    "fast",      "medium",
                                                "slow",      "slower",    "veryslow"};
            if (std::find(std::begin(kPresets), std::end(kPresets), value) == std::end(kPresets)) {
                error = "--preset takes an x264 preset, ultrafast to veryslow";
                return std::nullopt;
            }
            options.videoPreset = value;
        } else if (flag == "--wav") {
            options.wavPath = value;
        } else if (flag == "--timings") {
            options.timingsPath = value;
        } else if (flag == "--out") {
            options.stillDirectory = value;
        } else if (flag == "--fps") {
            if (!ParseNumber(value, number) || number < 1 || number > 240 || number != std::floor(number)) {
                error = "--fps takes a whole number from 1 to 240";
                return std::nullopt;
            }
            options.fps = static_cast<int>(number);
        } else if (flag == "--to") {
            if (!ParseNumber(value, number) || number < 0) {
                error = "--to takes a song time in seconds, 0 or more";
                return std::nullopt;
            }
            options.toSongTime = number;
        } else if (flag == "--still") {
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
        } else {
            error = "unknown option " + flag;
            return std::nullopt;
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
