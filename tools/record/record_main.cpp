// tavrin-record: the show rendered offline, frame-exact, to PNG stills, a WAV or a video.
#include <string>

#include "record_options.h"
#include "recorder.h"

int main(int argc, char** argv) {
    tavrin::cli::CommandLine line;
    int exitCode = 0;
    if (tavrin::cli::ParseOrExit(tavrin::record::kRecordProgram, argc, argv, line, exitCode))
        return exitCode;
    std::string error;
    const auto options = tavrin::record::RecordOptionsFrom(line.arguments, error);
    if (!options) return tavrin::cli::UsageError(tavrin::record::kRecordProgram, error);
    return tavrin::record::Record(*options);
}
