// The ring of mixed blocks the sound device loops over, with one stamp of the music position per
// block, and the rule that decides which blocks may be mixed again behind the play cursor.
#pragma once

#include <atomic>
#include <cstdint>
#include <vector>

#include "music/xm_module.h"

namespace tavrin {

struct OutputConfig {
    int32_t rate = 0;
    int32_t blockFrames = 0;  // about 20 ms, a multiple of 4 frames
    int32_t blockCount = 0;
    int32_t ringFrames = 0;
    float inverseRate = 0.0f;
};

inline constexpr int32_t kBufferMilliseconds = 1000;
inline constexpr int32_t kOutputChannels = 2;
inline constexpr int32_t kBytesPerFrame = kOutputChannels * 2;

// 884-frame blocks and a 100-block ring at 44.1 kHz with the default one-second setting.
OutputConfig MakeOutputConfig(int32_t rate, int32_t bufferMilliseconds = kBufferMilliseconds);

// Where the music stood right after a block was mixed.
struct BlockStamp {
    uint8_t order;  // low 8 bits
    uint8_t row;    // low 8 bits
    uint32_t milliseconds;
};

// Whether block fillIndex may be mixed again with the play cursor in block playBlock: true once
// the cursor has left it, false while the cursor has yet to reach it after a stall.
bool MayRefill(int32_t fillIndex, int32_t playBlock, int32_t blockCount);

class OutputRing {
public:
    explicit OutputRing(const OutputConfig& config);

    // Mixes every block once, starting with block 0, so the whole ring holds music before the
    // device starts on block 0.
    void FillAll(XmModule* module);

    // Mixes again the blocks the play cursor has left, given the device position in bytes.
    // Returns the number of blocks mixed.
    int32_t Refill(XmModule* module, uint64_t positionBytes);

    // The stamp of the block the device is playing. Safe to call while another thread refills.
    BlockStamp ReportedStamp() const;

    int32_t FillIndex() const { return fillIndex_; }
    int32_t ReportedIndex() const { return reportedIndex_.load(std::memory_order_acquire); }
    const uint8_t* PcmBytes() const { return reinterpret_cast<const uint8_t*>(pcm_.data()); }
    size_t PcmSize() const { return pcm_.size() * sizeof(int16_t); }
    const OutputConfig& Config() const { return config_; }

private:
    // Mixes block fillIndex, stamps it, converts it to PCM and moves fillIndex on.
    void MixBlock(XmModule* module);

    OutputConfig config_;
    std::vector<int16_t> pcm_;         // what the device plays
    std::vector<float> accumulation_;  // the mixer's sums before conversion
    std::vector<std::atomic<BlockStamp>> stamps_;
    int32_t fillIndex_ = 0;
    std::atomic<int32_t> reportedIndex_ = 0;
};

}  // namespace tavrin
