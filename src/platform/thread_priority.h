#pragma once

namespace tavrin {

// Raises the calling thread's scheduling priority as far as it is allowed: the lowest real-time
// priority, else a better nice value, else nothing. Nothing in the browser build, which runs no
// threads of its own.
void RaiseThreadPriority();

}  // namespace tavrin
