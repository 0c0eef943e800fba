#pragma once

#include "record_options.h"

namespace tavrin::record {

// Runs the capture the options ask for and writes its files. Returns the process exit code.
int Record(const RecordOptions& options);

// The file name of the still at a song time: "still-008.35.png".
std::string StillName(double songTime);

}  // namespace tavrin::record
