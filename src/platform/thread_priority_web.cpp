#include "platform/thread_priority.h"

namespace tavrin {

void RaiseThreadPriority() {}

}  // namespace tavrin
