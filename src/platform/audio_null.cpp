#include "platform/audio_null.h"

#include "platform/counter.h"

namespace tavrin {

bool NullAudioDevice::Open(const AudioFormat& format) {
    Reset();
    format_ = format;
    return true;
}

void NullAudioDevice::PlayLoop(const uint8_t* /*data*/, size_t /*size*/) {
    startCount_ = counter_.Count();
    playing_ = true;
}

uint64_t NullAudioDevice::PositionBytes() {
    if (!playing_) return 0;
    const int64_t elapsed = counter_.Count() - startCount_;
    if (elapsed <= 0) return 0;
    // Whole frames only, split so that the product cannot overflow however long the show runs.
    const int64_t frequency = counter_.Frequency();
    const int64_t frames =
        elapsed / frequency * format_.rate + elapsed % frequency * format_.rate / frequency;
    return static_cast<uint64_t>(frames) * static_cast<uint64_t>(format_.BytesPerFrame());
}

void NullAudioDevice::Reset() {
    playing_ = false;
}

}  // namespace tavrin
