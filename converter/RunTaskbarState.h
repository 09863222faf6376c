// Which taskbar state shows which state of a conversion run. The run reports its events
// here and this class drives a TaskbarProgress: indeterminate until the page count is
// known, then the pages done; the error colour from the first error counted; paused
// while a requested stop is pending or the user has paused the run; nothing once the run's window has ended. It needs
// no window, and it calls the taskbar only when what is shown changes. At the end the bar
// is full in the outcome's colour: normal for a success, paused for a stop, the error
// colour for a failure of any kind.
#pragma once

#include <cstdint>

#include "win/TaskbarProgress.h"

namespace converter {

// How a run ended, as the taskbar shows it.
enum class RunVerdict { Succeeded, Stopped, Failed };

class RunTaskbarState {
public:
    explicit RunTaskbarState(win::TaskbarProgress& taskbar) : taskbar_(taskbar) {}

    // A run begins: indeterminate, no error, no stop.
    void runStarted();
    // The page count (a count of 0 or less is not known yet).
    void setTotalPages(int totalPages);
    void setPagesDone(int pagesDone);
    // An error has been counted; the error colour stays for the rest of the run.
    void errorCounted();
    // The user asked the converter to stop; paused until the run ends.
    void stopRequested();
    // The user paused (or resumed) the converter: paused while it is.
    void setPaused(bool paused);
    // The converter has ended: the bar is full, in the verdict's colour.
    void runEnded(RunVerdict verdict);
    // The run's window has ended: nothing is shown.
    void windowEnded();
    // Shows the current state again (the taskbar button has been recreated).
    void showAgain();

private:
    enum class Shown { Nothing, Indeterminate, Normal, Error, Paused };
    void update();
    void send();

    win::TaskbarProgress& taskbar_;
    bool running_ = false;
    bool ended_ = false;
    RunVerdict verdict_ = RunVerdict::Succeeded;
    bool errorSeen_ = false;
    bool stopPending_ = false;
    bool pausedByUser_ = false;
    std::uint64_t total_ = 0;
    std::uint64_t done_ = 0;

    Shown shown_ = Shown::Nothing;
    std::uint64_t shownDone_ = 0;
    std::uint64_t shownTotal_ = 0;
    bool sentOnce_ = false;
};

} // namespace converter
