#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/audio_manual.h"
#include "platform/counter.h"
#include "platform/messages.h"
#include "shell/show.h"

namespace tavrin::record {

// The show run frame by frame on a manual clock, a manual sound device and a headless display.
// Before every pass the clock moves on by exactly one frame interval and the sound device by
// exactly the sound frames of that interval, and the ring is refilled behind it, so picture and
// sound stay in step however long a frame takes to render.
class Capture {
public:
    static constexpr int kSoundRate = 44100;

    Capture(std::string archivePath, int framesPerSecond);
    ~Capture();
    Capture(const Capture&) = delete;
    Capture& operator=(const Capture&) = delete;

    // Starts the show up; false when it could not (no display).
    bool Start();

    // Runs one pass of the show at the current time, then moves clock and sound on by one frame
    // interval. False once the show has ended.
    bool Step();

    // The frame just rendered, top-down A8R8G8B8 (read back on request only).
    const std::vector<uint32_t>& ReadFrame();

    // The same a frame late, without waiting for the renderer: QueueFrame starts reading the frame
    // just rendered; TakeFrame waits for the oldest queued frame (at most two are queued) and
    // returns it, or nothing when none is queued.
    void QueueFrame();
    const std::vector<uint32_t>* TakeFrame();
    bool FramesQueued() const { return queuedFrames_ > 0; }

    // Interleaved 16-bit stereo played while the last frame was on screen (silence while no music
    // played): after n frames, n * 44100 / fps sound frames in all.
    const std::vector<int16_t>& FrameSound() const { return frameSound_; }

    // What the frame just rendered showed, for telling scenes apart: "loading screen", or the
    // class of the effect on screen, "(metaball passage)" while the trophy scene stands frozen and
    // "+ end scroller" once the scroller runs over it.
    std::string SceneName() const;

    int64_t frameIndex() const { return frame_; }
    float songTime() const { return show_->songTime(); }
    bool inMainLoop() const { return show_->phase() == Show::Phase::kMain; }
    // Song time at which the music first comes back to an order it has played, once the mixer has
    // got there; negative before.
    float songLoopTime() const { return songLoopTime_; }
    int width() const { return Show::kScreenWidth; }
    int height() const { return Show::kScreenHeight; }
    Show& show() { return *show_; }
    ManualAudioDevice& audio() { return audio_; }

private:
    void AdvanceClockAndSound();
    void WatchForSongLoop();

    int fps_;
    ManualCounter counter_;
    ManualAudioDevice audio_;
    MessageQueue messages_;
    std::unique_ptr<Show> show_;
    int64_t frame_ = 0;
    int64_t soundFramesSoFar_ = 0;
    std::vector<int16_t> frameSound_;
    std::vector<uint32_t> pixels_;
    int queuedFrames_ = 0;
    std::vector<int32_t> ordersPlayed_;
    int32_t lastOrder_ = -1;
    float songLoopTime_ = -1.0f;
};

}  // namespace tavrin::record
