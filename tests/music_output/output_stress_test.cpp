#include "music/music_player.h"
#include "music/output.h"
#include "music/song_clock.h"
#include "platform/audio_null.h"
#include "platform/audio_sdl.h"
#include "platform/counter.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include "memory_music.h"

namespace tavrin {
namespace {

// Start and stop with the output thread running against a device whose position moves in real
// time, reading the song time in between as the main loop does. Run under the thread sanitizer.
TEST(OutputThreadStress, ManyStartsAndStopsWhileTheClockIsRead) {
    test::AddMemoryFile("stress.xm", test::MakeTinyXm({.bpm = 180, .speed = 2}));
    SystemCounter counter;
    NullAudioDevice device(counter);
    MusicPlayer player("stress.xm", test::MemoryMusicCallbacks(), device);
    ASSERT_NE(player.Module(), nullptr);
    for (int cycle = 0; cycle < 100; ++cycle) {
        player.Play();
        float previous = 0.0f;
        for (int read = 0; read < cycle % 7 * 50; ++read) {
            const float now = player.SongTime();
            ASSERT_GE(now, previous);
            previous = now;
            std::this_thread::yield();
        }
        if (cycle % 3 == 0) player.Stop();  // else Play stops it
    }
}

// About a second of music through SDL's dummy driver, with the output thread refilling.
TEST(OutputThreadStress, SongTimeAdvancesThroughTheSdlDummyDriver) {
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    test::AddMemoryFile("dummy.xm", test::MakeTinyXm({}));
    SdlAudioDevice device;
    MusicPlayer player("dummy.xm", test::MemoryMusicCallbacks(), device);
    ASSERT_NE(player.Module(), nullptr);
    player.Play();
    ASSERT_NE(PlayingModule(), nullptr) << "SDL dummy audio driver did not open";
    EXPECT_LT(player.SongTime(), 0.5f) << "the clock starts with the song";
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (player.SongTime() < 0.9f && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_GE(player.SongTime(), 0.9f);
    player.Stop();
    EXPECT_EQ(player.SongTime(), 0.0f);
}

}  // namespace
}  // namespace tavrin
