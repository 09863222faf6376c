// How long a run has taken and how long it will still take, from the times at which its
// page lines arrived. Window-free: ticks in, milliseconds out; the view formats them.
//
// The estimate of a document needs its page count and two pages done (a converter that
// prints no page lines gets none). Its time per page is the mean over the later half of
// the pages done, so a change of pace is followed without one slow page moving it much;
// the page under way counts down from that mean. "Rough" says that the spread of the page
// times (or too few pages) leaves the estimate uncertain by more than a tenth.
#pragma once

#include <windows.h>

#include <vector>

namespace converter {

struct RunUpdate;

struct TimeLeft {
    bool known = false;
    DWORD milliseconds = 0;
    bool rough = true;
};

// A run's own time: the ticks since its start less the time it spent paused.
class RunClock {
public:
    void start(DWORD tick);
    void pause(DWORD tick);
    void resume(DWORD tick);
    bool paused() const { return paused_; }
    bool started() const { return started_; }
    // The run time at a tick of the run (a tick inside the last pause counts as its start;
    // one before it does not count that pause).
    DWORD runTimeAt(DWORD tick) const;

private:
    bool started_ = false;
    DWORD startTick_ = 0;
    DWORD pausedTotal_ = 0;
    bool paused_ = false;
    DWORD pauseStartTick_ = 0;
    DWORD lastPauseStartTick_ = 0;
    DWORD lastResumeTick_ = 0;
    DWORD lastPauseLength_ = 0;
    bool hadPause_ = false;
};

class PageTimeEstimator {
public:
    // Pages done before an estimate is given.
    static constexpr int kMinimumPagesDone = 2;

    void reset();
    void setTotalPages(int totalPages) { totalPages_ = totalPages; }
    // The converter began page `page` at run time runMs: page - 1 pages are done.
    void pageStarted(int page, DWORD runMs);
    TimeLeft estimate(DWORD runMs) const;

    int totalPages() const { return totalPages_; }
    int pagesDone() const { return lastPage_ > 0 ? lastPage_ - 1 : 0; }
    // The last page line's page (0 before the first).
    int lastPage() const { return lastPage_; }
    // Milliseconds per page over the later half of the pages done; 0 before two.
    double pageMilliseconds() const;

private:
    int totalPages_ = 0;
    int lastPage_ = 0;
    // The run time at which each page line (from the first one seen) arrived.
    int firstPage_ = 0;
    std::vector<DWORD> pageStarts_;
};

// A queue's time left: the current document's own estimate, then the documents not run
// yet, each taken as the mean page count of the documents seen so far at the queue's
// pages per second, plus the mean time a document takes besides its pages.
class QueueTimeEstimator {
public:
    void reset(int documentCount);
    void setDocumentCount(int documentCount) { documentCount_ = documentCount; }
    // Document `index` (from 0) starts; what is before it has ended (or was skipped).
    void documentStarted(int index);
    // The current document has ended: pages it converted, its run time.
    void documentEnded(int pages, DWORD runMs);
    TimeLeft estimate(const PageTimeEstimator& current, DWORD currentRunMs) const;

private:
    int documentCount_ = 0;
    int currentIndex_ = 0;
    int documentsEnded_ = 0;
    long long pagesEnded_ = 0;
    double msEnded_ = 0;
};

// The two estimators and the clock as a view uses them: fed with the run's updates and
// the user's pauses, asked for the elapsed time and the time left at any tick.
class RunTimes {
public:
    void start(DWORD tick);
    // A run's update: its page count and the page lines' ticks.
    void take(const RunUpdate& update);
    void pause(DWORD tick) { clock_.pause(tick); }
    void resume(DWORD tick) { clock_.resume(tick); }
    bool paused() const { return clock_.paused(); }
    DWORD elapsed(DWORD tick) const { return clock_.runTimeAt(tick); }
    TimeLeft timeLeft(DWORD tick) const { return pages_.estimate(clock_.runTimeAt(tick)); }
    const PageTimeEstimator& pages() const { return pages_; }

private:
    RunClock clock_;
    PageTimeEstimator pages_;
};

} // namespace converter
