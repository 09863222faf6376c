#include "queue/QueueTaskbar.h"

namespace queue {

void QueueTaskbar::setDocument(std::size_t index, std::size_t count)
{
    count_ = count > 0 ? count : 1;
    index_ = index < count_ ? index : count_ - 1;
}

std::uint64_t QueueTaskbar::queueDone(std::uint64_t done, std::uint64_t total) const
{
    const std::uint64_t share = total == 0 ? 0 : (done >= total ? kStepsPerDocument : done * kStepsPerDocument / total);
    return index_ * kStepsPerDocument + share;
}

// A document whose page count is not known yet shows the documents done so far.
void QueueTaskbar::setIndeterminate()
{
    if (button_ != nullptr) {
        button_->setProgress(queueDone(0, 1), queueTotal());
    }
}

void QueueTaskbar::setProgress(std::uint64_t done, std::uint64_t total)
{
    if (button_ != nullptr) {
        button_->setProgress(queueDone(done, total), queueTotal());
    }
}

void QueueTaskbar::setError(std::uint64_t done, std::uint64_t total)
{
    if (button_ != nullptr) {
        button_->setError(queueDone(done, total), queueTotal());
    }
}

void QueueTaskbar::setPaused(std::uint64_t done, std::uint64_t total)
{
    if (button_ != nullptr) {
        button_->setPaused(queueDone(done, total), queueTotal());
    }
}

void QueueTaskbar::clear()
{
    if (button_ != nullptr) {
        button_->clear();
    }
}

} // namespace queue
