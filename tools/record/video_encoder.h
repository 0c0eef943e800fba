#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace tavrin::record {

// H.264 video through ffmpeg: frames are piped to it as raw pixels, and Finish muxes the picture
// with a finished WAV file into the output (AAC sound).
class VideoEncoder {
public:
    ~VideoEncoder();

    // False, with a message on stderr, when ffmpeg is missing or cannot be started.
    bool Open(const std::string& outputPath, int width, int height, int framesPerSecond);
    bool AddFrame(const std::vector<uint32_t>& pixels);
    // Closes the picture stream and muxes it with the sound; false when ffmpeg failed.
    bool Finish(const std::string& wavPath);

    std::string picturePath() const { return outputPath_ + ".picture.mkv"; }

private:
    std::FILE* pipe_ = nullptr;
    std::string outputPath_;
    size_t frameBytes_ = 0;
};

bool FfmpegAvailable();

}  // namespace tavrin::record
