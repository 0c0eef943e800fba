#include <thread>

#include "platform/hardware_threads.h"

namespace tavrin {

unsigned HardwareThreads() {
    return std::thread::hardware_concurrency();
}

}  // namespace tavrin
