#include "music/offline_renderer.h"

#include <algorithm>
#include <cstddef>
#include <vector>

#include "music/mixer.h"

namespace tavrin {

float InverseRate(int32_t rate) {
    return 1.0f / static_cast<float>(rate);
}

int32_t RenderStretch(XmModule* module, float* accumulation, int32_t maxFrames, float inverseRate) {
    if (maxFrames <= 0) return 0;
    if (module->samplesLeftInTick <= 0) {
        module->tickHandler(module);
        module->samplesLeftInTick = std::max(module->tickLength, 1);
    }
    const int32_t frames = std::min(module->samplesLeftInTick, maxFrames);
    MixFrames(accumulation, frames);
    module->samplesLeftInTick -= frames;
    // Each stretch adds its own truncated length: the clock's drift is part of the show's timing.
    module->playedMilliseconds +=
        static_cast<int32_t>(static_cast<double>(frames) * inverseRate * 1000.0);
    return frames;
}

void RenderFrames(XmModule* module, float* accumulation, int32_t frameCount, float inverseRate) {
    int32_t done = 0;
    while (done < frameCount)
        done += RenderStretch(module, accumulation + 2 * static_cast<ptrdiff_t>(done),
                              frameCount - done, inverseRate);
}

int64_t RenderPcm(XmModule* module, int32_t blockFrames, int64_t frameLimit, const RenderStop& stop,
                  const PcmSink& sink) {
    const float inverseRate = InverseRate(MixerRate());
    blockFrames = std::max(blockFrames, 1);
    std::vector<float> block(2 * static_cast<size_t>(blockFrames));
    std::vector<int16_t> pcm(block.size());
    int64_t frames = 0;
    bool stopped = false;
    while (!stopped && frames < frameLimit) {
        std::fill(block.begin(), block.end(), 0.0f);
        const int32_t want = static_cast<int32_t>(std::min<int64_t>(blockFrames, frameLimit - frames));
        int32_t filled = 0;
        while (filled < want && !(stopped = stop(*module))) {
            filled += RenderStretch(module, block.data() + 2 * static_cast<ptrdiff_t>(filled),
                                    want - filled, inverseRate);
        }
        if (filled == 0) break;
        ConvertToPcm16(pcm.data(), block.data(), filled);
        if (!sink(pcm.data(), filled)) return -1;
        frames += filled;
    }
    return frames;
}

}  // namespace tavrin
