#pragma once

#include <cstdint>

namespace tavrin {

// A monotonic tick counter with a fixed frequency: the seam the frame clock and the null audio
// device read time through, so capture and tests can drive time by hand.
class PerformanceCounter {
public:
    virtual ~PerformanceCounter() = default;
    virtual int64_t Count() = 0;
    virtual int64_t Frequency() const = 0;
};

// The machine's steady clock at 10 MHz, the resolution Windows' performance counter usually has,
// so a tick difference wraps at 2^32 ticks (about 7 minutes) as the frame clock expects.
class SystemCounter final : public PerformanceCounter {
public:
    static constexpr int64_t kFrequency = 10'000'000;
    int64_t Count() override;
    int64_t Frequency() const override { return kFrequency; }
};

// A counter that only moves when told to.
class ManualCounter final : public PerformanceCounter {
public:
    explicit ManualCounter(int64_t frequency = SystemCounter::kFrequency, int64_t start = 0)
        : frequency_(frequency), count_(start) {}
    int64_t Count() override { return count_; }
    int64_t Frequency() const override { return frequency_; }
    void Advance(int64_t ticks) { count_ += ticks; }
    void AdvanceSeconds(double seconds);
    void Set(int64_t count) { count_ = count; }

private:
    int64_t frequency_;
    int64_t count_;
};

}  // namespace tavrin
