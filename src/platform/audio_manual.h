#pragma once

#include "platform/audio_device.h"

#include <atomic>

namespace tavrin {

// A device whose position moves only when the caller says so: capture advances it by the sound of
// each frame and reads back what was "heard"; tests drive the player through it deterministically.
class ManualAudioDevice final : public AudioDevice {
public:
    // A device built with `opens` false refuses to open, standing in for a machine without sound.
    explicit ManualAudioDevice(bool opens = true) : opens_(opens) {}

    bool Open(const AudioFormat& format) override;
    void PlayLoop(const uint8_t* data, size_t size) override;
    uint64_t PositionBytes() override { return position_; }
    void Reset() override;
    void Close() override;
    const char* Name() const override { return "manual"; }

    // Moves the play position on by `frames` frames (nothing while no loop plays).
    void Advance(uint64_t frames);

    // Copies `size` bytes of the loop starting at play position `position` (wrapping around the
    // loop, as the device would play them) to `out`. Returns false, copying nothing, when no loop
    // plays.
    bool ReadLoop(uint64_t position, uint8_t* out, size_t size) const;

    bool IsOpen() const { return open_; }
    bool IsPlaying() const { return loop_ != nullptr; }
    const AudioFormat& Format() const { return format_; }

private:
    bool opens_;
    bool open_ = false;
    AudioFormat format_;
    const uint8_t* loop_ = nullptr;
    size_t loopSize_ = 0;
    std::atomic<uint64_t> position_ = 0;
};

}  // namespace tavrin
