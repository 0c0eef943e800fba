#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "music/mixer.h"
#include "music/offline_renderer.h"
#include "music/replay.h"
#include "song_fixtures.h"

namespace tavrin::testing {
namespace {

class OfflineRendererTest : public ::testing::Test {
protected:
    void Start(const XmSongSpec& song) {
        module_ = LoadSong(song);
        ASSERT_TRUE(module_);
        ResetMixer(44100);
        ResetPlayback(module_.get());
    }
    ModulePtr module_;
    const float inverseRate_ = InverseRate(44100);
};

TEST_F(OfflineRendererTest, EachStretchAddsItsOwnTruncatedMilliseconds) {
    Start(EmptySong(1));  // 125 BPM: 882-frame ticks
    std::vector<float> buffer(2 * 4000);
    EXPECT_EQ(RenderStretch(module_.get(), buffer.data(), 5000, inverseRate_), 882);
    EXPECT_EQ(module_->playedMilliseconds, 19);  // not 20: 1/44100 as a float is a bit low
    EXPECT_EQ(RenderStretch(module_.get(), buffer.data(), 880, inverseRate_), 880);
    EXPECT_EQ(module_->playedMilliseconds, 38);
    EXPECT_EQ(RenderStretch(module_.get(), buffer.data(), 884, inverseRate_), 2);  // tick's end
    EXPECT_EQ(module_->playedMilliseconds, 38);
}

TEST_F(OfflineRendererTest, BlocksCutAtTicksAndRunTheTickHandlerWhenDue) {
    Start(EmptySong(1));
    std::vector<float> block(2 * 884);
    RenderFrames(module_.get(), block.data(), 884, inverseRate_);  // 882 + 2
    EXPECT_EQ(module_->playedMilliseconds, 19);
    EXPECT_EQ(module_->samplesLeftInTick, 880);
    EXPECT_EQ(module_->tick, 2);
    RenderFrames(module_.get(), block.data(), 884, inverseRate_);  // 880 + 4
    EXPECT_EQ(module_->playedMilliseconds, 38);
}

TEST_F(OfflineRendererTest, RendersTheSameSoundWhateverTheBlockSize) {
    const XmSongSpec song = EveryEffectSong();
    const int frames = 44100 * 3;
    Start(song);
    std::vector<float> whole(2 * frames);
    RenderFrames(module_.get(), whole.data(), frames, inverseRate_);
    Start(song);
    std::vector<float> blocks(2 * frames);
    for (int at = 0; at < frames; at += 884)
        RenderFrames(module_.get(), blocks.data() + 2 * at, std::min(884, frames - at),
                     inverseRate_);
    // Ramps cut at a block edge resume from a level rounded to 1/256: a hair apart at most.
    for (size_t i = 0; i < whole.size(); ++i) ASSERT_NEAR(whole[i], blocks[i], 0.5f) << i;
    float peak = 0;
    for (float v : whole) peak = std::max(peak, std::abs(v));
    EXPECT_GT(peak, 1000.0f);
    EXPECT_LT(peak, 32767.0f);  // mixed below full scale: nothing clips
}

// What the output ring would give: blocks mixed with RenderFrames and converted one by one.
std::vector<int16_t> RingPcm(XmModule* module, int32_t blockFrames, int32_t frames) {
    std::vector<float> block(2 * static_cast<size_t>(blockFrames));
    std::vector<int16_t> pcm(2 * static_cast<size_t>(frames));
    for (int32_t at = 0; at < frames; at += blockFrames) {
        const int32_t count = std::min(blockFrames, frames - at);
        std::fill(block.begin(), block.end(), 0.0f);
        RenderFrames(module, block.data(), count, InverseRate(MixerRate()));
        ConvertToPcm16(pcm.data() + 2 * static_cast<size_t>(at), block.data(), count);
    }
    return pcm;
}

TEST_F(OfflineRendererTest, StreamedPcmIsTheOutputRingsBlockForBlock) {
    const XmSongSpec song = EveryEffectSong();
    const int32_t frames = 44100 * 2 + 123;
    Start(song);
    const std::vector<int16_t> ring = RingPcm(module_.get(), 884, frames);
    Start(song);
    std::vector<int16_t> streamed;
    std::vector<int32_t> blockSizes;
    const int64_t made = RenderPcm(
        module_.get(), 884, frames, [](const XmModule&) { return false; },
        [&](const int16_t* pcm, int32_t count) {
            streamed.insert(streamed.end(), pcm, pcm + 2 * count);
            blockSizes.push_back(count);
            return true;
        });
    EXPECT_EQ(made, frames);
    EXPECT_EQ(streamed, ring);
    EXPECT_EQ(blockSizes.size(), static_cast<size_t>(frames / 884 + 1));
    EXPECT_EQ(blockSizes.back(), frames % 884);
}

TEST_F(OfflineRendererTest, StreamingEndsWhereAskedOrWhenTheSinkRefuses) {
    Start(EmptySong(1));
    auto keep = [](const int16_t*, int32_t) { return true; };
    // Blocks of one 882-frame tick: the stretch that starts the second row is the last one.
    const int64_t oneRow = RenderPcm(
        module_.get(), 882, 1 << 30, [](const XmModule& m) { return m.row == 1; }, keep);
    EXPECT_EQ(oneRow, 7 * 882);
    Start(EmptySong(1));
    int blocks = 0;
    const int64_t refused = RenderPcm(
        module_.get(), 884, 1 << 30, [](const XmModule&) { return false; },
        [&](const int16_t*, int32_t) { return ++blocks < 3; });
    EXPECT_EQ(refused, -1);
    EXPECT_EQ(blocks, 3);
}

}  // namespace
}  // namespace tavrin::testing
