// Renders the same modules with our engine, libxmp and libopenmpt (linear interpolation,
// 44.1 kHz stereo 16-bit, to memory) and prints each as x real time and our speed against each,
// then the geometric means as the last line. Times are thread CPU time, the best of a few runs,
// so other load on the machine matters less.
//
// Usage: music_bench [FILE.xm...]; without files it uses its built-in modules.
#include <xmp.h>
#include <libopenmpt/libopenmpt.hpp>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "music/memory_module.h"
#include "music/mixer.h"
#include "music/offline_renderer.h"
#include "music/replay.h"
#include "song_fixtures.h"
#include "soundtrack/soundtrack.h"

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

std::vector<Case> BuiltInCases() {
    return {
        {"show soundtrack", WriteXm(forge::ComposeSoundtrack())},
        {"every effect, 8 channels", WriteXm(testing::EveryEffectSong())},
        {"32 busy channels", WriteXm(testing::ThirtyTwoChannelSong())},
        {"32 ch ping-pong, 8/16-bit", WriteXm(testing::BusyPingPongSong())},
    };
}

// Files every player loads; false (with a message) for one that any of them refuses.
bool ReadCases(int argc, char** argv, std::vector<Case>& cases) {
    for (int i = 1; i < argc; ++i) {
        std::ifstream in(argv[i], std::ios::binary);
        std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in), {}};
        XmModule* module = in ? LoadModuleFromMemory(bytes.data(), bytes.size()) : nullptr;
        xmp_context context = xmp_create_context();
        const bool xmpLoads = xmp_load_module_from_memory(context, bytes.data(),
                                                          static_cast<long>(bytes.size())) == 0;
        if (xmpLoads) xmp_release_module(context);
        xmp_free_context(context);
        bool openmptLoads = true;
        try {
            openmpt::module check(bytes);
        } catch (const openmpt::exception&) {
            openmptLoads = false;
        }
        if (!module || !xmpLoads || !openmptLoads) {
            std::fprintf(stderr, "music_bench: %s does not load in every player\n", argv[i]);
            FreeModule(module);
            return false;
        }
        FreeModule(module);
        std::string name = argv[i];
        name = name.substr(name.find_last_of('/') + 1);
        cases.push_back({name.substr(0, 26), std::move(bytes)});
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<Case> cases;
    if (!ReadCases(argc, argv, cases)) return 1;
    if (cases.empty()) cases = BuiltInCases();
    const size_t blocks = (static_cast<size_t>(kRate) * kSeconds + kBlockFrames - 1) / kBlockFrames;
    std::vector<int16_t> pcm(2 * kBlockFrames * blocks);
    const double seconds = static_cast<double>(kBlockFrames * blocks) / kRate;
    std::printf("%d s of sound per run, best of %d, thread CPU time\n\n", kSeconds, kRuns);
    std::printf("%-26s %12s %12s %12s %10s %10s\n", "module", "ours", "libxmp", "libopenmpt",
                "vs xmp", "vs mpt");
    double logXmp = 0;
    double logMpt = 0;
    for (const Case& c : cases) {
        const double ours = BestSeconds([&] { RenderOurs(c.file, pcm); });
        const double xmp = BestSeconds([&] { RenderXmp(c.file, pcm); });
        const double mpt = BestSeconds([&] { RenderOpenmpt(c.file, pcm); });
        std::printf("%-26s %11.0fx %11.0fx %11.0fx %9.2fx %9.2fx\n", c.name.c_str(), seconds / ours,
                    seconds / xmp, seconds / mpt, xmp / ours, mpt / ours);
        logXmp += std::log(xmp / ours);
        logMpt += std::log(mpt / ours);
    }
    const double count = static_cast<double>(cases.size());
    std::printf("\nours vs libxmp %.2fx, vs libopenmpt %.2fx\n", std::exp(logXmp / count),
                std::exp(logMpt / count));
    return 0;
}
