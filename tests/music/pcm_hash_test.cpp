// The PCM of the show's soundtrack and of busy songs, pinned by hash: work on the mixer or the
// engine that is meant to keep the sound must keep every sample.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>

#include "music/mixer.h"
#include "music/offline_renderer.h"
#include "music/replay.h"
#include "song_fixtures.h"
#include "soundtrack/soundtrack.h"

namespace tavrin::testing {
namespace {

constexpr int32_t kRate = 44100;
constexpr int32_t kBlockFrames = 884;  // the show's output blocks

struct Rendered {
    uint64_t hash = 14695981039346656037ull;  // FNV-1a, 64 bits, over the little-endian bytes
    int32_t peak = 0;
};

Rendered RenderSong(const std::vector<uint8_t>& file, int32_t seconds) {
    Rendered rendered;
    ModulePtr module = LoadBytes(file);
    if (!module) return rendered;
    ResetMixer(kRate);
    ResetPlayback(module.get());
    RenderPcm(
        module.get(), kBlockFrames, int64_t{seconds} * kRate, [](const XmModule&) { return false; },
        [&](const int16_t* pcm, int32_t frames) {
            for (int32_t i = 0; i < 2 * frames; ++i) {
                const auto value = static_cast<uint16_t>(pcm[i]);
                for (const uint8_t byte : {value & 0xFF, value >> 8}) {
                    rendered.hash ^= byte;
                    rendered.hash *= 1099511628211ull;
                }
                rendered.peak = std::max(rendered.peak, std::abs(int32_t{pcm[i]}));
            }
            return true;
        });
    return rendered;
}

void ExpectPinned(const std::string& name, const std::vector<uint8_t>& file, int32_t seconds,
                  uint64_t hash) {
    const Rendered rendered = RenderSong(file, seconds);
    EXPECT_EQ(rendered.hash, hash) << name << std::hex << ": 0x" << rendered.hash;
    EXPECT_GT(rendered.peak, 2000) << name;
}

TEST(PcmHash, TheShowsSoundtrack) {
    ExpectPinned("soundtrack", WriteXm(forge::ComposeSoundtrack()), 215, 0xb1ade421eb396881ull);
}

TEST(PcmHash, BusySongs) {
    ExpectPinned("every effect", WriteXm(EveryEffectSong()), 30, 0xe5dc34e5d032b18eull);
    ExpectPinned("32 channels", WriteXm(ThirtyTwoChannelSong()), 30, 0x7488a22b8b299d31ull);
    ExpectPinned("ping-pong", WriteXm(BusyPingPongSong()), 30, 0x243e132d9f2b997aull);
}

TEST(PcmHash, EveryKernelMixesTheSameSound) {
    // Faster voices take another path through the wide kernels: play the songs a fifth up too.
    XmSongSpec high = BusyPingPongSong();
    for (XmInstrumentSpec& instrument : high.instruments) instrument.samples[0].relativeNote = 19;
    for (const XmSongSpec& song : {EveryEffectSong(), BusyPingPongSong(), high}) {
        const std::vector<uint8_t> file = WriteXm(song);
        const Rendered widest = RenderSong(file, 10);
        UseWidestMixKernels(false);
        const Rendered baseline = RenderSong(file, 10);
        UseWidestMixKernels(true);
        EXPECT_EQ(widest.hash, baseline.hash);
        EXPECT_GT(widest.peak, 2000);
    }
}

}  // namespace
}  // namespace tavrin::testing
