#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace tavrin {

class PerformanceCounter;

// Signed 16-bit interleaved PCM at `rate` frames per second.
struct AudioFormat {
    int rate = 44100;
    int channels = 2;

    int BytesPerFrame() const { return channels * 2; }
};

// The sound output the music player needs: one buffer played as an endless loop and the play
// position in bytes. The player fills the buffer behind the position while the device loops over
// it.
class AudioDevice {
public:
    virtual ~AudioDevice() = default;

    // Opens the device for `format`, closing an earlier opening first. False when it cannot be
    // opened.
    virtual bool Open(const AudioFormat& format) = 0;

    // Starts playing `size` bytes at `data` from their start as an endless loop, with the position
    // at 0. The bytes must stay valid until Reset or Close; an open device is required.
    virtual void PlayLoop(const uint8_t* data, size_t size) = 0;

    // Bytes played since PlayLoop, counting every pass over the loop (never wraps in practice);
    // 0 when nothing plays. Safe to call from another thread than PlayLoop and Reset.
    virtual uint64_t PositionBytes() = 0;

    // Stops playing and forgets the buffer; the position returns to 0. The device stays open.
    virtual void Reset() = 0;

    // Resets and closes the device. Harmless when it is not open.
    virtual void Close() = 0;

    virtual const char* Name() const = 0;
};

// The device for the running program. TAVRIN_AUDIO=sdl or =null forces that driver; otherwise the
// first that opens wins: SDL, then the null driver, whose position follows `counter` so the song
// clock keeps running on a machine without sound. `counter` must outlive the device.
std::unique_ptr<AudioDevice> CreateSystemAudioDevice(PerformanceCounter& counter);

}  // namespace tavrin
