#include "converter/RunTime.h"

#include <algorithm>
#include <cmath>

#include "converter/RunUpdate.h"

namespace converter {

namespace {

// The estimate is rough while its uncertainty is above this share of it.
constexpr double kRoughShare = 0.10;
// Fewer pages than this in the mean: rough whatever their spread.
constexpr int kSteadyPages = 8;

bool before(DWORD tick, DWORD reference)
{
    return static_cast<LONG>(tick - reference) < 0;
}

} // namespace

// ---------------------------------------------------------------------------------------
// RunClock

void RunClock::start(DWORD tick)
{
    *this = RunClock();
    started_ = true;
    startTick_ = tick;
}

void RunClock::pause(DWORD tick)
{
    if (paused_) {
        return;
    }
    paused_ = true;
    pauseStartTick_ = tick;
}

void RunClock::resume(DWORD tick)
{
    if (!paused_) {
        return;
    }
    paused_ = false;
    lastPauseLength_ = tick - pauseStartTick_;
    pausedTotal_ += lastPauseLength_;
    lastPauseStartTick_ = pauseStartTick_;
    lastResumeTick_ = tick;
    hadPause_ = true;
}

DWORD RunClock::runTimeAt(DWORD tick) const
{
    if (!started_) {
        return 0;
    }
    if (paused_ && !before(tick, pauseStartTick_)) {
        tick = pauseStartTick_;
    }
    DWORD paused = pausedTotal_;
    if (hadPause_ && before(tick, lastResumeTick_)) {
        // A tick taken before the last resume (a page line stamped before the pause and
        // handed over after it): inside the pause it counts as the pause's start.
        paused -= lastPauseLength_;
        if (!before(tick, lastPauseStartTick_)) {
            tick = lastPauseStartTick_;
        }
    }
    const DWORD sinceStart = tick - startTick_;
    if (before(tick, startTick_) || sinceStart < paused) {
        return 0;
    }
    return sinceStart - paused;
}

// ---------------------------------------------------------------------------------------
// PageTimeEstimator

void PageTimeEstimator::reset()
{
    *this = PageTimeEstimator();
}

void PageTimeEstimator::pageStarted(int page, DWORD runMs)
{
    if (page <= lastPage_ || page <= 0) {
        return; // a page again, or back: the converter's own business, not progress
    }
    if (pageStarts_.empty()) {
        firstPage_ = page;
        pageStarts_.push_back(runMs);
    } else {
        // Pages skipped (several lines in one hand-over) share the time between evenly.
        const DWORD previous = pageStarts_.back();
        const int steps = page - lastPage_;
        for (int step = 1; step <= steps; ++step) {
            pageStarts_.push_back(previous + static_cast<DWORD>(static_cast<double>(runMs - previous) * step / steps));
        }
    }
    lastPage_ = page;
}

double PageTimeEstimator::pageMilliseconds() const
{
    const int measured = static_cast<int>(pageStarts_.size()) - 1; // pages between the first line and the last
    if (measured < kMinimumPagesDone) {
        return 0;
    }
    const int from = measured / 2; // the later half
    return static_cast<double>(pageStarts_.back() - pageStarts_[static_cast<size_t>(from)]) / (measured - from);
}

TimeLeft PageTimeEstimator::estimate(DWORD runMs) const
{
    TimeLeft result;
    const double perPage = pageMilliseconds();
    if (totalPages_ <= 0 || perPage <= 0) {
        return result;
    }
    const double inProgress = std::max(0.0, static_cast<double>(runMs) - pageStarts_.back());
    const int pagesLeft = std::max(0, totalPages_ - pagesDone()); // the page under way included
    double left = pagesLeft * perPage - inProgress;
    // A page that takes longer than the mean does not make the time left shrink below
    // the pages after it.
    left = std::max(left, std::max(0, pagesLeft - 1) * perPage);
    result.known = true;
    result.milliseconds = static_cast<DWORD>(left + 0.5);

    // Spread of the page times in the mean's window: the uncertainty of pagesLeft pages
    // taken at a mean of n samples, relative to the estimate.
    const int measured = static_cast<int>(pageStarts_.size()) - 1;
    const int from = measured / 2;
    const int samples = measured - from;
    double squares = 0;
    for (int i = from; i < measured; ++i) {
        const double d = static_cast<double>(pageStarts_[static_cast<size_t>(i) + 1] - pageStarts_[static_cast<size_t>(i)]) - perPage;
        squares += d * d;
    }
    const double spread = samples > 1 ? std::sqrt(squares / (samples - 1)) : perPage;
    const double uncertainty = std::sqrt(static_cast<double>(pagesLeft)) * spread + pagesLeft * spread / std::sqrt(static_cast<double>(samples));
    result.rough = samples < kSteadyPages || uncertainty > kRoughShare * std::max(left, perPage);
    return result;
}

// ---------------------------------------------------------------------------------------
// QueueTimeEstimator

void QueueTimeEstimator::reset(int documentCount)
{
    *this = QueueTimeEstimator();
    documentCount_ = documentCount;
}

void QueueTimeEstimator::documentStarted(int index)
{
    currentIndex_ = index;
}

void QueueTimeEstimator::documentEnded(int pages, DWORD runMs)
{
    ++documentsEnded_;
    pagesEnded_ += std::max(0, pages);
    msEnded_ += runMs;
}

TimeLeft QueueTimeEstimator::estimate(const PageTimeEstimator& current, DWORD currentRunMs) const
{
    TimeLeft result;
    const int after = std::max(0, documentCount_ - currentIndex_ - 1);
    const TimeLeft own = current.estimate(currentRunMs);
    const long long pagesSeen = pagesEnded_ + current.pagesDone();
    const double msSeen = msEnded_ + currentRunMs;
    if (documentsEnded_ == 0) {
        // Nothing ended yet: only the current document's own estimate says anything.
        if (!own.known) {
            return result;
        }
        const double perPage = current.pageMilliseconds();
        const double perDocument = static_cast<double>(current.totalPages()) * perPage;
        result.known = true;
        result.milliseconds = own.milliseconds + static_cast<DWORD>(after * perDocument + 0.5);
        result.rough = own.rough || after > 0;
        return result;
    }
    // Per page at the queue's pace; per document the mean page count, plus what a
    // document costs besides its pages (start, tail), from the documents that ended.
    const double perPage = pagesSeen > 0 ? msSeen / static_cast<double>(pagesSeen) : 0;
    int documentsWithPages = documentsEnded_;
    long long pagesKnown = pagesEnded_;
    if (current.totalPages() > 0) {
        ++documentsWithPages;
        pagesKnown += current.totalPages();
    }
    const double meanPages = static_cast<double>(pagesKnown) / documentsWithPages;
    const double overhead = std::max(0.0, (msEnded_ - perPage * static_cast<double>(pagesEnded_)) / documentsEnded_);
    const double perDocument = meanPages * perPage + overhead;
    double currentLeft = own.known ? own.milliseconds : std::max(0.0, perDocument - currentRunMs);
    result.known = true;
    result.milliseconds = static_cast<DWORD>(currentLeft + after * perDocument + 0.5);
    result.rough = true;
    return result;
}

// ---------------------------------------------------------------------------------------
// RunTimes

void RunTimes::start(DWORD tick)
{
    clock_.start(tick);
    pages_.reset();
}

void RunTimes::take(const RunUpdate& update)
{
    if (update.rangeSet) {
        pages_.setTotalPages(update.range);
    }
    if (update.positionSet) {
        pages_.pageStarted(update.position + 1, clock_.runTimeAt(update.positionTick));
    }
}

} // namespace converter
