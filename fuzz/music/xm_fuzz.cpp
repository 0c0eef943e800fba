// Loads any bytes as an XM module and, when they load, plays a minute of song time through the
// engine and mixer exactly as the output does, block by block.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "music/memory_module.h"
#include "music/mixer.h"
#include "music/offline_renderer.h"
#include "music/replay.h"

namespace {

constexpr int32_t kRate = 44100;
constexpr int32_t kBlockFrames = 884;
constexpr int32_t kSongMilliseconds = 60000;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace tavrin;
    XmModule* module = LoadModuleFromMemory(data, size);
    if (!module) return 0;
    ResetMixer(kRate);
    ResetPlayback(module);
    const float inverseRate = InverseRate(kRate);
    std::vector<float> block(2 * kBlockFrames);
    std::vector<int16_t> pcm(2 * kBlockFrames);
    // Ticks under 45 frames add nothing to the song clock (each stretch adds its truncated
    // milliseconds), so an absurd header tempo would freeze it: a minute of sound bounds the run.
    for (int64_t frames = 0; module->playedMilliseconds < kSongMilliseconds &&
                             frames < int64_t{kSongMilliseconds} * kRate / 1000;
         frames += kBlockFrames) {
        std::fill(block.begin(), block.end(), 0.0f);
        RenderFrames(module, block.data(), kBlockFrames, inverseRate);
        ConvertToPcm16(pcm.data(), block.data(), kBlockFrames);
    }
    FreeModule(module);
    return 0;
}
