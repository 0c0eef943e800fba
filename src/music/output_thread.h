// The thread that keeps the ring filled while the music plays.
#pragma once

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

namespace tavrin {

class OutputThread {
public:
    OutputThread() = default;
    ~OutputThread() { Stop(); }
    OutputThread(const OutputThread&) = delete;
    OutputThread& operator=(const OutputThread&) = delete;

    // Runs `pass` now and then every `periodMilliseconds` until Stop. The thread asks for a
    // higher scheduling priority and carries on at its own when refused.
    void Start(std::function<void()> pass, int periodMilliseconds);

    // Ends the thread once its running pass is done; it is not woken early from a block mix,
    // only from its pause between passes. Harmless when not running.
    void Stop();

private:
    void Run(const std::function<void()>& pass, int periodMilliseconds);

    std::thread thread_;
    std::mutex mutex_;
    std::condition_variable wake_;
    // Polled by the thread on every pass; set under mutex_ so the pause cannot miss the wake-up.
    std::atomic<bool> stopRequested_ = false;
};

}  // namespace tavrin
