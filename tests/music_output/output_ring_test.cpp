#include "music/mixer.h"
#include "music/offline_renderer.h"
#include "music/output.h"
#include "music/output_state.h"
#include "music/replay.h"
#include "music/song_clock.h"
#include "platform/audio_manual.h"

#include <gtest/gtest.h>

#include <vector>

#include "memory_music.h"

namespace tavrin {
namespace {

constexpr int32_t kBlockFrames = 884;
constexpr int32_t kBlocks = 100;
constexpr uint64_t kRingFrames = kBlockFrames * kBlocks;

// What the output must sound like: the same module mixed offline in the ring's block sizes,
// with the music time after each block.
struct Reference {
    std::vector<int16_t> pcm;
    std::vector<uint32_t> milliseconds;  // after block k
};

class OutputRingTest : public ::testing::Test {
protected:
    void SetUp() override {
        const MusicFileCallbacks callbacks = test::MemoryMusicCallbacks();
        SetFileCallbacks(callbacks.open, callbacks.close, callbacks.read, callbacks.seek,
                         callbacks.tell);
    }
    void TearDown() override {
        FreeModule(module_);
        CloseOutput();
    }

    XmModule* Load(const test::TinySong& song) {
        test::AddMemoryFile("tiny.xm", test::MakeTinyXm(song));
        XmModule* module = LoadModule("tiny.xm");
        EXPECT_NE(module, nullptr);
        return module;
    }

    Reference Render(const test::TinySong& song, int blocks) {
        XmModule* module = Load(song);
        ResetMixer(kOutputRate);
        ResetPlayback(module);
        Reference reference;
        std::vector<float> block(kBlockFrames * 2);
        std::vector<int16_t> pcm(kBlockFrames * 2);
        const float inverseRate = InverseRate(kOutputRate);
        for (int k = 0; k < blocks; ++k) {
            std::fill(block.begin(), block.end(), 0.0f);
            RenderFrames(module, block.data(), kBlockFrames, inverseRate);
            ConvertToPcm16(pcm.data(), block.data(), kBlockFrames);
            reference.pcm.insert(reference.pcm.end(), pcm.begin(), pcm.end());
            reference.milliseconds.push_back(static_cast<uint32_t>(module->playedMilliseconds));
        }
        FreeModule(module);
        return reference;
    }

    // Opens the output with the caller driving the refills and starts `song`.
    void Play(const test::TinySong& song) {
        ASSERT_TRUE(OpenOutput(kOutputRate, device_, RefillDriver::kCaller));
        module_ = Load(song);
        ASSERT_TRUE(StartPlay(module_));
    }

    // Moves the cursor on to absolute frame `frame` and runs one refill pass.
    int32_t PlayTo(uint64_t frame) {
        device_.Advance(frame - device_.PositionBytes() / 4);
        return RefillPass();
    }

    static int32_t FillIndex() { return PlayingRing()->FillIndex(); }

    ManualAudioDevice device_;
    XmModule* module_ = nullptr;
};

TEST_F(OutputRingTest, BlocksAreAbout20MillisecondsAndTheRingAboutTwoSeconds) {
    const OutputConfig config = MakeOutputConfig(44100);
    EXPECT_EQ(config.blockFrames, 884);
    EXPECT_EQ(config.blockCount, 100);
    EXPECT_EQ(config.ringFrames, 88400);
    EXPECT_EQ(config.inverseRate, 1.0f / 44100.0f);
    EXPECT_EQ(MakeOutputConfig(48000).blockFrames, 960);
    EXPECT_EQ(MakeOutputConfig(22050).blockFrames, 444);
}

TEST_F(OutputRingTest, PlayFillsTheWholeRingAndStartsWithBlockZero) {
    const Reference reference = Render({}, kBlocks);
    Play({});
    ASSERT_TRUE(device_.IsPlaying());
    EXPECT_EQ(device_.Format().rate, 44100);
    EXPECT_EQ(device_.Format().channels, 2);
    EXPECT_EQ(PlayingRing()->PcmSize(), kRingFrames * 4);
    EXPECT_EQ(FillIndex(), 0);
    EXPECT_EQ(PlayingRing()->ReportedIndex(), 0);

    std::vector<int16_t> heard(kRingFrames * 2);
    ASSERT_TRUE(device_.ReadLoop(0, reinterpret_cast<uint8_t*>(heard.data()), kRingFrames * 4));
    EXPECT_EQ(heard, reference.pcm);
    EXPECT_NE(std::count(heard.begin(), heard.end(), 0), static_cast<long>(heard.size()))
        << "the test module must make sound for this comparison to mean anything";
}

// The device heard through several laps of the ring, in steps that do not line up with blocks,
// must sound exactly like the module mixed in one go; the song time follows the block heard.
TEST_F(OutputRingTest, RefilledRingSoundsLikeTheOfflineMixAndTheClockFollowsTheCursor) {
    constexpr int kLaps = 3;
    const Reference reference = Render({}, kBlocks * (kLaps + 1));
    Play({});
    constexpr uint64_t kStep = 1000;
    std::vector<int16_t> chunk(kStep * 2);
    uint32_t previousTime = 0;
    for (uint64_t frame = 0; frame < kRingFrames * kLaps; frame += kStep) {
        ASSERT_TRUE(
            device_.ReadLoop(frame * 4, reinterpret_cast<uint8_t*>(chunk.data()), kStep * 4));
        ASSERT_TRUE(std::equal(chunk.begin(), chunk.end(), reference.pcm.begin() + frame * 2))
            << "heard sound differs from the offline mix in frames " << frame << ".."
            << frame + kStep;
        PlayTo(frame + kStep);
        const uint64_t block = (frame + kStep) / kBlockFrames;
        ASSERT_EQ(PlayedMilliseconds(module_), reference.milliseconds[block])
            << "at block " << block;
        ASSERT_GE(PlayedMilliseconds(module_), previousTime);
        previousTime = PlayedMilliseconds(module_);
    }
}

TEST_F(OutputRingTest, ClockAddsTruncatedStretchesOfTheTick) {
    Play({});  // 125 BPM: 882-frame ticks
    EXPECT_EQ(module_->tickLength, 882);
    // Block 0 is one whole tick (19 ms) and 2 frames of the next (0 ms).
    EXPECT_EQ(PlayedMilliseconds(module_), 19u);
    EXPECT_FLOAT_EQ(SongSeconds(PlayedMilliseconds(module_)), 0.019f);
    // Block 1 is 880 frames (19 ms) then 4 frames of the third tick (0 ms), though it lasts 20 ms.
    PlayTo(kBlockFrames + 1);
    EXPECT_EQ(PlayedMilliseconds(module_), 38u);
    EXPECT_EQ(PlayedOrder(module_), 0);
    // A minute of sound makes about 57 s of song time.
    for (uint64_t frame = 2 * kBlockFrames; frame <= 60 * 44100; frame += kBlockFrames)
        PlayTo(frame);
    EXPECT_NEAR(PlayedMilliseconds(module_), 57'000u, 500u);
}

TEST_F(OutputRingTest, CursorWrappingIntoBlockOneRefillsTheEndOfTheRingAndBlockZero) {
    Play({});
    EXPECT_EQ(PlayTo(98 * kBlockFrames + 10), 98);
    EXPECT_EQ(FillIndex(), 98);
    // The cursor crosses from block 99 over the end of the ring into block 1 between two passes.
    EXPECT_EQ(PlayTo(kRingFrames + kBlockFrames + 10), 3);
    EXPECT_EQ(FillIndex(), 1);
    EXPECT_EQ(PlayingRing()->ReportedIndex(), 1);
    EXPECT_EQ(PlayTo(kRingFrames + kBlockFrames + 20), 0) << "no block left to refill";

    // Crossing the end of the ring further, into block 2 or beyond, refills just as well.
    EXPECT_EQ(PlayTo(2 * kRingFrames - 1), 98);
    EXPECT_EQ(FillIndex(), 99);
    EXPECT_EQ(PlayTo(2 * kRingFrames + 3 * kBlockFrames), 4);
    EXPECT_EQ(FillIndex(), 3);
}

TEST_F(OutputRingTest, NothingIsMixedWhileFillIndexIsAheadOfTheCursor) {
    Play({});
    EXPECT_EQ(PlayTo(50 * kBlockFrames + 5), 50);
    EXPECT_EQ(FillIndex(), 50);
    const uint32_t time = PlayedMilliseconds(module_);
    // A stall of 90 blocks leaves the cursor in block 40, behind fillIndex: wait for block 50.
    EXPECT_EQ(PlayTo(kRingFrames + 40 * kBlockFrames), 0);
    EXPECT_EQ(PlayTo(kRingFrames + 50 * kBlockFrames + 883), 0);
    EXPECT_EQ(PlayedMilliseconds(module_), time);
    EXPECT_EQ(PlayTo(kRingFrames + 51 * kBlockFrames), 1);
    EXPECT_EQ(FillIndex(), 51);
}

TEST_F(OutputRingTest, SongTimeKeepsGrowingWhenTheSongWrapsToItsStart) {
    // Four rows at speed 1: the song returns to order 0 every 3528 frames, four times a block.
    Play({.bpm = 125, .speed = 1, .rows = 4, .orders = 1});
    uint32_t previous = PlayedMilliseconds(module_);
    for (uint64_t frame = kBlockFrames; frame < 5 * kRingFrames; frame += 3 * kBlockFrames) {
        PlayTo(frame);
        ASSERT_GT(PlayedMilliseconds(module_), previous);
        previous = PlayedMilliseconds(module_);
        ASSERT_LT(PlayedRow(module_), 4);
    }
    EXPECT_GT(previous, 9'000u);
}

}  // namespace
}  // namespace tavrin
