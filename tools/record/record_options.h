#pragma once

#include <optional>
#include <string>
#include <vector>

#include "cli/command_line.h"

namespace tavrin::record {

struct RecordOptions {
    std::string dataPath;  // empty: searched for as the show does
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

// The options as the command line gave them; on a mistake returns nothing and sets `error` to
// what was wrong.
std::optional<RecordOptions> RecordOptionsFrom(const cli::Arguments& arguments, std::string& error);

extern const cli::Program kRecordProgram;

}  // namespace tavrin::record
