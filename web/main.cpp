// The show in a browser. The page's main loop calls Step once a frame: first a "click to start"
// screen in the show's own font (skipped when the browser lets sound start at once), then the
// show's own passes, and after Escape the page's end state. Without threads the music ring is
// refilled from the audio callback, which the browser runs on this thread between frames: after a
// long frame the callbacks come in a burst, and each refills what the one before has played, so
// the ring never falls a lap behind. The page asks how far things are through the functions at
// the end.
#include <SDL.h>
#include <emscripten.h>

#include <memory>

#include "music/music_player.h"
#include "music/output.h"
#include "platform/audio_sdl.h"
#include "platform/counter.h"
#include "platform/messages.h"
#include "shell/show.h"
#include "effects/text_overlay.h"

namespace {

enum class Stage { kWaitingForClick, kShow, kEnded };

const char* StageName(Stage stage) {
    switch (stage) {
        case Stage::kWaitingForClick:
            return "click";
        case Stage::kShow:
            return "show";
        case Stage::kEnded:
            return "ended";
    }
    return "";
}

struct Page {
    tavrin::SystemCounter counter;
    tavrin::SdlAudioDevice audio;
    tavrin::SdlMessagePump messages;
    std::unique_ptr<tavrin::Show> show;
    Stage stage = Stage::kWaitingForClick;
    double frames = 0;  // steps taken
};

Page* page = nullptr;

bool SoundMayPlay() {
    // The JavaScript is left as written.
    // clang-format off
    return EM_ASM_INT({
        const audio = Module.SDL2 && Module.SDL2.audioContext;
        return audio && audio.state === 'running' ? 1 : 0;
    }) != 0;
    // clang-format on
}

// A click or a key: the gesture the browser wants before it plays sound. SDL's page code resumes
// the audio context on the same event.
bool GestureSeen() {
    SDL_Event event;
    bool seen = false;
    while (SDL_PollEvent(&event) != 0) {
        seen = seen || event.type == SDL_MOUSEBUTTONDOWN || event.type == SDL_KEYDOWN ||
               event.type == SDL_FINGERDOWN;
    }
    return seen;
}

void DrawClickScreen(IDirect3DDevice8* device) {
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
    device->BeginScene();
    tavrin::TextOverlay::Print(19, 10, "Tavrin", 0xFFFFFFFF);
    tavrin::TextOverlay::Print(19, 40, "Click to start (with sound).", 0xFFFFFFFF);
    device->EndScene();
    device->Present(nullptr, nullptr, nullptr, nullptr);
}

void Step() {
    tavrin::Show& show = *page->show;
    if (page->stage == Stage::kWaitingForClick) {
        const bool start = SoundMayPlay() || GestureSeen();
        if (show.display() != nullptr) DrawClickScreen(show.display()->device);
        if (start) page->stage = Stage::kShow;
    } else if (page->stage == Stage::kShow) {
        const tavrin::Show::Pass pass = show.RunPass();
        if (pass == tavrin::Show::Pass::kFinished) {
            page->stage = Stage::kEnded;
            emscripten_cancel_main_loop();
            EM_ASM({ Module.onTavrinEnded(); });
        }
    }
    ++page->frames;
}

}  // namespace

// What the page asks, once the show has started up.
extern "C" {
EMSCRIPTEN_KEEPALIVE const char* tavrin_stage() {
    return StageName(page->stage);
}
// The song clock now (the show's own copy is the one its last frame drew with).
EMSCRIPTEN_KEEPALIVE double tavrin_song_time() {
    const tavrin::MusicPlayer* music = page->show->music();
    return music != nullptr ? music->SongTime() : 0.0;
}
EMSCRIPTEN_KEEPALIVE double tavrin_audio_callbacks() {
    return static_cast<double>(page->audio.Callbacks());
}
EMSCRIPTEN_KEEPALIVE double tavrin_frames() {
    return page->frames;
}
// The audio clock's time at which the music starts to sound, for the page to compare the song
// time with; NaN until the browser has asked for the first of it.
EMSCRIPTEN_KEEPALIVE double tavrin_music_start_audio_time() {
    return page->audio.LoopStartAudioTime();
}
// Seconds of sound heard since the music started (the audio device's position).
EMSCRIPTEN_KEEPALIVE double tavrin_sound_seconds() {
    return static_cast<double>(page->audio.PositionBytes()) / (tavrin::kOutputRate * 4.0);
}
}

int main() {
    page = new Page;  // lives as long as the page: the main loop outlasts main()
    tavrin::ShowEnvironment environment;
    environment.counter = &page->counter;
    environment.audio = &page->audio;
    environment.messages = &page->messages;
    environment.refill = tavrin::RefillDriver::kCaller;  // no threads: the audio callback refills
    page->audio.SetBeforeFill([] { tavrin::RefillPass(); });
    page->show = std::make_unique<tavrin::Show>(std::move(environment));
    page->show->Startup();
    emscripten_set_main_loop(Step, 0, false);
    return 0;
}
