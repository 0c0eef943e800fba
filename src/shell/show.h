#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "gfxutil/display_device.h"
#include "music/output.h"
#include "platform/messages.h"
#include "shell/captions.h"
#include "shell/frame_clock.h"
#include "shell/rehearsal.h"
#include "shell/screen_flash.h"
#include "shell/show_tables.h"
#include "shell/startup_timing.h"

namespace tavrin {

class AudioDevice;
class DataArchive;
class EndScroller;
class EnvBumpEffect;
class FlareEffect;
class MusicPlayer;
class SceneSchedule;
class StadiumEffect;
class TrophyScene;
struct MeshModel;
class PerformanceCounter;
class Window;

// What the show runs on. The interactive program passes the system counter, the sound device, a
// window and SDL's messages; capture and tests pass a manual counter and audio device, a headless
// display and a message queue, and run the very same start-up, loops and shutdown.
struct ShowEnvironment {
    PerformanceCounter* counter = nullptr;
    AudioDevice* audio = nullptr;
    MessageSource* messages = nullptr;
    RefillDriver refill = RefillDriver::kThread;
    // With a window the display takes the screen through it; without, it renders headless.
    bool withWindow = true;
    std::string archivePath = "Tavrin.data";
    // Shows a start-up failure; ShowErrorBox (message box and stderr) unless replaced.
    std::function<void(const char* caption, const char* text)> reportError;
    // Makes the display on the window (null when headless); a DisplayDevice unless replaced.
    std::function<std::unique_ptr<DisplayDevice>(HWND window)> createDisplay;
};

// The show: start-up, the loading loop, the main loop and shutdown, one pass at a time.
class Show {
public:
    static constexpr int kScreenWidth = 800;
    static constexpr int kScreenHeight = 600;
    static constexpr double kLoadingSeconds = 4.0;

    enum class Phase { kLoading, kMain, kFinished };
    enum class Pass { kFrame, kNoFrame, kFinished };

    explicit Show(ShowEnvironment environment);
    // Shuts down first if the show has not finished.
    ~Show();
    Show(const Show&) = delete;
    Show& operator=(const Show&) = delete;

    // Everything up to the loading loop: window, display, font, archive, music, assets, effects,
    // tables, clock. Failures to make the window or display are reported and end the show.
    void Startup();

    // One pass of whichever loop is running. Leaving the loading loop restarts the clock and starts
    // the music; leaving the main loop shuts the show down. kFrame when a frame was presented,
    // kNoFrame when none was (a main-loop pass that handled a message, or no display), kFinished
    // once the show has ended.
    Pass RunPass();

    // Startup, then passes until the show ends. Returns the program's exit code: 1 when the window
    // or the display could not be made, so that scripts see the failure the message box reports.
    int Run();

    // Stops the music and releases everything in order. Harmless when done already.
    void Shutdown();

    // The window procedure: close, quit and the keys.
    void WindowProc(const Message& message);

    Phase phase() const { return phase_; }
    bool quitRequested() const { return quitRequested_; }
    float songTime() const { return songTime_; }
    const FrameClock& frameClock() const { return clock_; }
    DisplayDevice* display() const { return display_.get(); }
    MusicPlayer* music() const { return music_.get(); }
    DataArchive* archive() const { return archive_.get(); }
    SceneSchedule* schedule() const { return schedule_.get(); }
    TrophyScene* trophyScene() const { return trophyScene_.get(); }
    const ScreenFlash& screenFlash() const { return flash_; }
    const ShowCaptionTable& captionTable() const { return captionTable_; }
    const StartupTiming& startupTiming() const { return startupTiming_; }

private:
    IDirect3DDevice8* Device() const { return display_ ? display_->device : nullptr; }
    bool TakeMessage();
    void ClearFrame();
    void Present();
    Pass LoadingPass();
    Pass MainPass();
    void StartMusic();
    void LoadingFrame(const char* text);
    void LoadContent();
    void CreateEffects();
    void PlanRehearsal();
    void ReleaseContent();

    ShowEnvironment env_;
    Phase phase_ = Phase::kLoading;
    bool started_ = false;
    bool quitRequested_ = false;
    bool startupFailed_ = false;
    float songTime_ = 0.0f;
    FrameClock clock_;
    std::unique_ptr<Window> window_;
    std::unique_ptr<DisplayDevice> display_;
    std::unique_ptr<DataArchive> archive_;
    std::unique_ptr<MusicPlayer> music_;
    // Indexed in loading order.
    enum TextureSlot { kBlueEnv, kFussballEnv, kOutlineBunt, kFlare, kSphereBump, kTextureCount };
    std::array<IDirect3DTexture8*, kTextureCount> textures_{};
    std::unique_ptr<MeshModel> stadium_;
    std::unique_ptr<MeshModel> football_;
    std::unique_ptr<MeshModel> trophy_;
    std::unique_ptr<StadiumEffect> stadiumEffect_;
    std::unique_ptr<EnvBumpEffect> envBumpEffect_;
    std::unique_ptr<TrophyScene> trophyScene_;
    std::unique_ptr<FlareEffect> flareEffect_;
    std::unique_ptr<uint8_t[]> scrollerText_;
    uint32_t scrollerTextSize_ = 0;
    std::unique_ptr<EndScroller> endScroller_;
    std::unique_ptr<SceneSchedule> schedule_;
    ScreenFlash flash_;
    Captions captions_;
    ShowCaptionTable captionTable_;
    StartupTiming startupTiming_;
    std::unique_ptr<Rehearsal> rehearsal_;  // drawn during the loading passes
};

}  // namespace tavrin
