#include "platform/hardware_threads.h"

namespace tavrin {

unsigned HardwareThreads() {
    return 1;
}

}  // namespace tavrin
