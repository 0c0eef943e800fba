#include "music/offline_renderer.h"

#include <algorithm>
#include <cstddef>

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

}  // namespace tavrin
