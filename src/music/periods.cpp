// Note periods and the frequencies they give, for the linear and the Amiga table.
#include <climits>
#include <cmath>
#include <cstdlib>

#include "music/replay_internal.h"

namespace tavrin {

namespace {

constexpr int32_t kLinearBase = 7680;    // period of note 0; 64 units a semitone
constexpr int32_t kLinearMiddle = 4608;  // C-4, which plays at kMiddleHz
constexpr double kMiddleHz = 8363.0;
constexpr int32_t kAmigaClock = 14317056;

int32_t AmigaTablePeriod(int32_t note) {
    return static_cast<int32_t>(13.375 * std::pow(2.0, (132 - note) / 12.0));
}

bool IsLinear(const XmModule& module) {
    return module.flags & kLinearFrequencies;
}

}  // namespace

int32_t AmigaPeriod(int32_t note, int32_t finetune) {
    const int32_t period = AmigaTablePeriod(note);
    if (finetune < 0 && note != 0)
        return period - (period - AmigaTablePeriod(note - 1)) * std::abs(finetune) / 128;
    return period + (AmigaTablePeriod(note + 1) - period) * finetune / 128;
}

int32_t NotePeriod(const XmModule& module, int32_t realNote, int32_t finetune) {
    if (IsLinear(module)) return kLinearBase - realNote * 64 - finetune / 2;
    return AmigaPeriod(realNote, finetune);
}

int32_t PeriodFrequency(const XmModule& module, int32_t period, int32_t periodDelta) {
    if (IsLinear(module)) {
        const double exponent = (static_cast<double>(kLinearMiddle) - period + periodDelta) / 768.0;
        const double hz = kMiddleHz * std::pow(2.0, exponent);
        return hz >= INT32_MAX ? INT32_MAX : static_cast<int32_t>(hz);
    }
    return kAmigaClock / (period + periodDelta);
}

}  // namespace tavrin
