#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tavrin::xmtool {

// Writes interleaved 16-bit stereo PCM as a RIFF WAVE file; false when the file cannot be written.
bool WriteWav(const std::string& path, const std::vector<int16_t>& samples, int32_t rate);

}  // namespace tavrin::xmtool
