#include "platform/audio_manual.h"

#include <algorithm>
#include <cstring>

namespace tavrin {

bool ManualAudioDevice::Open(const AudioFormat& format) {
    Close();
    if (!opens_) return false;
    format_ = format;
    open_ = true;
    return true;
}

void ManualAudioDevice::PlayLoop(const uint8_t* data, size_t size) {
    if (!open_ || data == nullptr || size == 0) return;
    loop_ = data;
    loopSize_ = size;
    position_ = 0;
}

void ManualAudioDevice::Reset() {
    loop_ = nullptr;
    loopSize_ = 0;
    position_ = 0;
}

void ManualAudioDevice::Close() {
    Reset();
    open_ = false;
}

void ManualAudioDevice::Advance(uint64_t frames) {
    if (IsPlaying()) position_ += frames * static_cast<uint64_t>(format_.BytesPerFrame());
}

bool ManualAudioDevice::ReadLoop(uint64_t position, uint8_t* out, size_t size) const {
    if (!IsPlaying()) return false;
    size_t offset = static_cast<size_t>(position % loopSize_);
    while (size > 0) {
        const size_t run = std::min(size, loopSize_ - offset);
        std::memcpy(out, loop_ + offset, run);
        out += run;
        size -= run;
        offset = 0;
    }
    return true;
}

}  // namespace tavrin
