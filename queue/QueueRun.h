// Several documents converted one after another with the same options behind one window:
// which document runs next, what became of each, documents joining at the end, the stop
// question's answer and the taskbar's share of the whole queue. It reaches its window
// only through QueueView, so its rules are tested without one.
//
// Threads: everything is called on the view's thread (the run's worker talks to the view
// through converter::ConversionRun).
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "converter/ConversionRun.h"
#include "queue/QueueJournal.h"
#include "queue/QueueOutcome.h"
#include "queue/QueueTaskbar.h"
#include "queue/QueuedDocument.h"
#include "win/TaskbarProgress.h"

namespace queue {

// The stop question's answers.
enum class StopChoice {
    KeepGoing,    // the question was dismissed: nothing stops
    WholeQueue,   // stop the current document and run no other
    ThisDocument, // stop the current document, go on with the next
    AfterThisDocument, // let the current document finish, then end the queue as if stopped there
};

// The window of a queue: it shows one document's run after another.
class QueueView {
public:
    virtual ~QueueView() = default;
    // The window as the view of each document's run: present() shows the queue until the
    // window closes and starts the first document through QueueRun::startCurrent.
    virtual converter::RunView& runView() = 0;
    // Shows the document about to run from the start: caption, status, an empty list, its
    // log for "Open Log".
    virtual void showDocument(const std::wstring& title, const std::wstring& logPath) = 0;
    // The line above the page progress ("Document 4 of 12: report.pdf").
    virtual void showDocumentLine(const std::wstring& line) = 0;
    // Asks whether to stop the whole queue or only the named document.
    virtual StopChoice askStop(const std::wstring& documentName) = 0;
    // The queue is over: the last document's final state (null: it never started) stays
    // shown behind the queue's end.
    virtual void showQueueOver(const converter::RunOutcome* lastOutcome) = 0;
};

class QueueRun {
public:
    // frontEndPath: the executable beside which the converter lies (empty: this one).
    QueueRun(std::vector<QueuedDocument> documents, std::wstring frontEndPath);

    // Runs every document not skipped on run behind view, in order; returns when the
    // view has closed, with each document's result (appended documents included).
    std::vector<DocumentResult> run(converter::ConversionRun& run, QueueView& view);

    // Called once when the queue is over, before the view closes, with every document's
    // result (not when the session ends, nor when the view could not run the first one).
    using QueueEnded = std::function<void(const std::vector<DocumentResult>& results)>;
    void setQueueEnded(QueueEnded queueEnded) { queueEnded_ = std::move(queueEnded); }

    // Keeps the documents not yet converted while the queue runs (null: none kept); the
    // queue clears it when it ends, but not when the session ends (the log-off case).
    void setJournal(QueueJournal* journal) { journal_ = journal; }

    // Before or while run() runs: documents joining the queue at its end, each checked
    // against the queue (one that cannot be converted is listed failed with the reason;
    // one whose output exists and was not agreed to be replaced is skipped).
    void append(std::vector<QueuedDocument> documents);
    // After run(): documents that came too late to run, listed as not converted.
    void addNotRun(const std::vector<QueuedDocument>& documents);

    // The view's side, once its window exists: shows and starts the first document
    // (taskbar: the window's button, may be null); false when its worker could not start.
    bool startCurrent(win::TaskbarProgress* taskbar);
    // The current document's run ended (outcome null: its converter could not be
    // started): records it and starts the next (true) or ends the queue (false: the view
    // closes).
    bool goOn(const converter::RunOutcome* outcome);
    // The stop button was pressed while a document runs: asks the view, true when the
    // current document is to be stopped.
    bool confirmStop();
    // The session ends: the current document is stopped and no other one begins.
    void sessionEnds();

    bool sessionEnding() const { return sessionEnding_; }
    const std::vector<QueuedDocument>& documents() const { return documents_; }
    const std::vector<DocumentResult>& results() const { return results_; }
    // The documents after the current one that are still to run (not skipped).
    int documentsToRunAfterCurrent() const;
    // The line above the page progress for the current document.
    std::wstring documentLine() const;
    // The window's caption for the first document, before any runs.
    std::wstring firstTitle() const;

private:
    // Begins the first document from index on that is to run, recording the skipped
    // ones and those that cannot begin; false when none is left.
    bool beginFrom(size_t index);
    // Shows the begun document and starts its worker.
    bool startBegun();
    // A document of this input is still to be converted (or converting).
    bool waitingOrRunning(const std::wstring& input) const;
    void keepJournal();
    // The current document's result from its outcome (null: not started) and its run's end.
    void record(const converter::RunOutcome* outcome, const converter::RunResult& ended);
    void recordOutcome(const converter::RunOutcome* outcome, const converter::RunResult& ended);

    std::vector<QueuedDocument> documents_;
    std::vector<DocumentResult> results_;
    std::wstring frontEndPath_;
    converter::ConversionRun* conversion_ = nullptr;
    QueueView* view_ = nullptr;
    QueueTaskbar taskbar_;
    QueueEnded queueEnded_;
    QueueJournal* journal_ = nullptr;
    size_t current_ = 0;
    PreparedRun prepared_;
    bool running_ = false;      // the current document's run has begun and not been recorded
    bool stopAsked_ = false;    // the user stopped the current document
    bool stopQueue_ = false;    // the user stopped the whole queue
    bool sessionEnding_ = false;
};

} // namespace queue
