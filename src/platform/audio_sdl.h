#pragma once

#include "platform/audio_device.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <limits>

namespace tavrin {

// The real sound output: SDL's audio callback copies from the looping buffer and advances the
// position by what it copied.
class SdlAudioDevice final : public AudioDevice {
public:
    SdlAudioDevice() = default;
    ~SdlAudioDevice() override { Close(); }
    SdlAudioDevice(const SdlAudioDevice&) = delete;
    SdlAudioDevice& operator=(const SdlAudioDevice&) = delete;

    bool Open(const AudioFormat& format) override;
    void PlayLoop(const uint8_t* data, size_t size) override;
    uint64_t PositionBytes() override;
    // How often SDL has called for sound since the device was made.
    uint64_t Callbacks() const { return callbacks_; }
    // Runs in every callback before the sound is copied. Where no thread refills the loop (the
    // browser, whose callbacks run on the main thread between frames), this is where it is done.
    void SetBeforeFill(std::function<void()> hook) { beforeFill_ = std::move(hook); }
#ifdef __EMSCRIPTEN__
    // The audio clock's time at which the loop's first byte sounds; NaN until SDL asks for it.
    double LoopStartAudioTime() const { return loopStartTime_; }
#endif
    void Reset() override;
    void Close() override;
    const char* Name() const override { return "sdl"; }

private:
    static void Callback(void* self, uint8_t* stream, int length);
    void Fill(uint8_t* stream, size_t length);
    void RestartPosition();

    uint32_t device_ = 0;
    // Changed only while the callback is locked out; read by the callback.
    const uint8_t* loop_ = nullptr;
    size_t loopSize_ = 0;
    size_t offset_ = 0;
    std::atomic<uint64_t> position_ = 0;  // bytes handed to SDL
#ifdef __EMSCRIPTEN__
    // Where the browser plays what it is handed: the position before its latest buffer and the
    // audio clock's time at which that buffer starts to sound (NaN until a buffer is known).
    int bytesPerFrame_ = 4;
    double bytesPerSecond_ = 0.0;
    uint64_t bufferStart_ = 0;
    double bufferTime_ = std::numeric_limits<double>::quiet_NaN();
    uint64_t heard_ = 0;  // never goes back, whatever the buffers' times say
    double loopStartTime_ = std::numeric_limits<double>::quiet_NaN();
#endif
    std::atomic<uint64_t> callbacks_ = 0;
    std::function<void()> beforeFill_;
};

}  // namespace tavrin
