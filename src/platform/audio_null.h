#pragma once

#include "platform/audio_device.h"

#include <atomic>

namespace tavrin {

// Plays nothing, but its position advances in real time as read from a counter, so everything timed
// by the music still runs without a sound device.
class NullAudioDevice final : public AudioDevice {
public:
    explicit NullAudioDevice(PerformanceCounter& counter) : counter_(counter) {}

    bool Open(const AudioFormat& format) override;
    void PlayLoop(const uint8_t* data, size_t size) override;
    uint64_t PositionBytes() override;
    void Reset() override;
    void Close() override { Reset(); }
    const char* Name() const override { return "null"; }

private:
    PerformanceCounter& counter_;
    AudioFormat format_;
    std::atomic<bool> playing_ = false;
    std::atomic<int64_t> startCount_ = 0;
};

}  // namespace tavrin
