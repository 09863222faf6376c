// The taskbar button of a window that converts several documents one after another:
// each run drives it as if it were alone, and this class shows that run's share of the
// whole queue. Document i (from 0) of n at p of N pages shows (i + p/N) / n.
#pragma once

#include <cstddef>
#include <cstdint>

#include "win/TaskbarProgress.h"

namespace queue {

class QueueTaskbar : public win::TaskbarProgress {
public:
    // button may be null until the window's button exists (calls do nothing then).
    void attach(win::TaskbarProgress* button) { button_ = button; }
    // The run that follows is document index (from 0) of count.
    void setDocument(std::size_t index, std::size_t count);

    void setIndeterminate() override;
    void setProgress(std::uint64_t done, std::uint64_t total) override;
    void setError(std::uint64_t done, std::uint64_t total) override;
    void setPaused(std::uint64_t done, std::uint64_t total) override;
    void clear() override;

    // Each document's share of the bar is this many steps.
    static constexpr std::uint64_t kStepsPerDocument = 1000;
    // The queue's position for the current document at done of total.
    std::uint64_t queueDone(std::uint64_t done, std::uint64_t total) const;
    std::uint64_t queueTotal() const { return count_ * kStepsPerDocument; }

private:
    win::TaskbarProgress* button_ = nullptr;
    std::uint64_t index_ = 0;
    std::uint64_t count_ = 1;
};

} // namespace queue
