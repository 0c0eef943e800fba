#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace tavrin::record {

// A 16-bit stereo RIFF WAVE file written as the sound arrives; the sizes are filled in by Close.
class WavWriter {
public:
    WavWriter() = default;
    ~WavWriter();
    WavWriter(const WavWriter&) = delete;
    WavWriter& operator=(const WavWriter&) = delete;

    bool Open(const std::string& path, int rate);
    bool Append(const std::vector<int16_t>& interleaved);
    // Writes the header's sizes and closes; false when anything failed to write.
    bool Close();
    uint64_t framesWritten() const { return dataBytes_ / 4; }

private:
    std::FILE* file_ = nullptr;
    uint64_t dataBytes_ = 0;
    bool failed_ = false;
};

}  // namespace tavrin::record
