#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

namespace tavrin::xmtool {

// Writes interleaved 16-bit stereo PCM as a RIFF WAVE file block by block; the sizes in the
// header are filled in when the file is finished.
class WavFile {
public:
    WavFile(const std::string& path, int32_t rate);
    ~WavFile();
    WavFile(const WavFile&) = delete;
    WavFile& operator=(const WavFile&) = delete;

    bool IsOpen() const { return file_ != nullptr; }
    // False once anything failed to write.
    bool Append(const int16_t* pcm, int32_t frames);
    // Fills in the sizes and closes the file; false when any of it could not be written.
    bool Finish();

private:
    std::FILE* file_ = nullptr;
    uint64_t dataBytes_ = 0;
    bool failed_ = false;
};

}  // namespace tavrin::xmtool
