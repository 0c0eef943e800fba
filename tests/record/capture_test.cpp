#include "capture.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "music/music_player.h"
#include "music/output_ring.h"
#include "music/output_state.h"
#include "music/song_clock.h"
#include "recorder.h"

namespace tavrin::record {
namespace {

const char* const kArchive = TAVRIN_BIN_DIR "/Tavrin.data";

std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// Runs frames until the song time reaches `songTime` in the main loop.
void RunTo(Capture& capture, float songTime) {
    while (!(capture.inMainLoop() && capture.songTime() >= songTime)) {
        ASSERT_TRUE(capture.Step());
    }
}

TEST(Capture, SoundAndPictureStayInStep) {
    constexpr int kFps = 10;
    Capture capture(kArchive, kFps);
    ASSERT_TRUE(capture.Start());
    uint64_t soundFrames = 0;
    int checkedFrames = 0;
    while (!(capture.inMainLoop() && capture.songTime() >= 60.0f)) {
        // The song time a pass reads is the stamp of the block the cursor is in at that moment.
        const XmModule* module = capture.show().music()->Module();
        const bool playing = PlayingModule() != nullptr;
        const float expected = playing ? SongSeconds(PlayedMilliseconds(module)) : 0.0f;
        if (playing) {
            const OutputRing* ring = PlayingRing();
            const OutputConfig& config = ring->Config();
            const uint64_t cursorBlock =
                capture.audio().PositionBytes() / 4 / static_cast<uint64_t>(config.blockFrames);
            ASSERT_EQ(ring->ReportedIndex(), static_cast<int32_t>(cursorBlock % config.blockCount));
        }
        ASSERT_TRUE(capture.Step());
        if (capture.inMainLoop()) {
            ASSERT_EQ(capture.songTime(), expected) << "frame " << capture.frameIndex();
            ++checkedFrames;
        }
        soundFrames += capture.FrameSound().size() / 2;
        // After k frames the sound holds exactly k * 44100 / fps frames.
        ASSERT_EQ(soundFrames, static_cast<uint64_t>(capture.frameIndex()) * 44100 / kFps);
    }
    EXPECT_GT(checkedFrames, 55 * kFps);
}

TEST(Capture, FramesShowTheFlashOfTheirSongTime) {
    Capture capture(kArchive, 30);
    ASSERT_TRUE(capture.Start());
    RunTo(capture, 2.0f);
    const std::vector<uint32_t>& black = capture.ReadFrame();
    for (uint32_t pixel : black) ASSERT_EQ(pixel & 0xFFFFFF, 0u);

    RunTo(capture, 8.36f);
    const std::vector<uint32_t>& white = capture.ReadFrame();
    int nearWhite = 0;
    for (uint32_t pixel : white) {
        if (((pixel >> 16) & 0xFF) > 0xF0 && ((pixel >> 8) & 0xFF) > 0xF0 && (pixel & 0xFF) > 0xF0) {
            ++nearWhite;
        }
    }
    EXPECT_GT(nearWhite, static_cast<int>(white.size() * 9 / 10));
}

TEST(Recorder, TwoRunsWriteIdenticalStillsAndSound) {
    const auto root = std::filesystem::temp_directory_path() / "tavrin-record-test";
    std::filesystem::remove_all(root);
    for (const char* run : {"a", "b"}) {
        RecordOptions options;
        options.dataPath = kArchive;
        options.fps = 10;
        options.stillTimes = {0.5, 9.0};
        options.stillDirectory = (root / run).string();
        options.wavPath = (root / run / "sound.wav").string();
        options.toSongTime = 9.5;
        ASSERT_EQ(Record(options), 0);
    }
    for (const std::string& name : {StillName(0.5), StillName(9.0), std::string("contact.png"),
                                   std::string("sound.wav")}) {
        const std::string a = ReadFile(root / "a" / name), b = ReadFile(root / "b" / name);
        ASSERT_FALSE(a.empty()) << name;
        EXPECT_TRUE(a == b) << name << " differs between runs";
    }
    // The WAV covers every recorded frame: loading silence and the song up to 9.5 s.
    const std::string wav = ReadFile(root / "a" / "sound.wav");
    const size_t frames = (wav.size() - 44) / 4;
    EXPECT_EQ(frames % 4410, 0u);  // whole frames at 10 fps
    EXPECT_GT(frames, static_cast<size_t>(44100 * 13));  // 4 s of loading + 9.5 s of song
    EXPECT_LT(frames, static_cast<size_t>(44100 * 15));
    std::filesystem::remove_all(root);
}

}  // namespace
}  // namespace tavrin::record
