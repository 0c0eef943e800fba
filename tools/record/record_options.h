#pragma once

#include <optional>
#include <string>
#include <vector>

namespace tavrin::record {

struct RecordOptions {
    std::string dataPath = "Tavrin.data";
    int fps = 60;
    std::optional<double> toSongTime;
    std::string videoPath;
    // x264 speed preset: the fastest keeps capture ahead of real time; slower ones make smaller
    // files.
    std::string videoPreset = "ultrafast";
    std::string wavPath;
    std::vector<double> stillTimes;  // ascending
    std::string stillDirectory;
    // Render time of every frame as CSV, with a summary per scene on stderr.
    std::string timingsPath;
};

// Parses the command line; on a mistake returns nothing and sets `error` to what was wrong.
std::optional<RecordOptions> ParseRecordOptions(const std::vector<std::string>& arguments,
                                                std::string& error);

extern const char kRecordUsage[];

}  // namespace tavrin::record
