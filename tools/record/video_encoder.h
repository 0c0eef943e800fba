#pragma once

#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace tavrin::record {

// H.264 video through ffmpeg: frames are piped to it as raw pixels, and Finish muxes the picture
// with a finished WAV file into the output (AAC sound). A writer thread feeds the pipe, so the
// next frame renders while ffmpeg takes the last one.
class VideoEncoder {
public:
    ~VideoEncoder();

    // False, with a message on stderr, when ffmpeg is missing or cannot be started. `preset` is
    // the x264 speed preset.
    bool Open(const std::string& outputPath, int width, int height, int framesPerSecond,
              const std::string& preset);
    // Queues the frame; false once writing to ffmpeg has failed.
    bool AddFrame(const std::vector<uint32_t>& pixels);
    // Closes the picture stream and muxes it with the sound; false when ffmpeg failed.
    bool Finish(const std::string& wavPath);

    std::string picturePath() const { return outputPath_ + ".picture.mkv"; }

private:
    void WriteFrames();
    // Waits for the queued frame to be written; false once a write failed.
    bool WaitForWriter(std::unique_lock<std::mutex>& lock);
    void StopWriter();

    std::FILE* pipe_ = nullptr;
    std::string outputPath_;
    size_t frameBytes_ = 0;
    std::thread writer_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<uint32_t> queued_;  // the frame the writer takes next
    bool frameQueued_ = false;
    bool writeFailed_ = false;
    bool stopping_ = false;
};

bool FfmpegAvailable();

}  // namespace tavrin::record
