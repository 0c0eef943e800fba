#include "video_encoder.h"

#include <cstdlib>

namespace tavrin::record {
namespace {

// Single quotes keep any path intact for the shell; a quote inside is closed, escaped, reopened.
std::string Quoted(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

}  // namespace

bool FfmpegAvailable() { return std::system("command -v ffmpeg >/dev/null 2>&1") == 0; }

VideoEncoder::~VideoEncoder() {
    StopWriter();
    if (pipe_) pclose(pipe_);
}

bool VideoEncoder::Open(const std::string& outputPath, int width, int height, int framesPerSecond,
                        const std::string& preset) {
    if (!FfmpegAvailable()) {
        std::fprintf(stderr,
                     "tavrin-record: ffmpeg is not installed; install it (apt-get install ffmpeg) "
                     "to record video\n");
        return false;
    }
    outputPath_ = outputPath;
    frameBytes_ = static_cast<size_t>(width) * height * 4;
    const std::string command =
        "ffmpeg -hide_banner -loglevel error -y -f rawvideo -pix_fmt bgra -s " +
        std::to_string(width) + "x" + std::to_string(height) + " -framerate " +
        std::to_string(framesPerSecond) + " -i - -c:v libx264 -preset " + Quoted(preset) +
        " -crf 18 -pix_fmt yuv420p " + Quoted(picturePath());
    pipe_ = popen(command.c_str(), "w");
    if (!pipe_) {
        std::fprintf(stderr, "tavrin-record: cannot start ffmpeg\n");
        return false;
    }
    writer_ = std::thread([this] { WriteFrames(); });
    return true;
}

bool VideoEncoder::AddFrame(const std::vector<uint32_t>& pixels) {
    if (!pipe_ || pixels.size() * 4 != frameBytes_) return false;
    std::unique_lock<std::mutex> lock(mutex_);
    if (!WaitForWriter(lock)) return false;
    queued_ = pixels;
    frameQueued_ = true;
    changed_.notify_all();
    return true;
}

bool VideoEncoder::WaitForWriter(std::unique_lock<std::mutex>& lock) {
    changed_.wait(lock, [this] { return !frameQueued_ || writeFailed_; });
    return !writeFailed_;
}

// A8R8G8B8 in memory is B, G, R, A: ffmpeg's bgra.
void VideoEncoder::WriteFrames() {
    std::vector<uint32_t> frame;
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return frameQueued_ || stopping_; });
        if (!frameQueued_) return;
        frame.swap(queued_);
        lock.unlock();
        const bool written = std::fwrite(frame.data(), 1, frameBytes_, pipe_) == frameBytes_;
        lock.lock();
        frameQueued_ = false;
        writeFailed_ = writeFailed_ || !written;
        changed_.notify_all();
    }
}

void VideoEncoder::StopWriter() {
    if (!writer_.joinable()) return;
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    writer_.join();
}

bool VideoEncoder::Finish(const std::string& wavPath) {
    if (!pipe_) return false;
    StopWriter();  // after the last queued frame is written
    const bool written = !writeFailed_;
    const bool pictureOk = pclose(pipe_) == 0 && written;
    pipe_ = nullptr;
    if (!pictureOk) {
        std::fprintf(stderr, "tavrin-record: ffmpeg failed to encode the picture\n");
        return false;
    }
    const std::string command = "ffmpeg -hide_banner -loglevel error -y -i " + Quoted(picturePath()) +
                                " -i " + Quoted(wavPath) +
                                " -map 0:v -map 1:a -c:v copy -c:a aac -b:a 192k " +
                                Quoted(outputPath_);
    const bool muxed = std::system(command.c_str()) == 0;
    std::remove(picturePath().c_str());
    if (!muxed) std::fprintf(stderr, "tavrin-record: ffmpeg failed to mux picture and sound\n");
    return muxed;
}

}  // namespace tavrin::record
