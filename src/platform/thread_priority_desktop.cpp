#include <pthread.h>
#include <sched.h>
#include <sys/resource.h>
#include <unistd.h>

#include "platform/thread_priority.h"

namespace tavrin {

void RaiseThreadPriority() {
    sched_param param{};
    param.sched_priority = sched_get_priority_min(SCHED_FIFO);
    if (pthread_setschedparam(pthread_self(), SCHED_FIFO, &param) == 0) return;
    setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), -10);
}

}  // namespace tavrin
