#pragma once

#include <cstdint>

#include "platform/counter.h"

namespace tavrin {

// Measures main-loop passes on a performance counter. Only the low 32 bits of two readings are
// compared, so an interval of 2^32 ticks or more is measured modulo 2^32.
class FrameClock {
public:
    explicit FrameClock(PerformanceCounter& counter);

    void Start();
    void Stop();
    void Tick();

    bool running() const { return running_; }
    double ticksPerSecond() const { return ticksPerSecond_; }
    double elapsedSeconds() const { return elapsedSeconds_; }
    double frameSeconds() const { return frameSeconds_; }

private:
    PerformanceCounter& counter_;
    int64_t startCount_ = 0;
    int64_t frequency_;
    int64_t lastCount_ = 0;
    bool running_ = false;
    double ticksPerSecond_;
    double elapsedSeconds_ = 0.0;
    double frameSeconds_ = 0.0;
};

}  // namespace tavrin
