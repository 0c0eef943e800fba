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
    if (pipe_) pclose(pipe_);
}

bool VideoEncoder::Open(const std::string& outputPath, int width, int height, int framesPerSecond) {
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
        std::to_string(framesPerSecond) +
        " -i - -c:v libx264 -preset veryfast -crf 18 -pix_fmt yuv420p " + Quoted(picturePath());
    pipe_ = popen(command.c_str(), "w");
    if (!pipe_) std::fprintf(stderr, "tavrin-record: cannot start ffmpeg\n");
    return pipe_ != nullptr;
}

bool VideoEncoder::AddFrame(const std::vector<uint32_t>& pixels) {
    // A8R8G8B8 in memory is B, G, R, A: ffmpeg's bgra.
    return pipe_ && pixels.size() * 4 == frameBytes_ &&
           std::fwrite(pixels.data(), 1, frameBytes_, pipe_) == frameBytes_;
}

bool VideoEncoder::Finish(const std::string& wavPath) {
    if (!pipe_) return false;
    const bool pictureOk = pclose(pipe_) == 0;
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
