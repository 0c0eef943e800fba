#include "capture.h"

#include <cxxabi.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <typeinfo>

#include "effects/effect.h"
#include "effects/env_bump_effect.h"
#include "effects/flare_effect.h"
#include "effects/stadium_effect.h"
#include "effects/trophy_scene.h"
#include "gfxutil/display_device.h"
#include "music/music_player.h"
#include "music/output.h"
#include "platform/random.h"
#include "shell/scene_schedule.h"

namespace tavrin::record {
namespace {

// Ticks per frame of the manual counter: a whole number, so every frame lasts exactly 1 / fps.
constexpr int64_t kTicksPerFrame = 100000;

// The effect's class name without its namespace.
std::string ClassName(const Effect& effect) {
    const char* mangled = typeid(effect).name();
    int status = 0;
    const std::unique_ptr<char, void (*)(void*)> demangled(
        abi::__cxa_demangle(mangled, nullptr, nullptr, &status), std::free);
    const std::string name = status == 0 && demangled ? demangled.get() : mangled;
    const size_t scope = name.rfind("::");
    return scope == std::string::npos ? name : name.substr(scope + 2);
}

}  // namespace

Capture::Capture(std::string archivePath, int framesPerSecond)
    : fps_(std::max(framesPerSecond, 1)), counter_(kTicksPerFrame * fps_, 0) {
    ShowEnvironment environment;
    environment.counter = &counter_;
    environment.audio = &audio_;
    environment.messages = &messages_;
    environment.refill = RefillDriver::kCaller;
    environment.withWindow = false;
    environment.archivePath = std::move(archivePath);
    show_ = std::make_unique<Show>(std::move(environment));
}

Capture::~Capture() = default;

bool Capture::Start() {
    // Every recording starts from the state of a fresh program, even the second one in a process:
    // the same random draws land in the same objects and the effect clocks start at 0.
    ResetRand();
    FlareEffect::ResetClock();
    StadiumEffect::ResetClock();
    EnvBumpEffect::ResetClock();
    show_->Startup();
    return show_->display() != nullptr && show_->display()->device != nullptr &&
           show_->phase() != Show::Phase::kFinished;
}

void Capture::AdvanceClockAndSound() {
    counter_.Advance(kTicksPerFrame);
    const int64_t soundFramesTarget = (frame_ * kSoundRate) / fps_;
    const auto soundFrames = static_cast<size_t>(soundFramesTarget - soundFramesSoFar_);
    soundFramesSoFar_ = soundFramesTarget;

    frameSound_.assign(soundFrames * 2, 0);
    // What the device plays in this interval is what lies in the ring before it is refilled.
    audio_.ReadLoop(audio_.PositionBytes(), reinterpret_cast<uint8_t*>(frameSound_.data()),
                    frameSound_.size() * sizeof(int16_t));
    audio_.Advance(soundFrames);
    RefillPass();
}

void Capture::WatchForSongLoop() {
    const XmModule* module = PlayingModule();
    if (!module || songLoopTime_ >= 0.0f || module->order == lastOrder_) return;
    lastOrder_ = module->order;
    if (std::find(ordersPlayed_.begin(), ordersPlayed_.end(), module->order) != ordersPlayed_.end()) {
        songLoopTime_ = static_cast<float>(module->playedMilliseconds) / 1000.0f;
    } else {
        ordersPlayed_.push_back(module->order);
    }
}

bool Capture::Step() {
    if (show_->phase() == Show::Phase::kFinished) return false;
    const Show::Pass pass = show_->RunPass();
    ++frame_;
    WatchForSongLoop();
    // The frame stays on screen for one interval, while the device plays that interval's sound.
    AdvanceClockAndSound();
    return pass != Show::Pass::kFinished;
}

std::string Capture::SceneName() const {
    if (!inMainLoop()) return "loading screen";
    const SceneSchedule* schedule = show_->schedule();
    const Effect* effect = schedule ? schedule->ActiveEffect() : nullptr;
    std::string name = effect ? ClassName(*effect) : "nothing";
    if (effect && effect == show_->trophyScene() && show_->trophyScene()->frozen) name += " (metaball passage)";
    if (SceneSchedule::ScrollerShown(songTime())) name += " + end scroller";
    return name;
}

const std::vector<uint32_t>& Capture::ReadFrame() {
    pixels_.assign(static_cast<size_t>(width()) * height(), 0);
    if (show_->display() && show_->display()->device) {
        show_->display()->device->ReadBackBuffer(pixels_.data(), static_cast<UINT>(width() * 4));
    }
    return pixels_;
}

void Capture::QueueFrame() {
    IDirect3DDevice8* device = show_->display() ? show_->display()->device : nullptr;
    if (device != nullptr && device->QueueBackBufferRead() == D3D_OK) ++queuedFrames_;
}

const std::vector<uint32_t>* Capture::TakeFrame() {
    if (queuedFrames_ == 0) return nullptr;
    --queuedFrames_;
    pixels_.assign(static_cast<size_t>(width()) * height(), 0);
    show_->display()->device->TakeBackBufferRead(pixels_.data(), static_cast<UINT>(width() * 4));
    return &pixels_;
}

}  // namespace tavrin::record
