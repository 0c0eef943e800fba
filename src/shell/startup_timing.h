#pragma once

namespace tavrin {

// How long start-up took, in milliseconds after the system started the process (negative while
// not reached or when the start is unknown).
struct StartupTiming {
    double firstLoadingFrameMs = -1.0;  // the first "Loading." frame presented
    double loadedMs = -1.0;             // every asset loaded and every effect built
};

// Milliseconds since the system started this process (from /proc; negative when unknown). Its
// resolution is the kernel's clock tick, usually 10 ms.
double MillisecondsSinceProcessStart();

}  // namespace tavrin
