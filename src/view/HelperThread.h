// Work done on a second thread while the caller does its own share: the two
// halves of a large document split, laid out or searched at once.
#pragma once

#include <atomic>
#include <exception>
#include <functional>
#include <system_error>
#include <thread>
#include <utility>

namespace pelto {

class HelperThread {
public:
    // Starts work on another thread; when none can be had, Join does it.
    // stop, when given, is set when the helper is left without Join (the
    // caller's share threw, or already has what it wants), so that the work
    // can end early; the helper still waits for it.
    explicit HelperThread(std::function<void()> work, std::atomic<bool>* stop = nullptr)
        : work_(std::move(work)), stop_(stop)
    {
        try {
            thread_ = std::thread([this] { Run(); });
        } catch (const std::system_error&) {
        }
    }
    HelperThread(const HelperThread&) = delete;
    HelperThread& operator=(const HelperThread&) = delete;
    ~HelperThread()
    {
        if (!thread_.joinable())
            return;
        if (stop_)
            stop_->store(true, std::memory_order_relaxed);
        thread_.join();
    }

    // Waits for the work, or does it now, and rethrows what it threw.
    void Join()
    {
        if (thread_.joinable())
            thread_.join();
        else if (!ran_)
            Run();
        if (failure_)
            std::rethrow_exception(std::exchange(failure_, nullptr));
    }

private:
    void Run()
    {
        ran_ = true;
        try {
            work_();
        } catch (...) {
            failure_ = std::current_exception();
        }
    }

    std::function<void()> work_;
    std::atomic<bool>* stop_;
    bool ran_ = false;
    std::exception_ptr failure_;
    std::thread thread_;  // last: it starts once the rest is set
};

}  // namespace pelto
