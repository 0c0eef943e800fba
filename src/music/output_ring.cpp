#include "music/output_ring.h"

#include <algorithm>

#include "music/mixer.h"
#include "music/offline_renderer.h"

namespace tavrin {

OutputConfig MakeOutputConfig(int32_t rate, int32_t bufferMilliseconds) {
    OutputConfig config;
    config.rate = rate;
    config.blockFrames = (rate * 20 / 1000 + 3) & ~3;
    config.blockCount = bufferMilliseconds / 20 * 2;
    config.ringFrames = config.blockFrames * config.blockCount;
    config.inverseRate = InverseRate(rate);
    return config;
}

bool MayRefill(int32_t fillIndex, int32_t playBlock, int32_t blockCount) {
    const int32_t previous = playBlock == 0 ? blockCount - 1 : playBlock - 1;
    if (fillIndex <= previous || (previous == 0 && fillIndex != 1)) return true;
    // fillIndex lies beyond the cursor: either the cursor has wrapped past the end of the ring
    // since the last pass, leaving a few blocks to refill, or after a long stall it has still to
    // reach fillIndex. Taking a wrap by more than one block for the latter would stall the song
    // and loop stale sound for a whole lap of the ring.
    const int32_t behind = (playBlock - fillIndex + blockCount) % blockCount;
    return behind <= blockCount / 2;
}

OutputRing::OutputRing(const OutputConfig& config)
    : config_(config),
      pcm_(static_cast<size_t>(config.ringFrames) * kOutputChannels),
      accumulation_(static_cast<size_t>(config.ringFrames) * kOutputChannels),
      stamps_(static_cast<size_t>(config.blockCount)) {
    for (auto& stamp : stamps_) stamp.store(BlockStamp{}, std::memory_order_relaxed);
}

void OutputRing::FillAll(XmModule* module) {
    fillIndex_ = 0;
    reportedIndex_.store(0, std::memory_order_release);
    do {
        MixBlock(module);
    } while (fillIndex_ != 0);
}

int32_t OutputRing::Refill(XmModule* module, uint64_t positionBytes) {
    const auto frames = static_cast<int32_t>(positionBytes / kBytesPerFrame % config_.ringFrames);
    const int32_t playBlock = frames / config_.blockFrames;
    int32_t mixed = 0;
    while (fillIndex_ != playBlock && MayRefill(fillIndex_, playBlock, config_.blockCount)) {
        // The reported block moves on before its predecessor is overwritten, so a reader never
        // sees the stamp of the block being mixed, which lies a whole ring ahead of what is heard.
        reportedIndex_.store(
            (reportedIndex_.load(std::memory_order_relaxed) + 1) % config_.blockCount,
            std::memory_order_release);
        MixBlock(module);
        ++mixed;
    }
    return mixed;
}

BlockStamp OutputRing::ReportedStamp() const {
    return stamps_[static_cast<size_t>(ReportedIndex())].load(std::memory_order_acquire);
}

void OutputRing::MixBlock(XmModule* module) {
    const size_t first = static_cast<size_t>(fillIndex_) * config_.blockFrames * kOutputChannels;
    float* accumulation = accumulation_.data() + first;
    std::fill_n(accumulation, config_.blockFrames * kOutputChannels, 0.0f);
    RenderFrames(module, accumulation, config_.blockFrames, config_.inverseRate);
    stamps_[static_cast<size_t>(fillIndex_)].store(
        BlockStamp{static_cast<uint8_t>(module->order), static_cast<uint8_t>(module->row),
                   static_cast<uint32_t>(module->playedMilliseconds)},
        std::memory_order_release);
    ConvertToPcm16(pcm_.data() + first, accumulation, config_.blockFrames);
    fillIndex_ = (fillIndex_ + 1) % config_.blockCount;
}

}  // namespace tavrin
