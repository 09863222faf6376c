// The progress window of a queue (template 111): the documents run one after another in
// this one window, so its position and taskbar button stay. Above the current document's
// page progress a line names it ("Document 4 of 12: report.pdf"); the taskbar shows the
// whole queue. The stop button asks whether to stop the whole queue or only the current
// document. When the queue is over the last document's final state stays shown behind
// the queue's end (the summary), after which the window closes.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "converter/ConversionRun.h"
#include "converter/QueueTaskbar.h"
#include "options/QueuedDocument.h"
#include "ui/ProgressDialog.h"
#include "ui/QueueOutcome.h"
#include "win/Handle.h"

namespace ui {

class QueueProgressDialog : public ProgressDialog {
public:
    // frontEndPath: the executable beside which the converter lies.
    QueueProgressDialog(std::vector<options::QueuedDocument> documents, std::wstring frontEndPath);

    // Runs every document not skipped on run, in order; returns when the window has
    // closed, with each document's result (appended documents included).
    std::vector<DocumentResult> runAll(converter::ConversionRun& run);

    // UI thread, while runAll runs: documents joining the queue at its end.
    void append(std::vector<options::QueuedDocument> documents);

    // Called once when the queue is over, with the window (disabled by then for the
    // summary's sake, if it shows one) and every document's result; the window closes
    // when it returns. Not called when the window could not run the first document.
    using QueueEnded = std::function<void(HWND window, const std::vector<DocumentResult>& results)>;
    void setQueueEnded(QueueEnded queueEnded) { queueEnded_ = std::move(queueEnded); }
    // The session ended while the queue ran: the queue stopped, and no summary is due.
    bool sessionEnding() const { return sessionEnding_; }

protected:
    bool confirmStop() override;
    bool goOnAfterRun(const converter::RunOutcome* outcome) override;
    bool startRun() override;
    bool onMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    // Begins the first document from index on that is to run, recording the skipped
    // ones and those that cannot begin; false when none is left.
    bool beginFrom(size_t index);
    // The current document's result from its outcome (null: not started) and its run's end.
    void record(const converter::RunOutcome* outcome, const converter::RunResult& ended);
    void showDocumentLine();

    std::vector<options::QueuedDocument> documents_;
    std::vector<DocumentResult> results_;
    std::wstring frontEndPath_;
    converter::ConversionRun* conversion_ = nullptr;
    converter::QueueTaskbar queueTaskbar_;
    QueueEnded queueEnded_;
    size_t current_ = 0;
    converter::RunSetup setup_;
    win::UniqueHandle logFile_;
    bool running_ = false;      // the current document's run has begun and not been recorded
    bool stopAsked_ = false;    // the user stopped the current document
    bool stopQueue_ = false;    // the user stopped the whole queue
    bool sessionEnding_ = false;
};

} // namespace ui
