#include "music/song_clock.h"

#include "music/output.h"
#include "music/output_state.h"

namespace tavrin {
namespace {

BlockStamp HeardStamp(const XmModule* module) {
    const OutputRing* ring = PlayingRing();
    if (module == nullptr || module != PlayingModule() || ring == nullptr) return BlockStamp{};
    return ring->ReportedStamp();
}

}  // namespace

uint32_t PlayedMilliseconds(const XmModule* module) {
    return HeardStamp(module).milliseconds;
}

uint8_t PlayedOrder(const XmModule* module) {
    return HeardStamp(module).order;
}

uint8_t PlayedRow(const XmModule* module) {
    return HeardStamp(module).row;
}

float SongSeconds(uint32_t milliseconds) {
    return static_cast<float>(milliseconds * 0.001);
}

}  // namespace tavrin
