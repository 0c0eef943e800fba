#include "music/music_player.h"
#include "music/output.h"
#include "music/song_clock.h"
#include "platform/audio_manual.h"

#include <gtest/gtest.h>

#include <vector>

#include "memory_music.h"

namespace tavrin {
namespace {

class MusicPlayerTest : public ::testing::Test {
protected:
    void SetUp() override { test::AddMemoryFile("song.xm", test::MakeTinyXm({})); }

    std::vector<uint8_t> HeardBlockZero() {
        std::vector<uint8_t> bytes(884 * 4);
        EXPECT_TRUE(device_.ReadLoop(0, bytes.data(), bytes.size()));
        return bytes;
    }

    ManualAudioDevice device_;
    const MusicFileCallbacks callbacks_ = test::MemoryMusicCallbacks();
};

TEST_F(MusicPlayerTest, WithoutAModuleEverythingIsSilentAndTheTimeStaysZero) {
    MusicPlayer player("missing.xm", callbacks_, device_, RefillDriver::kCaller);
    EXPECT_EQ(player.Module(), nullptr);
    EXPECT_TRUE(device_.IsOpen()) << "the output opens before the load fails";
    player.Play();
    EXPECT_FALSE(device_.IsPlaying());
    EXPECT_EQ(player.SongTime(), 0.0f);
    player.Stop();
    EXPECT_EQ(player.SongTime(), 0.0f);
}

TEST_F(MusicPlayerTest, WithoutASoundDeviceTheModuleLoadsButNeverPlays) {
    ManualAudioDevice refusing(false);
    MusicPlayer player("song.xm", callbacks_, refusing, RefillDriver::kCaller);
    ASSERT_NE(player.Module(), nullptr);
    player.Play();
    EXPECT_EQ(PlayingModule(), nullptr);
    EXPECT_EQ(player.SongTime(), 0.0f);
    EXPECT_EQ(RefillPass(), 0);
    player.Stop();
    EXPECT_EQ(player.SongTime(), 0.0f);
}

TEST_F(MusicPlayerTest, IncompleteFileCallbacksFailTheOutputAndTheLoad) {
    MusicFileCallbacks incomplete = callbacks_;
    incomplete.tell = nullptr;
    MusicPlayer player("song.xm", incomplete, device_, RefillDriver::kCaller);
    EXPECT_FALSE(device_.IsOpen());
    EXPECT_EQ(player.Module(), nullptr);
    EXPECT_FALSE(OpenOutput(kOutputRate, device_));
}

TEST_F(MusicPlayerTest, UnusableRatesAreRefused) {
    SetFileCallbacks(callbacks_.open, callbacks_.close, callbacks_.read, callbacks_.seek,
                     callbacks_.tell);
    EXPECT_FALSE(OpenOutput(0, device_));
    EXPECT_FALSE(OpenOutput(-44100, device_));
    EXPECT_FALSE(OpenOutput(100'000'000, device_));
    EXPECT_FALSE(device_.IsOpen());
    EXPECT_TRUE(OpenOutput(48000, device_));
    CloseOutput();
    EXPECT_FALSE(device_.IsOpen());
}

TEST_F(MusicPlayerTest, PlayStopPlayAndDestroyRestartTheSongAndSilenceTheDevice) {
    std::vector<uint8_t> firstStart;
    {
        MusicPlayer player("song.xm", callbacks_, device_, RefillDriver::kCaller);
        ASSERT_NE(player.Module(), nullptr);
        EXPECT_EQ(player.SongTime(), 0.0f) << "nothing heard before play";

        player.Play();
        ASSERT_TRUE(device_.IsPlaying());
        EXPECT_FLOAT_EQ(player.SongTime(), 0.019f);
        firstStart = HeardBlockZero();
        device_.Advance(884 * 50);
        EXPECT_EQ(RefillPass(), 50);
        EXPECT_GT(player.SongTime(), 0.9f);

        player.Stop();
        EXPECT_FALSE(device_.IsPlaying()) << "a stopped song must not keep looping its ring";
        EXPECT_EQ(player.SongTime(), 0.0f);
        EXPECT_EQ(RefillPass(), 0);
        player.Stop();  // stopping twice finds nothing left to release

        player.Play();
        EXPECT_FLOAT_EQ(player.SongTime(), 0.019f) << "play starts the song over";
        EXPECT_EQ(HeardBlockZero(), firstStart);
        player.Play();  // playing a playing song stops it first
        EXPECT_EQ(HeardBlockZero(), firstStart);
        EXPECT_EQ(PlayingModule(), player.Module());
    }
    EXPECT_EQ(PlayingModule(), nullptr);
    EXPECT_FALSE(device_.IsPlaying());
    EXPECT_FALSE(device_.IsOpen());
}

TEST_F(MusicPlayerTest, ReleasingThePlayingModuleStopsItFirst) {
    SetFileCallbacks(callbacks_.open, callbacks_.close, callbacks_.read, callbacks_.seek,
                     callbacks_.tell);
    ASSERT_TRUE(OpenOutput(kOutputRate, device_, RefillDriver::kCaller));
    XmModule* playing = LoadModule("song.xm");
    XmModule* other = LoadModule("song.xm");
    ASSERT_TRUE(StartPlay(playing));
    EXPECT_EQ(PlayedMilliseconds(other), 0u) << "only the playing module has a time";

    EXPECT_TRUE(FreeModule(other));
    EXPECT_EQ(PlayingModule(), playing) << "releasing another module leaves the music alone";
    EXPECT_TRUE(device_.IsPlaying());

    EXPECT_TRUE(FreeModule(playing));
    EXPECT_EQ(PlayingModule(), nullptr);
    EXPECT_FALSE(device_.IsPlaying());
    EXPECT_FALSE(StartPlay(nullptr));
    EXPECT_FALSE(StopPlay(nullptr));
    EXPECT_EQ(PlayedMilliseconds(nullptr), 0u);
    CloseOutput();
}

}  // namespace
}  // namespace tavrin
