#include "platform/counter.h"

#include <chrono>
#include <cmath>

namespace tavrin {

int64_t SystemCounter::Count() {
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    return std::chrono::duration_cast<std::chrono::nanoseconds>(now).count() / 100;
}

void ManualCounter::AdvanceSeconds(double seconds) {
    count_ += std::llround(seconds * static_cast<double>(frequency_));
}

}  // namespace tavrin
