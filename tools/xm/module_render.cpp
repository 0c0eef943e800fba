// render: plays the song offline, block by block as the output does, until it first returns
// to an order it has already played (or for the seconds asked), and writes a WAV.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <unordered_set>

#include "commands.h"
#include "music/mixer.h"
#include "music/offline_renderer.h"
#include "music/replay.h"
#include "wav_file.h"

namespace tavrin::xmtool {

namespace {

constexpr int32_t kRate = 44100;
constexpr int32_t kBlockFrames = 884;    // as the show's output mixes at this rate
constexpr double kLongestSong = 3600.0;  // a song that never comes back stops after an hour

// Orders played so far; a row start that enters one of them ends the render.
class OrderTracker {
public:
    bool EntersPlayedOrder(const XmModule& module) {
        if (module.samplesLeftInTick != 0 || module.tick != 0) return false;  // no row start due
        const bool entering = module.nextOrder >= 0 || played_.empty();
        if (!entering) return false;
        const int32_t next = module.nextOrder >= 0 ? module.nextOrder : module.order;
        return !played_.insert(next).second;
    }

private:
    std::unordered_set<int32_t> played_;
};

bool ParseSeconds(const Arguments& arguments, double& seconds) {
    const std::string* given = arguments.Value("seconds");
    if (given == nullptr) return true;
    char* end = nullptr;
    seconds = std::strtod(given->c_str(), &end);
    return end && *end == '\0' && seconds > 0 && seconds <= kLongestSong;
}

}  // namespace

int Render(const Arguments& arguments) {
    double seconds = 0;
    if (!ParseSeconds(arguments, seconds)) {
        std::fprintf(stderr, "tavrin-xm: --seconds takes a length from above 0 to %g\n", kLongestSong);
        return 2;
    }
    const std::string& input = arguments.operands[0];
    const std::string& output = arguments.operands[1];
    XmModule* module = LoadModuleFile(input);
    if (!module) return 1;

    const auto started = std::chrono::steady_clock::now();
    ResetMixer(kRate);
    ResetPlayback(module);
    const int64_t limit = static_cast<int64_t>((seconds > 0 ? seconds : kLongestSong) * kRate);
    OrderTracker orders;
    WavFile wav(output, kRate);
    const int64_t frames =
        wav.IsOpen()
            ? RenderPcm(
                  module, kBlockFrames, limit,
                  [&](const XmModule& m) { return seconds <= 0 && orders.EntersPlayedOrder(m); },
                  [&](const int16_t* pcm, int32_t count) { return wav.Append(pcm, count); })
            : -1;
    const double taken =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    const int32_t songMilliseconds = module->playedMilliseconds;
    FreeModule(module);

    if (frames < 0 || !wav.Finish()) {
        std::fprintf(stderr, "tavrin-xm: cannot write %s\n", output.c_str());
        return 1;
    }
    const double length = static_cast<double>(frames) / kRate;
    std::printf("song length %.3f s (%lld frames, song clock %.3f s)\n", length,
                static_cast<long long>(frames), songMilliseconds / 1000.0);
    std::printf("rendered in %.3f s (%.1fx real time)\n", taken, taken > 0 ? length / taken : 0.0);
    return 0;
}

}  // namespace tavrin::xmtool
