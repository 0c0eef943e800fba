#include "music/output_thread.h"

#include <chrono>

#include "platform/thread_priority.h"

namespace tavrin {

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
    // The mixing must not starve behind the renderer: the lowest real-time priority already runs
    // ahead of every ordinary thread.
    RaiseThreadPriority();
    while (!stopRequested_) {
        pass();
        std::unique_lock lock(mutex_);
        wake_.wait_for(lock, std::chrono::milliseconds(periodMilliseconds),
                       [this] { return stopRequested_.load(); });
    }
}

}  // namespace tavrin
