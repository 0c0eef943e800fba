#include "recorder.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>

#include "capture.h"
#include "contact_sheet.h"
#include "frame_timings.h"
#include "music/music_player.h"
#include "png_file.h"
#include "shell/data_location.h"
#include "video_encoder.h"
#include "wav_writer.h"

namespace tavrin::record {
namespace {

// A song that never loops still ends a recording without --to after this long.
constexpr double kLongestSong = 1800.0;

// One line on stderr, rewritten at most twice a second.
class Progress {
public:
    explicit Progress(double endSongTime) : end_(endSongTime) {}

    void Update(const Capture& capture, bool last = false) {
        const auto now = std::chrono::steady_clock::now();
        const double wall = std::chrono::duration<double>(now - start_).count();
        if (!last && wall - lastPrint_ < 0.5) return;
        lastPrint_ = wall;
        const double rate = capture.frameIndex() / std::max(wall, 1e-6);
        const double song = capture.songTime();
        std::fprintf(stderr, "\rsong %7.2f s  frame %7lld  %6.1f frames/s", song,
                     static_cast<long long>(capture.frameIndex()), rate);
        if (end_ > 0 && song > 0.5) {
            const double eta = (end_ - song) / song * std::max(wall, 0.0);
            std::fprintf(stderr, "  ETA %3d:%02d ", static_cast<int>(eta) / 60,
                         static_cast<int>(eta) % 60);
        }
        if (last) std::fprintf(stderr, "\n");
    }

private:
    double end_;
    std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
    double lastPrint_ = -1.0;
};

struct Outputs {
    WavWriter wav;
    std::string wavPath;
    std::unique_ptr<VideoEncoder> video;
    std::vector<Still> stills;
};

bool OpenOutputs(const RecordOptions& options, const Capture& capture, Outputs& out) {
    if (!options.stillTimes.empty()) {
        std::error_code ignored;
        std::filesystem::create_directories(options.stillDirectory, ignored);
    }
    // A video needs the sound as a file to mux with; without --wav it goes beside the video.
    out.wavPath = !options.wavPath.empty()
                      ? options.wavPath
                      : (options.videoPath.empty() ? "" : options.videoPath + ".sound.wav");
    if (!out.wavPath.empty() && !out.wav.Open(out.wavPath, Capture::kSoundRate)) {
        std::fprintf(stderr, "tavrin-record: cannot write %s\n", out.wavPath.c_str());
        return false;
    }
    if (!options.videoPath.empty()) {
        out.video = std::make_unique<VideoEncoder>();
        if (!out.video->Open(options.videoPath, capture.width(), capture.height(), options.fps,
                             options.videoPreset)) {
            return false;
        }
    }
    return true;
}

// The song clock only runs while the music plays: with data whose music cannot be loaded it stands
// at 0, and no song time would ever end the recording.
bool MusicLoaded(Capture& capture) {
    const MusicPlayer* music = capture.show().music();
    return music != nullptr && music->Module() != nullptr;
}

}  // namespace

std::string StillName(double songTime) {
    char name[40];
    std::snprintf(name, sizeof name, "still-%06.2f.png", songTime);
    return name;
}

int Record(const RecordOptions& options) {
    const DataLocation data = LocateDataArchive(options.dataPath);
    if (data.path.empty()) {
        std::fprintf(stderr, "tavrin-record: %s\n", DescribeMissingData(data).c_str());
        return 1;
    }
    Capture capture(data.path, options.fps);
    if (!capture.Start()) {
        std::fprintf(stderr, "tavrin-record: the show could not start (no display)\n");
        return 1;
    }
    if (!MusicLoaded(capture)) {
        std::fprintf(
            stderr, "tavrin-record: the music in %s cannot be played, so the song never advances\n",
            data.path.c_str());
        return 1;
    }
    Outputs out;
    if (!OpenOutputs(options, capture, out)) return 1;

    const bool timed = !options.timingsPath.empty();
    FrameTimings timings;
    const bool recordsStream = out.video || !options.wavPath.empty() || timed;
    double end = options.toSongTime.value_or(recordsStream ? kLongestSong : 0.0);
    if (!recordsStream && !options.toSongTime) end = options.stillTimes.back();
    Progress progress(options.toSongTime || !recordsStream ? end : 0.0);

    size_t nextStill = 0;
    bool ok = true;
    for (;;) {
        const auto passStart = std::chrono::steady_clock::now();
        if (!capture.Step()) break;
        const bool main = capture.inMainLoop();
        const float song = capture.songTime();
        const bool songEnded = !options.toSongTime && capture.songLoopTime() >= 0.0f &&
                               song >= capture.songLoopTime();
        if (main && (song >= end || songEnded) && (recordsStream || nextStill == options.stillTimes.size())) {
            break;
        }
        const bool takeStill = main && nextStill < options.stillTimes.size() &&
                               song >= options.stillTimes[nextStill];
        if (out.video && options.stillTimes.empty() && !timed) {
            // Video alone takes each frame a frame late, so the renderer never waits for the read.
            if (capture.FramesQueued()) ok = out.video->AddFrame(*capture.TakeFrame()) && ok;
            capture.QueueFrame();
        } else if (out.video || takeStill || timed) {
            // Reading the frame back waits for the rasteriser, so it ends the frame's render time.
            const std::vector<uint32_t>& frame = capture.ReadFrame();
            if (timed) {
                const std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - passStart;
                timings.Add(song, capture.SceneName(), took.count());
            }
            if (out.video) ok = out.video->AddFrame(frame) && ok;
            while (takeStill && nextStill < options.stillTimes.size() &&
                   song >= options.stillTimes[nextStill]) {
                const std::string path =
                    (std::filesystem::path(options.stillDirectory) / StillName(options.stillTimes[nextStill])).string();
                ok = WritePng(path, capture.width(), capture.height(), frame) && ok;
                char label[48];
                std::snprintf(label, sizeof label, "%.2f s", options.stillTimes[nextStill]);
                out.stills.push_back({label, capture.width(), capture.height(), frame});
                ++nextStill;
            }
        }
        if (!out.wavPath.empty()) ok = out.wav.Append(capture.FrameSound()) && ok;
        if (!ok) break;
        progress.Update(capture);
    }
    progress.Update(capture, true);

    while (const std::vector<uint32_t>* frame = capture.TakeFrame())
        ok = out.video->AddFrame(*frame) && ok;
    if (!out.wavPath.empty()) ok = out.wav.Close() && ok;
    if (out.video) {
        ok = out.video->Finish(out.wavPath) && ok;
        if (options.wavPath.empty()) std::remove(out.wavPath.c_str());
    }
    if (timed) {
        const StartupTiming& startup = capture.show().startupTiming();
        std::fprintf(
            stderr,
            "start-up: first loading frame %.0f ms after the process started, loading done "
            "%.0f ms after that (then the %.0f s hold)\n",
            startup.firstLoadingFrameMs, startup.loadedMs - startup.firstLoadingFrameMs,
            Show::kLoadingSeconds);
        std::fputs(timings.Summary().c_str(), stderr);
        if (!timings.WriteCsv(options.timingsPath)) {
            std::fprintf(stderr, "tavrin-record: cannot write %s\n", options.timingsPath.c_str());
            ok = false;
        }
    }
    if (!out.stills.empty()) {
        const Sheet sheet = MakeContactSheet(out.stills);
        const std::string path = (std::filesystem::path(options.stillDirectory) / "contact.png").string();
        ok = WritePng(path, sheet.width, sheet.height, sheet.pixels) && ok;
    }
    if (!ok) {
        std::fprintf(stderr, "tavrin-record: writing the output failed\n");
        return 1;
    }
    return 0;
}

}  // namespace tavrin::record
