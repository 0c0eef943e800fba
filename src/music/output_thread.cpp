#include "music/output_thread.h"

#include <pthread.h>
#include <sched.h>
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>

namespace tavrin {
namespace {

// The mixing must not starve behind the renderer: the lowest real-time priority already runs ahead
// of every ordinary thread. Without the privilege for that, a better nice value; without either,
// the ordinary priority has to do.
void RaisePriority() {
    sched_param param{};
    param.sched_priority = sched_get_priority_min(SCHED_FIFO);
    if (pthread_setschedparam(pthread_self(), SCHED_FIFO, &param) == 0) return;
    setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), -10);
}

}  // namespace

void OutputThread::Start(std::function<void()> pass, int periodMilliseconds) {
    Stop();
    stopRequested_ = false;
    thread_ = std::thread(
        [this, pass = std::move(pass), periodMilliseconds] { Run(pass, periodMilliseconds); });
}

void OutputThread::Stop() {
    if (!thread_.joinable()) return;
    {
        std::lock_guard lock(mutex_);
        stopRequested_ = true;
    }
    wake_.notify_all();
    thread_.join();
}

void OutputThread::Run(const std::function<void()>& pass, int periodMilliseconds) {
    RaisePriority();
    while (!stopRequested_) {
        pass();
        std::unique_lock lock(mutex_);
        wake_.wait_for(lock, std::chrono::milliseconds(periodMilliseconds),
                       [this] { return stopRequested_.load(); });
    }
}

}  // namespace tavrin
