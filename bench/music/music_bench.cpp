// Renders the same modules with our engine, libxmp and libopenmpt (linear interpolation,
// 44.1 kHz stereo 16-bit, to memory) and prints each as x real time and our speed against each.
// Times are thread CPU time, the best of a few runs, so other load on the machine matters less.
#include <xmp.h>
#include <libopenmpt/libopenmpt.hpp>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <functional>
#include <string>
#include <vector>

#include "music/memory_module.h"
#include "music/mixer.h"
#include "music/offline_renderer.h"
#include "music/replay.h"
#include "song_fixtures.h"

namespace {

using namespace tavrin;

constexpr int32_t kRate = 44100;
constexpr int32_t kBlockFrames = 884;
constexpr int32_t kSeconds = 60;
constexpr int kRuns = 3;

double ThreadSeconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + now.tv_nsec * 1e-9;
}

double BestSeconds(const std::function<void()>& render) {
    double best = 1e30;
    for (int run = 0; run < kRuns; ++run) {
        const double start = ThreadSeconds();
        render();
        best = std::min(best, ThreadSeconds() - start);
    }
    return best;
}

void RenderOurs(const std::vector<uint8_t>& file, std::vector<int16_t>& pcm) {
    XmModule* module = LoadModuleFromMemory(file.data(), file.size());
    ResetMixer(kRate);
    ResetPlayback(module);
    const float inverseRate = InverseRate(kRate);
    std::vector<float> block(2 * kBlockFrames);
    for (size_t at = 0; at < pcm.size(); at += 2 * kBlockFrames) {
        std::fill(block.begin(), block.end(), 0.0f);
        RenderFrames(module, block.data(), kBlockFrames, inverseRate);
        ConvertToPcm16(pcm.data() + at, block.data(), kBlockFrames);
    }
    FreeModule(module);
}

void RenderXmp(const std::vector<uint8_t>& file, std::vector<int16_t>& pcm) {
    xmp_context context = xmp_create_context();
    xmp_load_module_from_memory(context, file.data(), static_cast<long>(file.size()));
    xmp_start_player(context, kRate, 0);
    xmp_set_player(context, XMP_PLAYER_INTERP, XMP_INTERP_LINEAR);
    for (size_t at = 0; at < pcm.size(); at += 2 * kBlockFrames)
        xmp_play_buffer(context, pcm.data() + at, kBlockFrames * 4, 0);
    xmp_end_player(context);
    xmp_release_module(context);
    xmp_free_context(context);
}

void RenderOpenmpt(const std::vector<uint8_t>& file, std::vector<int16_t>& pcm) {
    openmpt::module module(file);
    module.set_repeat_count(-1);
    module.set_render_param(openmpt::module::RENDER_INTERPOLATIONFILTER_LENGTH, 2);
    for (size_t at = 0; at < pcm.size(); at += 2 * kBlockFrames)
        module.read_interleaved_stereo(kRate, kBlockFrames, pcm.data() + at);
}

struct Case {
    std::string name;
    std::vector<uint8_t> file;
};

}  // namespace

int main() {
    const std::vector<Case> cases = {
        {"every effect, 8 channels", WriteXm(testing::EveryEffectSong())},
        {"32 busy channels", WriteXm(testing::ThirtyTwoChannelSong())},
    };
    const size_t blocks = (static_cast<size_t>(kRate) * kSeconds + kBlockFrames - 1) / kBlockFrames;
    std::vector<int16_t> pcm(2 * kBlockFrames * blocks);
    const double seconds = static_cast<double>(kBlockFrames * blocks) / kRate;
    std::printf("%d s of sound per run, best of %d, thread CPU time\n\n", kSeconds, kRuns);
    std::printf("%-26s %12s %12s %12s %10s %10s\n", "module", "ours", "libxmp", "libopenmpt",
                "vs xmp", "vs mpt");
    for (const Case& c : cases) {
        const double ours = BestSeconds([&] { RenderOurs(c.file, pcm); });
        const double xmp = BestSeconds([&] { RenderXmp(c.file, pcm); });
        const double mpt = BestSeconds([&] { RenderOpenmpt(c.file, pcm); });
        std::printf("%-26s %11.0fx %11.0fx %11.0fx %9.2fx %9.2fx\n", c.name.c_str(), seconds / ours,
                    seconds / xmp, seconds / mpt, xmp / ours, mpt / ours);
    }
    return 0;
}
