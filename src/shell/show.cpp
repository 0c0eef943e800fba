#include "shell/show.h"

#include <cstdio>
#include <utility>

#include "archive/data_archive.h"
#include "archive/mesh_model.h"
#include "archive/music_files.h"
#include "archive/texture_loader.h"
#include "effects/end_scroller.h"
#include "effects/env_bump_effect.h"
#include "effects/flare_effect.h"
#include "effects/stadium_effect.h"
#include "effects/text_overlay.h"
#include "effects/trophy_scene.h"
#include "music/music_player.h"
#include "platform/heap_policy.h"
#include "platform/resident_pages.h"
#include "platform/window.h"
#include "shell/scene_schedule.h"

namespace tavrin {

namespace {

constexpr const char* kErrorCaption = "Shit happens";
constexpr D3DCOLOR kWhite = 0xFFFFFFFF;
constexpr D3DCOLOR kRed = 0xFFFF0000;

PerformanceCounter& CounterOf(const ShowEnvironment& environment) {
    static SystemCounter systemCounter;
    return environment.counter != nullptr ? *environment.counter : systemCounter;
}

}  // namespace

Show::Show(ShowEnvironment environment)
    : env_(std::move(environment)), clock_(CounterOf(env_)), captionTable_(MakeShowCaptions()) {
    if (!env_.reportError) env_.reportError = &ShowErrorBox;
    if (!env_.createDisplay) {
        env_.createDisplay = [](HWND window) {
            return std::make_unique<DisplayDevice>(window, kScreenWidth, kScreenHeight, true);
        };
    }
}

Show::~Show() { Shutdown(); }

void Show::Startup() {
    if (started_) return;
    started_ = true;
    UseLongRunHeapPolicy();

    if (env_.withWindow) {
        window_ = Window::Create("Tavrin", kScreenWidth, kScreenHeight, true);
        if (window_ == nullptr) {
            std::fprintf(stderr, "tavrin: %s\n", Window::LastError().c_str());
            env_.reportError(kErrorCaption, "Couldn't create win!");
            quitRequested_ = true;
            startupFailed_ = true;
        } else {
            window_->ShowCursor(false);
        }
    }

    display_ = env_.createDisplay(window_.get());
    if (display_ == nullptr || display_->d3d == nullptr || display_->device == nullptr) {
        env_.reportError(kErrorCaption, "Failed to initialize Display!");
        quitRequested_ = true;
        startupFailed_ = true;
        // Everything after this draws or loads onto the device: without one, only the clock
        // starts, so both loops end after their first pass.
        clock_.Start();
        return;
    }
    IDirect3DDevice8* device = display_->device;

    TextOverlay::Init(device, "Courier New");
    // Draw every character once in a scene nobody sees, so the first visible text is ready.
    device->BeginScene();
    TextOverlay::PrintCharacterSet();
    device->EndScene();
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_DOTPRODUCT3);
    LoadingFrame("Loading.");
    startupTiming_.firstLoadingFrameMs = MillisecondsSinceProcessStart();
    // Loading the driver ran its libraries' start-up code once: tens of megabytes resident.
    ReleaseFileBackedPages();

    LoadContent();
    startupTiming_.loadedMs = MillisecondsSinceProcessStart();
    clock_.Start();
}

void Show::LoadContent() {
    archive_ = std::make_unique<DataArchive>(env_.archivePath);
    SetMusicArchive(archive_.get());
    if (env_.audio != nullptr) {
        music_ = std::make_unique<MusicPlayer>(
            "KVB.xm", MusicFileCallbacks{&FileOpen, &FileClose, &FileRead, &FileSeek, &FileTell},
            *env_.audio, env_.refill);
    }
    songTime_ = 0.0f;

    static constexpr const char* kTextureNames[kTextureCount] = {
        "BlueEnv.bmp", "FussballEnv.tga", "Outline_Bunt.tga", "Flare.bmp", "SphereBump.bmp"};
    for (int slot = 0; slot < kTextureCount; ++slot) {
        textures_[slot] = LoadTexture(archive_.get(), display_->device, kTextureNames[slot]);
    }
    stadium_ = std::make_unique<MeshModel>(display_.get(), archive_.get(), "Stadion.x");
    football_ = std::make_unique<MeshModel>(display_.get(), archive_.get(), "Fussball.x");
    trophy_ = std::make_unique<MeshModel>(display_.get(), archive_.get(), "Pokal3.x");

    CreateEffects();

    flash_.Attach(kShowFlashCues);
    captions_.Attach(captionTable_);
    display_->hasDot3 = false;
    PlanRehearsal();
}

// Stand-ins of every effect, drawn as the show first draws each: the flare without and with its
// flares, the stadium, the tori, the trophy scene with its resolution notice, and the scroller
// with rows on screen, each with a flash over it (the flash keeps the stage states it finds). The
// flare for two frames: its base layer draws with whatever states are current, in the show those
// the frame before left. Made after the show's own effects, which have drawn their random values.
// The trophy scene draws itself: a frame of no time moves nothing its first animated frame does
// not set again, and a stand-in would load a second sky box, whose textures, once drawn into the
// cube faces, the driver keeps until the device closes (8 MB).
void Show::PlanRehearsal() {
    DisplayDevice* display = display_.get();
    rehearsal_ = std::make_unique<Rehearsal>(display->device);
    auto withFlash = [display](auto drawEffect, int frames = 1) {
        return [display, drawEffect, frames] {
            static constexpr FlashCue kHalfWhite[] = {{0.0f, 0.0f, 0.5f, 0xFFFFFF}};
            ScreenFlash flash;
            flash.Attach(kHalfWhite);
            for (int frame = 0; frame < frames; ++frame) {
                drawEffect();
                flash.Draw(display->device, display->width, display->height, 0.0, 1.0f);
            }
        };
    };
    rehearsal_->Add(withFlash(
        [this, display] {
            FlareEffect flare(display, 10, 2.0f, 0.8f, textures_[kOutlineBunt], textures_[kFlare]);
            flare.flareOn = false;
            flare.Render(0.0);
            flare.flareOn = true;
            flare.Render(0.0);
        },
        2));
    rehearsal_->Add(withFlash([this, display] {
        StadiumEffect(display, 4, textures_[kFussballEnv], textures_[kSphereBump], stadium_.get())
            .Render(0.0);
    }));
    rehearsal_->Add(withFlash([this, display] {
        EnvBumpEffect(display, 2, textures_[kBlueEnv], textures_[kSphereBump]).Render(0.0);
    }));
    rehearsal_->Add(withFlash([this] {
        const float noticeTime = trophyScene_->resolutionNoticeTime;
        trophyScene_->resolutionNoticeTime = 1.0f;
        trophyScene_->Render(0.0);
        trophyScene_->resolutionNoticeTime = noticeTime;
    }));
    rehearsal_->Add(withFlash([this, display] {
        constexpr double kRowsOnScreen = 20.0;  // seconds of scrolling
        EndScroller(display, scrollerText_.get(), scrollerTextSize_).Render(kRowsOnScreen);
    }));
}

// Constructed in this order: the first three draw their random values from the one shared
// sequence, so the same draws land in the same objects on every run.
void Show::CreateEffects() {
    DisplayDevice* display = display_.get();
    stadiumEffect_ = std::make_unique<StadiumEffect>(display, 4, textures_[kFussballEnv],
                                                     textures_[kSphereBump], stadium_.get());
    envBumpEffect_ = std::make_unique<EnvBumpEffect>(display, 2, textures_[kBlueEnv],
                                                     textures_[kSphereBump]);
    trophyScene_ = std::make_unique<TrophyScene>(display, textures_[kBlueEnv], trophy_.get(),
                                                 football_.get());
    trophyScene_->printText = &TextOverlay::Print;
    flareEffect_ = std::make_unique<FlareEffect>(display, 10, 2.0f, 0.8f, textures_[kOutlineBunt],
                                                 textures_[kFlare]);
    flareEffect_->flareOn = false;  // the schedule switches the flare on

    ScheduleSlots slots;
    slots.flare = flareEffect_.get();
    slots.flareOn = &flareEffect_->flareOn;
    slots.stadium = stadiumEffect_.get();
    slots.stadiumShake = &stadiumEffect_->shake;
    slots.stadiumOrbitSpeed = &stadiumEffect_->orbitSpeed;
    slots.envBump = envBumpEffect_.get();
    slots.envBumpShake = &envBumpEffect_->shake;
    slots.AttachTrophy(*trophyScene_);

    uint8_t* text = nullptr;
    scrollerTextSize_ = archive_->Load("Scrollertext.txt", &text);
    scrollerText_.reset(text);
    endScroller_ = std::make_unique<EndScroller>(display, scrollerText_.get(), scrollerTextSize_);
    slots.scroller = endScroller_.get();
    schedule_ = std::make_unique<SceneSchedule>(slots);
}

Show::Pass Show::RunPass() {
    switch (phase_) {
        case Phase::kLoading: {
            const Pass pass = LoadingPass();
            if (phase_ == Phase::kLoading) return pass;
            ReturnFreedHeapPages();
            // The shader compiler has built every program the show draws with and is not run again.
            ReleaseFileBackedPages();
            StartMusic();
            return pass;
        }
        case Phase::kMain: {
            const Pass pass = MainPass();
            if (pass == Pass::kFinished) Shutdown();
            return pass;
        }
        case Phase::kFinished:
            break;
    }
    return Pass::kFinished;
}

int Show::Run() {
    Startup();
    while (RunPass() != Pass::kFinished) {
    }
    return startupFailed_ ? 1 : 0;
}

bool Show::TakeMessage() {
    Message message;
    if (env_.messages == nullptr || !env_.messages->PeekMessage(message)) return false;
    WindowProc(message);
    return true;
}

void Show::ClearFrame() {
    Device()->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
}

void Show::Present() { Device()->Present(nullptr, nullptr, nullptr, nullptr); }

void Show::LoadingFrame(const char* text) {
    ClearFrame();
    Device()->BeginScene();
    TextOverlay::Print(19, 10, text, kWhite);
    Device()->EndScene();
    Present();
}

Show::Pass Show::LoadingPass() {
    TakeMessage();
    const bool drawn = Device() != nullptr;
    if (drawn) {
        if (rehearsal_ != nullptr) rehearsal_->RunNext();
        ClearFrame();
        Device()->BeginScene();
        TextOverlay::Print(19, 10, "Loading..", kWhite);
        int y = 40;
        if (!display_->hasHardwareTnL) {
            TextOverlay::Print(19, 40, "No Hardware Transform and Lighting! ( Buy a GeForce ;^)",
                               kRed);
            y = 70;
        }
        if (!display_->hasCubeMaps) TextOverlay::Print(19, y, "No Cube Environment Map Support!", kRed);
        Device()->EndScene();
        Present();
    }
    bool leave = false;
    if (clock_.running()) {
        clock_.Tick();
        leave = !(clock_.elapsedSeconds() < kLoadingSeconds);
    }
    if (leave || quitRequested_) phase_ = Phase::kMain;
    // A loading screen too short for one step a pass finishes the rehearsal in its last pass.
    if (leave && drawn && rehearsal_ != nullptr) {
        while (rehearsal_->RunNext()) {
        }
    }
    return drawn ? Pass::kFrame : Pass::kNoFrame;
}

void Show::StartMusic() {
    clock_.Stop();
    clock_.Start();
    if (music_ != nullptr) music_->Play();
}

Show::Pass Show::MainPass() {
    if (quitRequested_) return Pass::kFinished;
    if (TakeMessage()) return Pass::kNoFrame;

    clock_.Tick();
    const double frameSeconds = clock_.frameSeconds();
    songTime_ = music_ != nullptr ? music_->SongTime() : 0.0f;

    if (schedule_ != nullptr) schedule_->Run(songTime_);

    ClearFrame();
    Device()->BeginScene();
    if (schedule_ != nullptr && schedule_->ActiveEffect() != nullptr) {
        schedule_->ActiveEffect()->Render(frameSeconds);
    }
    captions_.Draw(frameSeconds, songTime_);
    flash_.Draw(Device(), display_->width, display_->height, frameSeconds, songTime_);
    if (endScroller_ != nullptr && SceneSchedule::ScrollerShown(songTime_)) {
        endScroller_->Render(frameSeconds);
    }
    Device()->EndScene();
    Present();
    return Pass::kFrame;
}

void Show::WindowProc(const Message& message) {
    switch (message.message) {
        case WM_CLOSE:
        case WM_QUIT:
            quitRequested_ = true;
            return;
        case WM_KEYDOWN:
            break;
        default:
            return;
    }
    switch (message.wParam) {
        case VK_ESCAPE:
            quitRequested_ = true;
            break;
        case 'W':
            if (Device() != nullptr) Device()->SetRenderState(D3DRS_FILLMODE, D3DFILL_WIREFRAME);
            break;
        case 'F':
            if (Device() != nullptr) Device()->SetRenderState(D3DRS_FILLMODE, D3DFILL_SOLID);
            break;
        case 'A':
            if (trophyScene_ != nullptr) trophyScene_->StepResolution(+1);
            break;
        case 'Y':
            if (trophyScene_ != nullptr) trophyScene_->StepResolution(-1);
            break;
        default:
            break;
    }
}

void Show::Shutdown() {
    if (phase_ == Phase::kFinished) return;
    phase_ = Phase::kFinished;
    quitRequested_ = true;
    if (music_ != nullptr) music_->Stop();
    ReleaseContent();
    SetMusicArchive(nullptr);
    archive_.reset();
    music_.reset();
    display_.reset();
    TextOverlay::Shutdown();
    window_.reset();
}

void Show::ReleaseContent() {
    rehearsal_.reset();
    schedule_.reset();
    flareEffect_.reset();
    stadiumEffect_.reset();
    envBumpEffect_.reset();
    trophyScene_.reset();
    endScroller_.reset();
    trophy_.reset();
    football_.reset();
    stadium_.reset();
    for (TextureSlot slot : {kSphereBump, kFussballEnv, kFlare, kOutlineBunt, kBlueEnv}) {
        if (textures_[slot] != nullptr) textures_[slot]->Release();
        textures_[slot] = nullptr;
    }
}

}  // namespace tavrin
