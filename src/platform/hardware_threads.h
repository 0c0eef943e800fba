#pragma once

namespace tavrin {

// Threads the machine runs at once, for sizing worker pools: the processor count on the desktop;
// 1 in the browser build, which starts no threads, so every pool stays on the calling thread.
unsigned HardwareThreads();

}  // namespace tavrin
