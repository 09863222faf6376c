// Jobs run one after the other on a thread of their own, in the order they were posted,
// so the converter's own work (coding shapes) never holds up the tools' runs.
#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace reference {

class WorkQueue {
public:
    WorkQueue()
        : thread_([this] { work(); })
    {
    }
    ~WorkQueue() { stop(); }
    WorkQueue(const WorkQueue&) = delete;
    WorkQueue& operator=(const WorkQueue&) = delete;

    void post(std::function<void()> job)
    {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            jobs_.push_back(std::move(job));
        }
        wake_.notify_one();
    }

    // Drops the jobs not begun; the running one ends on its own (or with the process).
    void drop()
    {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            jobs_.clear();
            stopping_ = true;
        }
        wake_.notify_one();
    }

    // Drops the jobs not begun and waits for the running one.
    void stop()
    {
        drop();
        if (thread_.joinable()) {
            thread_.join();
        }
    }

private:
    void work()
    {
        for (;;) {
            std::function<void()> job;
            {
                std::unique_lock<std::mutex> lock(mutex_);
                wake_.wait(lock, [this] { return stopping_ || !jobs_.empty(); });
                if (stopping_) {
                    return;
                }
                job = std::move(jobs_.front());
                jobs_.pop_front();
            }
            job();
        }
    }

    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<std::function<void()>> jobs_;
    bool stopping_ = false;
    std::thread thread_; // last: it starts once the rest is made
};

} // namespace reference
