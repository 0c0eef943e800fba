#include "shell/frame_clock.h"

namespace tavrin {

namespace {

uint32_t Low32(int64_t value) { return static_cast<uint32_t>(static_cast<uint64_t>(value)); }

int32_t High32(int64_t value) {
    return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(value) >> 32));
}

}  // namespace

FrameClock::FrameClock(PerformanceCounter& counter)
    : counter_(counter),
      frequency_(counter.Frequency()),
      ticksPerSecond_(static_cast<double>(Low32(frequency_)) +
                      static_cast<double>(High32(frequency_)) * 4294967296.0) {}

void FrameClock::Start() {
    if (running_) return;
    startCount_ = counter_.Count();
    lastCount_ = startCount_;
    elapsedSeconds_ = 0.0;
    running_ = true;
}

void FrameClock::Stop() { running_ = false; }

void FrameClock::Tick() {
    if (!running_) return;
    const int64_t now = counter_.Count();
    const uint32_t ticks = Low32(now) - Low32(lastCount_);
    frameSeconds_ = static_cast<double>(ticks) / ticksPerSecond_;
    lastCount_ = now;
    elapsedSeconds_ += frameSeconds_;
}

}  // namespace tavrin
