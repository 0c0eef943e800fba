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
    std::string wavPath;
    std::vector<double> stillTimes;  // ascending
    std::string stillDirectory;
};

// Parses the command line; on a mistake returns nothing and sets `error` to what was wrong.
std::optional<RecordOptions> ParseRecordOptions(const std::vector<std::string>& arguments,
                                                std::string& error);

extern const char kRecordUsage[];

}  // namespace tavrin::record
