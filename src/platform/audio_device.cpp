#include "platform/audio_device.h"

#include "platform/audio_null.h"
#include "platform/audio_sdl.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace tavrin {
namespace {

// Tries the real device first and falls back to the null one, so opening always succeeds on a
// machine without sound while the show keeps its timing.
class FallbackAudioDevice final : public AudioDevice {
public:
    explicit FallbackAudioDevice(PerformanceCounter& counter) : null_(counter) {}

    bool Open(const AudioFormat& format) override {
        Close();
        active_ = sdl_.Open(format) ? static_cast<AudioDevice*>(&sdl_) : &null_;
        return active_ == &sdl_ || null_.Open(format);
    }
    void PlayLoop(const uint8_t* data, size_t size) override {
        if (active_ != nullptr) active_->PlayLoop(data, size);
    }
    uint64_t PositionBytes() override { return active_ ? active_->PositionBytes() : 0; }
    void Reset() override {
        if (active_ != nullptr) active_->Reset();
    }
    void Close() override {
        if (active_ != nullptr) active_->Close();
        active_ = nullptr;
    }
    const char* Name() const override { return active_ ? active_->Name() : "none"; }

private:
    SdlAudioDevice sdl_;
    NullAudioDevice null_;
    AudioDevice* active_ = nullptr;
};

}  // namespace

std::unique_ptr<AudioDevice> CreateSystemAudioDevice(PerformanceCounter& counter) {
    const char* forced = std::getenv("TAVRIN_AUDIO");
    if (forced != nullptr && std::strcmp(forced, "null") == 0) {
        return std::make_unique<NullAudioDevice>(counter);
    }
    if (forced != nullptr && std::strcmp(forced, "sdl") == 0) {
        return std::make_unique<SdlAudioDevice>();
    }
    if (forced != nullptr && *forced != '\0') {
        std::fprintf(stderr, "TAVRIN_AUDIO=%s is neither sdl nor null; trying sdl, then null\n",
                     forced);
    }
    return std::make_unique<FallbackAudioDevice>(counter);
}

}  // namespace tavrin
