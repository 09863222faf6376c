// The progress window of a queue (template 111): the view of a queue::QueueRun. The
// documents run one after another in this one window, so its position and taskbar button
// stay. Above the current document's page progress a line names it ("Document 4 of 12:
// report.pdf"); the taskbar shows the whole queue. The stop button asks whether to stop
// the whole queue, only the current document, or the queue after it. When the queue is over the last
// document's final state stays shown behind the queue's end (the summary), after which
// the window closes.
#pragma once

#include <windows.h>

#include <string>

#include "converter/RunTime.h"
#include "queue/QueueRun.h"
#include "ui/ProgressDialog.h"

namespace ui {

class QueueProgressDialog : public ProgressDialog, public queue::QueueView {
public:
    explicit QueueProgressDialog(queue::QueueRun& queue);

    // QueueView.
    converter::RunView& runView() override { return *this; }
    void showDocument(const std::wstring& title, const std::wstring& logPath) override;
    void showDocumentLine(const std::wstring& line) override;
    queue::StopChoice askStop(const std::wstring& documentName) override;
    void showQueueOver(const converter::RunOutcome* lastOutcome) override;

    // The user chose to close the window when done: no summary is waited for.
    bool closesWhenDone() const { return closesWhenDone_; }

protected:
    bool confirmStop() override { return queue_.confirmStop(); }
    bool goOnAfterRun(const converter::RunOutcome* outcome) override;
    bool startRun() override { return queue_.startCurrent(taskbar()); }
    bool onMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    std::optional<converter::TimeLeft> queueTimeLeft(const converter::RunTimes& current, DWORD tick) override;
    // The choice for the end waits for the queue's end.
    void afterFinalState(const converter::RunOutcome& /*outcome*/) override {}

private:
    queue::QueueRun& queue_;
    converter::QueueTimeEstimator queueTimes_;
    int documentsShown_ = 0;
    bool closesWhenDone_ = false;
};

} // namespace ui
