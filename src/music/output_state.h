// Read access to the ring that plays now, for the song clock and for tests.
#pragma once

#include "music/output_ring.h"

namespace tavrin {

// Null while nothing plays. Owned by the output; valid until the next StartPlay or StopPlay.
const OutputRing* PlayingRing();

}  // namespace tavrin
