#include "converter/OutputBatcher.h"

#include <iterator>
#include <utility>

namespace converter {

void RunUpdate::absorb(RunUpdate& later)
{
    if (later.rangeSet) {
        rangeSet = true;
        range = later.range;
    }
    if (later.positionSet) {
        positionSet = true;
        position = later.position;
        positionTick = later.positionTick;
    }
    if (later.statusSet) {
        statusSet = true;
        status = std::move(later.status);
    }
    showWarningCounter = showWarningCounter || later.showWarningCounter;
    showErrorCounter = showErrorCounter || later.showErrorCounter;
    if (later.warningTextSet) {
        warningTextSet = true;
        warningText = std::move(later.warningText);
    }
    if (later.errorTextSet) {
        errorTextSet = true;
        errorText = std::move(later.errorText);
    }
    if (rows.empty()) {
        rows.swap(later.rows);
    } else {
        rows.insert(rows.end(), std::make_move_iterator(later.rows.begin()), std::make_move_iterator(later.rows.end()));
    }
    later.rows.clear();
    moreComing = later.moreComing;
    abortOffered = abortOffered || later.abortOffered;
    startFailed = startFailed || later.startFailed;
    if (later.outcome) {
        outcome = std::move(later.outcome);
        later.outcome.reset();
    }
}

OutputBatcher::OutputBatcher(Sink sink, Clock clock) : sink_(std::move(sink)), clock_(std::move(clock)) {}

void OutputBatcher::reset()
{
    clear();
    batch_.rows.shrink_to_fit();
    unsettled_ = false;
}

void OutputBatcher::clear()
{
    batch_.rangeSet = batch_.positionSet = batch_.statusSet = false;
    batch_.showWarningCounter = batch_.showErrorCounter = false;
    batch_.warningTextSet = batch_.errorTextSet = false;
    batch_.rows.clear();
    empty_ = true;
}

void OutputBatcher::noteChange()
{
    const DWORD tick = now();
    if (empty_) {
        empty_ = false;
        firstChangeTick_ = tick;
    }
    if (batch_.rows.size() >= kMaxRowsPerBatch || tick - firstChangeTick_ >= kMaxBatchMilliseconds) {
        flush(true);
    }
}

void OutputBatcher::flush(bool moreComing)
{
    if (empty_ && (moreComing || !unsettled_)) {
        return;
    }
    batch_.moreComing = moreComing;
    if (sink_) {
        sink_(batch_);
    }
    unsettled_ = moreComing;
    clear();
}

void OutputBatcher::setProgressRange(int totalPages)
{
    batch_.rangeSet = true;
    batch_.range = totalPages;
    noteChange();
}

void OutputBatcher::setProgressPosition(int position)
{
    batch_.positionSet = true;
    batch_.position = position;
    batch_.positionTick = now(); // the time estimate's page times
    noteChange();
}

void OutputBatcher::setStatusText(const std::wstring& text)
{
    batch_.statusSet = true;
    batch_.status = text;
    noteChange();
}

void OutputBatcher::showCounter(MessageType type)
{
    if (type == MessageType::Warn) {
        batch_.showWarningCounter = true;
    } else if (type == MessageType::Error) {
        batch_.showErrorCounter = true;
    }
    noteChange();
}

void OutputBatcher::setCounterText(MessageType type, const std::wstring& text)
{
    if (type == MessageType::Warn) {
        batch_.warningTextSet = true;
        batch_.warningText = text;
    } else if (type == MessageType::Error) {
        batch_.errorTextSet = true;
        batch_.errorText = text;
    }
    noteChange();
}

void OutputBatcher::addMessageRow(MessageType type, const std::wstring& page, const std::wstring& description)
{
    batch_.rows.push_back(MessageRow{type, page, description});
    noteChange();
}

} // namespace converter
