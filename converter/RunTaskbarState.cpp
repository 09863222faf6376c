#include "converter/RunTaskbarState.h"

namespace converter {

void RunTaskbarState::runStarted()
{
    running_ = true;
    ended_ = errorSeen_ = stopPending_ = pausedByUser_ = false;
    verdict_ = RunVerdict::Succeeded;
    total_ = done_ = 0;
    update();
}

void RunTaskbarState::setTotalPages(int totalPages)
{
    total_ = totalPages > 0 ? static_cast<std::uint64_t>(totalPages) : 0;
    update();
}

void RunTaskbarState::setPagesDone(int pagesDone)
{
    done_ = pagesDone > 0 ? static_cast<std::uint64_t>(pagesDone) : 0;
    update();
}

void RunTaskbarState::errorCounted()
{
    errorSeen_ = true;
    update();
}

void RunTaskbarState::stopRequested()
{
    if (running_ && !ended_) {
        stopPending_ = true;
        update();
    }
}

void RunTaskbarState::setPaused(bool paused)
{
    pausedByUser_ = paused;
    update();
}

void RunTaskbarState::runEnded(RunVerdict verdict)
{
    pausedByUser_ = false;
    ended_ = true;
    verdict_ = verdict;
    stopPending_ = false;
    update();
}

void RunTaskbarState::windowEnded()
{
    running_ = false;
    update();
}

void RunTaskbarState::showAgain()
{
    sentOnce_ = false;
    update();
}

void RunTaskbarState::update()
{
    Shown shown = Shown::Nothing;
    std::uint64_t total = total_;
    std::uint64_t done = done_ < total_ ? done_ : total_;
    if (!running_) {
        shown = Shown::Nothing;
    } else if (ended_) {
        shown = verdict_ == RunVerdict::Failed    ? Shown::Error
              : verdict_ == RunVerdict::Stopped ? Shown::Paused
                                                : Shown::Normal;
        done = total; // the run is over: a full bar in the outcome's colour
    } else if (stopPending_ || pausedByUser_) {
        shown = Shown::Paused;
    } else if (errorSeen_) {
        shown = Shown::Error;
    } else {
        shown = total_ != 0 ? Shown::Normal : Shown::Indeterminate;
    }
    if (shown == Shown::Nothing || shown == Shown::Indeterminate) {
        done = total = 0;
    } else if (total == 0) {
        done = total = 1; // a colour without a page count: the full bar
    }
    if (sentOnce_ && shown == shown_ && done == shownDone_ && total == shownTotal_) {
        return;
    }
    shown_ = shown;
    shownDone_ = done;
    shownTotal_ = total;
    sentOnce_ = true;
    send();
}

void RunTaskbarState::send()
{
    switch (shown_) {
    case Shown::Nothing: taskbar_.clear(); break;
    case Shown::Indeterminate: taskbar_.setIndeterminate(); break;
    case Shown::Normal: taskbar_.setProgress(shownDone_, shownTotal_); break;
    case Shown::Error: taskbar_.setError(shownDone_, shownTotal_); break;
    case Shown::Paused: taskbar_.setPaused(shownDone_, shownTotal_); break;
    }
}

} // namespace converter
