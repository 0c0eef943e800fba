#include "platform/audio_manual.h"
#include "platform/audio_null.h"
#include "platform/audio_sdl.h"
#include "platform/counter.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <thread>
#include <vector>

namespace tavrin {
namespace {

const AudioFormat kCdFormat{44100, 2};

TEST(ManualAudioDevice, PositionMovesByWholeFramesOnlyWhilePlaying) {
    ManualAudioDevice device;
    ASSERT_TRUE(device.Open(kCdFormat));
    device.Advance(100);
    EXPECT_EQ(device.PositionBytes(), 0u) << "nothing plays before a loop is handed over";

    std::vector<uint8_t> loop(884 * 4 * 100);
    device.PlayLoop(loop.data(), loop.size());
    device.Advance(884);
    device.Advance(3);
    EXPECT_EQ(device.PositionBytes(), 887u * 4);
    // The position counts every pass over the loop rather than wrapping with it.
    device.Advance(88400 * 2);
    EXPECT_EQ(device.PositionBytes(), (887u + 176800u) * 4);

    device.Reset();
    EXPECT_EQ(device.PositionBytes(), 0u);
    device.Advance(10);
    EXPECT_EQ(device.PositionBytes(), 0u);
}

TEST(ManualAudioDevice, ReadsWhatItPlaysAcrossTheEndOfTheLoop) {
    ManualAudioDevice device;
    ASSERT_TRUE(device.Open(kCdFormat));
    uint8_t out[6] = {};
    EXPECT_FALSE(device.ReadLoop(0, out, sizeof out));

    const std::vector<uint8_t> loop = {1, 2, 3, 4, 5, 6, 7, 8};
    device.PlayLoop(loop.data(), loop.size());
    ASSERT_TRUE(device.ReadLoop(4, out, 6));
    EXPECT_EQ(std::vector<uint8_t>(out, out + 6), (std::vector<uint8_t>{5, 6, 7, 8, 1, 2}));
    ASSERT_TRUE(device.ReadLoop(8 * 1000 + 7, out, 3));
    EXPECT_EQ(std::vector<uint8_t>(out, out + 3), (std::vector<uint8_t>{8, 1, 2}));
}

TEST(ManualAudioDevice, ARefusingDeviceNeverOpensOrPlays) {
    ManualAudioDevice device(false);
    EXPECT_FALSE(device.Open(kCdFormat));
    EXPECT_FALSE(device.IsOpen());
    const uint8_t loop[4] = {};
    device.PlayLoop(loop, sizeof loop);
    EXPECT_FALSE(device.IsPlaying());
}

TEST(NullAudioDevice, PositionFollowsTheCounterInWholeFrames) {
    ManualCounter counter(10'000'000, 123'456);
    NullAudioDevice device(counter);
    ASSERT_TRUE(device.Open(kCdFormat));
    counter.AdvanceSeconds(5.0);
    EXPECT_EQ(device.PositionBytes(), 0u) << "time before play does not count";

    const uint8_t loop[16] = {};
    device.PlayLoop(loop, sizeof loop);
    EXPECT_EQ(device.PositionBytes(), 0u);
    counter.Advance(226);  // 0.9967 frames
    EXPECT_EQ(device.PositionBytes(), 0u);
    counter.Advance(1);  // 1.0011 frames
    EXPECT_EQ(device.PositionBytes(), 4u);
    counter.Advance(10'000'000 - 227);
    EXPECT_EQ(device.PositionBytes(), 44100u * 4);

    // Ten hours on, the arithmetic has neither overflowed nor drifted.
    counter.Advance(int64_t{10'000'000} * 3600 * 10);
    EXPECT_EQ(device.PositionBytes(), uint64_t{44100} * 4 * (3600 * 10 + 1));

    device.Reset();
    EXPECT_EQ(device.PositionBytes(), 0u);
    device.PlayLoop(loop, sizeof loop);
    counter.AdvanceSeconds(0.5);
    EXPECT_EQ(device.PositionBytes(), 22050u * 4) << "a new loop starts from 0";
}

TEST(NullAudioDevice, ACounterGoingBackwardsGivesPositionZero) {
    ManualCounter counter(1000, 50);
    NullAudioDevice device(counter);
    ASSERT_TRUE(device.Open(kCdFormat));
    const uint8_t loop[16] = {};
    device.PlayLoop(loop, sizeof loop);
    counter.Set(10);
    EXPECT_EQ(device.PositionBytes(), 0u);
}

// SDL's dummy driver runs the callback in real time without sound hardware. The test waits for the
// callback to have consumed the loop more than once.
TEST(SdlAudioDevice, DummyDriverPlaysTheLoopAndCountsItsBytes) {
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    SdlAudioDevice device;
    ASSERT_TRUE(device.Open(kCdFormat)) << "SDL dummy audio driver did not open";
    EXPECT_EQ(device.PositionBytes(), 0u);

    std::vector<uint8_t> loop(4096);
    for (size_t i = 0; i < loop.size(); ++i) loop[i] = static_cast<uint8_t>(i * 7);
    device.PlayLoop(loop.data(), loop.size());
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (device.PositionBytes() <= 2 * loop.size() &&
           std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    const uint64_t position = device.PositionBytes();
    EXPECT_GT(position, 2 * loop.size());
    EXPECT_EQ(position % 4, 0u) << "whole frames only";

    device.Reset();
    EXPECT_EQ(device.PositionBytes(), 0u);
    device.Close();
    EXPECT_EQ(device.PositionBytes(), 0u);
    const uint8_t more[4] = {};
    device.PlayLoop(more, sizeof more);  // closed: ignored, no crash
    EXPECT_EQ(device.PositionBytes(), 0u);
}

// Environment variables pick the driver; they are restored so other tests see SDL's dummy driver.
class SystemAudioDeviceTest : public ::testing::Test {
protected:
    void TearDown() override {
        unsetenv("TAVRIN_AUDIO");
        setenv("SDL_AUDIODRIVER", "dummy", 1);
    }
    ManualCounter counter_;
};

TEST_F(SystemAudioDeviceTest, FallsBackToTheNullDriverWhenNoSoundDeviceOpens) {
    unsetenv("TAVRIN_AUDIO");
    setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
    const auto device = CreateSystemAudioDevice(counter_);
    ASSERT_TRUE(device->Open(kCdFormat));
    EXPECT_STREQ(device->Name(), "null");
    const uint8_t loop[4] = {};
    device->PlayLoop(loop, sizeof loop);
    counter_.AdvanceSeconds(1.0);
    EXPECT_EQ(device->PositionBytes(), 44100u * 4) << "the fallback keeps time with the counter";

    setenv("SDL_AUDIODRIVER", "dummy", 1);
    ASSERT_TRUE(device->Open(kCdFormat));
    EXPECT_STREQ(device->Name(), "sdl") << "reopening tries the real device again";
    device->Close();
}

TEST_F(SystemAudioDeviceTest, TavrinAudioForcesADriver) {
    setenv("TAVRIN_AUDIO", "null", 1);
    EXPECT_STREQ(CreateSystemAudioDevice(counter_)->Name(), "null");

    setenv("TAVRIN_AUDIO", "sdl", 1);
    setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
    const auto forced = CreateSystemAudioDevice(counter_);
    EXPECT_STREQ(forced->Name(), "sdl");
    EXPECT_FALSE(forced->Open(kCdFormat)) << "a forced driver does not fall back";
}

}  // namespace
}  // namespace tavrin
