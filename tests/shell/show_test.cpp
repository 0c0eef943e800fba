#include "shell/show.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "archive/data_archive.h"
#include "effects/trophy_scene.h"
#include "music/music_player.h"
#include "platform/scoped_environment.h"
#include "show_test_support.h"

namespace tavrin {
namespace {

constexpr int kWidth = Show::kScreenWidth;
constexpr int kHeight = Show::kScreenHeight;

// Counts pixels inside [x0, x1) × [y0, y1) for which `test` holds.
template <typename Test>
int CountPixels(const std::vector<uint32_t>& pixels, int x0, int y0, int x1, int y1, Test test) {
    int count = 0;
    for (int y = y0; y < y1; ++y) {
        for (int x = x0; x < x1; ++x) count += test(pixels[static_cast<size_t>(y) * kWidth + x]);
    }
    return count;
}

bool IsRed(uint32_t p) { return (p & 0xFF0000) > 0x400000 && (p & 0x00FFFF) == 0; }
bool IsLit(uint32_t p) { return (p & 0xFFFFFF) != 0; }

class ShowTest : public ::testing::Test {
protected:
    HeadlessShow host{WriteTestArchive("show_test_full.data",
                                       {{"KVB.xm", SilentModule()},
                                        {"Scrollertext.txt", {'H', 'i', '\n'}}})};

    std::unique_ptr<Show> Start(ShowEnvironment environment) {
        auto show = std::make_unique<Show>(std::move(environment));
        host.show = show.get();
        show->Startup();
        return show;
    }
    std::unique_ptr<Show> Start() { return Start(host.Environment()); }
};

// ---- Start-up and shutdown against missing pieces

TEST_F(ShowTest, WithoutAnArchiveTheShowRunsSilentBlackFramesAndEnds) {
    host.archivePath = ::testing::TempDir() + "no_such_archive.data";
    auto show = Start();
    EXPECT_TRUE(host.errors.empty());  // a missing archive is not reported
    ASSERT_NE(show->archive(), nullptr);
    EXPECT_FALSE(show->archive()->IsOpen());
    ASSERT_NE(show->music(), nullptr);
    EXPECT_EQ(show->music()->Module(), nullptr);

    host.FinishLoading(0.5);
    for (int i = 0; i < 10; ++i) EXPECT_EQ(host.Pass(*show, 0.02), Show::Pass::kFrame);
    EXPECT_EQ(show->songTime(), 0.0f);
    const auto pixels = ReadBack(*show->display()->device, kWidth, kHeight);
    EXPECT_EQ(CountPixels(pixels, 0, 0, kWidth, kHeight, IsLit), 0);

    host.messages.PostKey(VK_ESCAPE);
    EXPECT_EQ(host.Pass(*show, 0.02), Show::Pass::kNoFrame);
    EXPECT_EQ(host.Pass(*show, 0.02), Show::Pass::kFinished);
    EXPECT_EQ(show->phase(), Show::Phase::kFinished);
    EXPECT_EQ(show->display(), nullptr);
    EXPECT_EQ(host.Pass(*show, 0.02), Show::Pass::kFinished);
}

TEST_F(ShowTest, MusicStartsAfterLoadingAndStopsAtShutdown) {
    auto show = Start();
    ASSERT_NE(show->music()->Module(), nullptr);
    EXPECT_FALSE(host.audio.IsPlaying());
    host.FinishLoading(0.5);
    EXPECT_TRUE(host.audio.IsPlaying());
    for (int i = 0; i < 60; ++i) host.Pass(*show, 1.0 / 60.0);
    // The song clock runs about 5 % slow and in whole blocks.
    EXPECT_GT(show->songTime(), 0.9f);
    EXPECT_LT(show->songTime(), 1.0f);
    EXPECT_EQ(show->screenFlash().nextCue(), 1u);  // the black opening has fired

    show->Shutdown();
    EXPECT_FALSE(host.audio.IsPlaying());
    EXPECT_FALSE(host.audio.IsOpen());
}

TEST_F(ShowTest, DisplayFailureIsReportedAndEndsTheShowWithoutLoading) {
    ShowEnvironment environment = host.Environment();
    environment.createDisplay = [](HWND window) {
        auto display = std::make_unique<DisplayDevice>(window, kWidth, kHeight, true);
        if (display->device != nullptr) display->device->Release();
        display->device = nullptr;  // as if CreateDevice had failed
        return display;
    };
    auto show = Start(std::move(environment));
    ASSERT_EQ(host.errors.size(), 1u);
    EXPECT_EQ(host.errors[0].first, "Shit happens");
    EXPECT_EQ(host.errors[0].second, "Failed to initialize Display!");
    EXPECT_TRUE(show->quitRequested());
    EXPECT_EQ(show->archive(), nullptr);
    EXPECT_EQ(show->music(), nullptr);

    EXPECT_EQ(host.Pass(*show, 0.02), Show::Pass::kNoFrame);
    EXPECT_EQ(show->phase(), Show::Phase::kMain);
    EXPECT_EQ(host.Pass(*show, 0.02), Show::Pass::kFinished);
    EXPECT_EQ(show->Run(), 1);
}

TEST_F(ShowTest, WindowFailureIsReportedAndStartUpGoesOn) {
    ShowEnvironment environment = host.Environment();
    environment.withWindow = true;
    auto show = [&] {
        const ScopedEnvironment unknownDriver{{"SDL_VIDEODRIVER", "no-such-video-driver"}};
        return Start(std::move(environment));
    }();
    ASSERT_EQ(host.errors.size(), 1u);
    EXPECT_EQ(host.errors[0].second, "Couldn't create win!");
    EXPECT_TRUE(show->quitRequested());
    EXPECT_NE(show->display(), nullptr);
    EXPECT_TRUE(show->archive()->IsOpen());  // start-up carried on

    EXPECT_EQ(host.Pass(*show, 0.02), Show::Pass::kFrame);  // one loading pass
    EXPECT_EQ(host.Pass(*show, 0.02), Show::Pass::kFinished);
    EXPECT_EQ(show->Run(), 1);
}

// ---- The loading loop

TEST_F(ShowTest, LoadingHoldsForFourSecondsOfClockTime) {
    auto show = Start();
    // Start-up is timed from the process start: the first loading frame, then the loaded content.
    const StartupTiming& startup = show->startupTiming();
    EXPECT_GT(startup.firstLoadingFrameMs, 0.0);
    EXPECT_GE(startup.loadedMs, startup.firstLoadingFrameMs);
    EXPECT_LE(startup.loadedMs, MillisecondsSinceProcessStart());
    EXPECT_EQ(host.FinishLoading(0.5), 8);  // leaves once 4.0 s are reached, not before
    EXPECT_EQ(show->frameClock().elapsedSeconds(), 0.0);  // restarted for the main loop

    HeadlessShow slow(host.archivePath);
    auto other = std::make_unique<Show>(slow.Environment());
    slow.show = other.get();
    other->Startup();
    EXPECT_EQ(slow.FinishLoading(0.3), 14);
}

TEST_F(ShowTest, EscapeDuringLoadingEndsTheShowAfterThePass) {
    auto show = Start();
    host.messages.PostKey(VK_ESCAPE);
    EXPECT_EQ(host.Pass(*show, 0.01), Show::Pass::kFrame);  // the pass still draws
    EXPECT_EQ(show->phase(), Show::Phase::kMain);
    EXPECT_TRUE(host.audio.IsPlaying());  // the music starts even so...
    EXPECT_EQ(host.Pass(*show, 0.01), Show::Pass::kFinished);
    EXPECT_FALSE(host.audio.IsPlaying());  // ...and stops at once
}

TEST_F(ShowTest, LoadingScreenWarnsOfMissingCapabilities) {
    for (const bool tnl : {false, true}) {
        ShowEnvironment environment = host.Environment();
        environment.createDisplay = [tnl](HWND window) {
            auto display = std::make_unique<DisplayDevice>(window, kWidth, kHeight, true);
            display->hasHardwareTnL = tnl;
            display->hasCubeMaps = false;
            return display;
        };
        auto show = Start(std::move(environment));
        host.Pass(*show, 0.01);
        const auto pixels = ReadBack(*show->display()->device, kWidth, kHeight);
        const int at40 = CountPixels(pixels, 0, 40, kWidth, 66, IsRed);
        const int at70 = CountPixels(pixels, 0, 70, kWidth, 96, IsRed);
        EXPECT_GT(at40, 100) << tnl;
        EXPECT_EQ(at70 > 100, !tnl) << tnl;
        EXPECT_EQ(CountPixels(pixels, 0, 96, kWidth, kHeight, IsLit), 0);
        if (!tnl) SavePng(TAVRIN_BIN_DIR "/shell-loading-warnings.png", pixels, kWidth, kHeight);
    }
}

TEST_F(ShowTest, LoadingTextIsWhiteAtItsPositionWithinTheCell) {
    auto show = Start();
    ASSERT_TRUE(show->display()->hasHardwareTnL);
    ASSERT_TRUE(show->display()->hasCubeMaps);
    host.Pass(*show, 0.01);
    const auto pixels = ReadBack(*show->display()->device, kWidth, kHeight);
    SavePng(TAVRIN_BIN_DIR "/shell-loading.png", pixels, kWidth, kHeight);

    int left = kWidth, right = -1, top = kHeight, bottom = -1, white = 0;
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            const uint32_t p = pixels[static_cast<size_t>(y) * kWidth + x];
            if (!IsLit(p)) continue;
            EXPECT_EQ(p & 0xFF, (p >> 8) & 0xFF);  // grey levels of white only
            EXPECT_EQ(p & 0xFF, (p >> 16) & 0xFF);
            left = std::min(left, x), right = std::max(right, x);
            top = std::min(top, y), bottom = std::max(bottom, y);
            white += (p & 0xFFFFFF) == 0xFFFFFF;
        }
    }
    // "Loading.." in nine 14-pixel cells from (19, 10), 26 pixels high.
    EXPECT_GE(left, 19);
    EXPECT_LE(left, 19 + 3);
    EXPECT_GE(top, 10);
    EXPECT_LE(bottom, 10 + 26 - 1);
    EXPECT_GT(bottom - top, 14);  // capital L to the descender of g
    EXPECT_LE(right, 19 + 9 * 14 - 1);
    EXPECT_GE(right, 19 + 7 * 14);
    EXPECT_GT(white, 100);
}

// ---- The main loop

TEST_F(ShowTest, MessagePassesDrawNothingAndDoNotTick) {
    auto show = Start();
    host.FinishLoading(0.5);
    host.Pass(*show, 0.01);
    const double elapsed = show->frameClock().elapsedSeconds();

    host.messages.PostKey('Q');  // a key the show ignores still takes the pass
    EXPECT_EQ(host.Pass(*show, 0.01), Show::Pass::kNoFrame);
    EXPECT_EQ(show->frameClock().elapsedSeconds(), elapsed);
    host.messages.Post({WM_KEYDOWN, 'Z'});
    EXPECT_EQ(host.Pass(*show, 0.01), Show::Pass::kNoFrame);

    EXPECT_EQ(host.Pass(*show, 0.01), Show::Pass::kFrame);
    EXPECT_NEAR(show->frameClock().frameSeconds(), 0.03, 1e-9);  // covers the message passes
}

TEST_F(ShowTest, KeysSwitchFillModeAndStepTheTrophyGrid) {
    auto show = Start();
    host.FinishLoading(0.5);
    IDirect3DDevice8* device = show->display()->device;
    DWORD fill = 0;

    host.messages.PostKey('W');
    host.Pass(*show, 0.01);
    host.Pass(*show, 0.01);
    device->GetRenderState(D3DRS_FILLMODE, &fill);
    EXPECT_EQ(fill, static_cast<DWORD>(D3DFILL_WIREFRAME));

    host.messages.PostKey('F');
    host.Pass(*show, 0.01);
    host.Pass(*show, 0.01);
    device->GetRenderState(D3DRS_FILLMODE, &fill);
    EXPECT_EQ(fill, static_cast<DWORD>(D3DFILL_SOLID));

    // 'A' and 'Y' step the trophy scene's grid whichever effect is on screen.
    TrophyScene* trophy = show->trophyScene();
    ASSERT_NE(trophy, nullptr);
    const int resolution = trophy->resolution;
    host.messages.PostKey('A');
    host.messages.PostKey('A');
    host.messages.PostKey('Y');
    for (int i = 0; i < 3; ++i) EXPECT_EQ(host.Pass(*show, 0.01), Show::Pass::kNoFrame);
    EXPECT_EQ(trophy->resolution, resolution + 1);
    EXPECT_EQ(trophy->resolutionNoticeTime, 1.0f);
}

TEST_F(ShowTest, CloseAndQuitMessagesEndTheShow) {
    for (const uint32_t message : {WM_CLOSE, WM_QUIT}) {
        auto show = Start();
        host.FinishLoading(0.5);
        host.messages.Post({message, 0});
        EXPECT_EQ(host.Pass(*show, 0.01), Show::Pass::kNoFrame);
        EXPECT_EQ(host.Pass(*show, 0.01), Show::Pass::kFinished);
        EXPECT_EQ(show->Run(), 0);
    }
}

}  // namespace
}  // namespace tavrin
