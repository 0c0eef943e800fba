#include "platform/audio_sdl.h"

#include <SDL.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#ifdef __EMSCRIPTEN__
#include <emscripten.h>
#endif

namespace tavrin {
namespace {

#ifdef __EMSCRIPTEN__
// About 93 ms: a browser calls back on its main thread, between frames, so the block must outlast
// a slow frame; the song clock still moves in steps well under the 0.5 s it may trail the sound.
constexpr Uint16 kCallbackFrames = 4096;

// SDL fills the browser's buffers ahead of the sound: each fill is played from the audio clock
// time its event names, so the page notes that time for the callback to read.
void NoteBufferPlaybackTimes() {
    EM_ASM({
        const node = Module.SDL2.audio.scriptProcessorNode;
        const fill = node.onaudioprocess;
        node.onaudioprocess = event => {
            Module.tavrinBufferTime = event.playbackTime;
            fill(event);
        };
    });
}

double BufferPlaybackTime() {
    return EM_ASM_DOUBLE({ return Module.tavrinBufferTime === undefined ? NaN : Module.tavrinBufferTime; });
}

double AudioClockNow() {
    return EM_ASM_DOUBLE({ return Module.SDL2.audioContext.currentTime; });
}
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
#ifdef __EMSCRIPTEN__
    bytesPerFrame_ = format.BytesPerFrame();
    bytesPerSecond_ = static_cast<double>(format.rate) * bytesPerFrame_;
    NoteBufferPlaybackTimes();
#endif
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
    RestartPosition();
    SDL_UnlockAudioDevice(device_);
}

void SdlAudioDevice::Reset() {
    if (device_ == 0) return;
    SDL_LockAudioDevice(device_);
    loop_ = nullptr;
    loopSize_ = 0;
    offset_ = 0;
    RestartPosition();
    SDL_UnlockAudioDevice(device_);
}

void SdlAudioDevice::Close() {
    if (device_ == 0) return;
    SDL_CloseAudioDevice(device_);  // waits for a running callback
    device_ = 0;
    loop_ = nullptr;
    loopSize_ = 0;
    offset_ = 0;
    RestartPosition();
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

void SdlAudioDevice::Callback(void* self, uint8_t* stream, int length) {
    auto* device = static_cast<SdlAudioDevice*>(self);
    ++device->callbacks_;
    if (device->beforeFill_) device->beforeFill_();
#ifdef __EMSCRIPTEN__
    if (device->loop_ != nullptr) {
        device->bufferStart_ = device->position_;
        device->bufferTime_ = BufferPlaybackTime();
        if (device->bufferStart_ == 0) device->loopStartTime_ = device->bufferTime_;
    }
#endif
    device->Fill(stream, static_cast<size_t>(length));
}

// On the desktop SDL's buffers are short enough that what was handed over counts as heard. The
// browser queues its buffers for a tenth of a second and more, so there the position is read off
// the audio clock from the latest buffer's start, never past what it was handed.
uint64_t SdlAudioDevice::PositionBytes() {
    const uint64_t handed = position_;
#ifdef __EMSCRIPTEN__
    if (std::isfinite(bufferTime_)) {
        const double heard = static_cast<double>(bufferStart_) +
                             (AudioClockNow() - bufferTime_) * bytesPerSecond_;
        const auto bytes = static_cast<uint64_t>(std::clamp(heard, 0.0, static_cast<double>(handed)));
        heard_ = std::max(heard_, bytes - bytes % bytesPerFrame_);
        return heard_;
    }
#endif
    return handed;
}

void SdlAudioDevice::RestartPosition() {
    position_ = 0;
#ifdef __EMSCRIPTEN__
    bufferStart_ = 0;
    bufferTime_ = std::numeric_limits<double>::quiet_NaN();
    heard_ = 0;
    loopStartTime_ = std::numeric_limits<double>::quiet_NaN();
#endif
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
