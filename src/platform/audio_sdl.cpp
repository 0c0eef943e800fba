#include "platform/audio_sdl.h"

#include <SDL.h>

#include <algorithm>
#include <cstring>

namespace tavrin {
namespace {

#ifdef __EMSCRIPTEN__
// About 93 ms: a browser calls back on its main thread, between frames, so the block must outlast
// a slow frame; the song clock still moves in steps well under the 0.5 s it may trail the sound.
constexpr Uint16 kCallbackFrames = 4096;
#else
// About 11.6 ms at 44.1 kHz: the position moves in steps no coarser than this, well under the
// player's 20 ms blocks, and the callback runs often enough that the player's 5 ms polling sees it.
constexpr Uint16 kCallbackFrames = 512;
#endif

}  // namespace

bool SdlAudioDevice::Open(const AudioFormat& format) {
    Close();
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return false;
    SDL_AudioSpec wanted{};
    wanted.freq = format.rate;
    wanted.format = AUDIO_S16SYS;
    wanted.channels = static_cast<Uint8>(format.channels);
    wanted.samples = kCallbackFrames;
    wanted.callback = &SdlAudioDevice::Callback;
    wanted.userdata = this;
    // No changes allowed: SDL converts to whatever the hardware wants, so the callback always
    // deals in the caller's format.
    device_ = SDL_OpenAudioDevice(nullptr, 0, &wanted, nullptr, 0);
    if (device_ == 0) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return false;
    }
    // Unpaused at once: silence until a loop is handed over, so starting a loop needs no state
    // change on SDL's side.
    SDL_PauseAudioDevice(device_, 0);
    return true;
}

void SdlAudioDevice::PlayLoop(const uint8_t* data, size_t size) {
    if (device_ == 0 || data == nullptr || size == 0) return;
    SDL_LockAudioDevice(device_);
    loop_ = data;
    loopSize_ = size;
    offset_ = 0;
    position_ = 0;
    SDL_UnlockAudioDevice(device_);
}

void SdlAudioDevice::Reset() {
    if (device_ == 0) return;
    SDL_LockAudioDevice(device_);
    loop_ = nullptr;
    loopSize_ = 0;
    offset_ = 0;
    position_ = 0;
    SDL_UnlockAudioDevice(device_);
}

void SdlAudioDevice::Close() {
    if (device_ == 0) return;
    SDL_CloseAudioDevice(device_);  // waits for a running callback
    device_ = 0;
    loop_ = nullptr;
    loopSize_ = 0;
    offset_ = 0;
    position_ = 0;
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

void SdlAudioDevice::Callback(void* self, uint8_t* stream, int length) {
    auto* device = static_cast<SdlAudioDevice*>(self);
    ++device->callbacks_;
    if (device->beforeFill_) device->beforeFill_();
    device->Fill(stream, static_cast<size_t>(length));
}

void SdlAudioDevice::Fill(uint8_t* stream, size_t length) {
    if (loop_ == nullptr) {
        std::memset(stream, 0, length);
        return;
    }
    const size_t total = length;
    while (length > 0) {
        const size_t run = std::min(length, loopSize_ - offset_);
        std::memcpy(stream, loop_ + offset_, run);
        stream += run;
        length -= run;
        offset_ = (offset_ + run) % loopSize_;
    }
    position_ += total;
}

}  // namespace tavrin
