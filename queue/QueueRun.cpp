#include "queue/QueueRun.h"

#include "base/StringTable.h"
#include "converter/ConverterContract.h"
#include "queue/QueueCheck.h"
#include "res/resource.h"
#include "win/FileSystem.h"
#include "win/Module.h"

namespace queue {

namespace {

DocumentResult resultOf(const QueuedDocument& document)
{
    DocumentResult result;
    result.input = document.input;
    result.output = document.output;
    // The log is named once the document's run has made it: a skipped document has none.
    result.outcome = document.skip ? DocumentOutcome::Skipped : DocumentOutcome::NotConverted;
    return result;
}

std::wstring titleOf(const QueuedDocument& document)
{
    return base::formatString(IDS_PROGRESS_TITLE, {win::fileNamePart(document.output)});
}

} // namespace

QueueRun::QueueRun(std::vector<QueuedDocument> documents, std::wstring frontEndPath)
    : documents_(std::move(documents)), frontEndPath_(std::move(frontEndPath))
{
    for (const QueuedDocument& document : documents_) {
        results_.push_back(resultOf(document));
    }
}

std::wstring QueueRun::firstTitle() const
{
    return documents_.empty() ? std::wstring() : titleOf(documents_.front());
}

int QueueRun::documentsToRunAfterCurrent() const
{
    int count = 0;
    for (size_t i = current_ + 1; i < documents_.size(); ++i) {
        count += documents_[i].skip ? 0 : 1;
    }
    return count;
}

std::wstring QueueRun::documentLine() const
{
    if (current_ >= documents_.size()) {
        return std::wstring();
    }
    return base::formatString(IDS_QUEUE_DOCUMENT,
        {static_cast<int>(current_ + 1), static_cast<int>(documents_.size()), win::fileNamePart(documents_[current_].input)});
}

std::vector<DocumentResult> QueueRun::run(converter::ConversionRun& run, QueueView& view)
{
    conversion_ = &run;
    view_ = &view;
    stopQueue_ = false;
    keepJournal();
    if (beginFrom(0)) {
        // The view starts the first document; goOn begins the others.
        const converter::RunEnd end = view.runView().present(run);
        run.finish(end);
        if (running_) {
            // The view ended before the document did (it could not be shown or started).
            results_[current_].outcome = end == converter::RunEnd::NotStarted ? DocumentOutcome::Failed
                                                                              : DocumentOutcome::NotConverted;
            running_ = false;
        }
    }
    prepared_ = PreparedRun();
    conversion_ = nullptr;
    view_ = nullptr;
    if (journal_ != nullptr && !sessionEnding_) {
        journal_->clear();
    }
    return results_;
}

void QueueRun::append(std::vector<QueuedDocument> documents)
{
    for (QueuedDocument& document : documents) {
        if (waitingOrRunning(document.input)) {
            continue; // handed over again while it is still to be converted
        }
        // Checked against the queue as the sheet checks its documents; the sheet's leave to
        // replace covered only the outputs it asked about.
        const std::wstring problem = arrivalProblem(documents_, document, frontEndPath_.empty() ? win::modulePath() : frontEndPath_);
        if (!problem.empty()) {
            document.skip = true;
        } else if (win::pathExists(document.output) && !document.replaceOutput) {
            document.skip = true;
        }
        DocumentResult result = resultOf(document);
        if (!problem.empty()) {
            result.outcome = DocumentOutcome::Failed;
            result.problem = problem;
        }
        results_.push_back(std::move(result));
        documents_.push_back(std::move(document));
    }
    if (running_) {
        taskbar_.setDocument(current_, documents_.size());
        view_->showDocumentLine(documentLine());
        keepJournal();
    }
}

void QueueRun::keepJournal()
{
    // A session ending stops the current document: it stays kept with the rest.
    if (journal_ != nullptr && !sessionEnding_) {
        journal_->store(documents_, results_);
    }
}

bool QueueRun::waitingOrRunning(const std::wstring& input) const
{
    // Until a document ends its outcome stays "not converted".
    for (size_t i = 0; i < documents_.size(); ++i) {
        if (!documents_[i].skip && results_[i].outcome == DocumentOutcome::NotConverted && win::sameFile(documents_[i].input, input)) {
            return true;
        }
    }
    return false;
}

void QueueRun::addNotRun(const std::vector<QueuedDocument>& documents)
{
    for (const QueuedDocument& document : documents) {
        documents_.push_back(document);
        results_.push_back(resultOf(document));
    }
}

bool QueueRun::beginFrom(size_t index)
{
    for (size_t i = index; i < documents_.size(); ++i) {
        if (documents_[i].skip) {
            continue;
        }
        if (!documents_[i].replaceOutput && win::pathExists(documents_[i].output)) {
            // Made since the check (by another program): nobody agreed to replace it.
            results_[i].outcome = DocumentOutcome::Skipped;
            continue;
        }
        current_ = i;
        prepared_ = prepareRun(documents_[i], frontEndPath_);
        // The log written: a numbered one when another run holds the document's own.
        documents_[i].logPath = prepared_.setup.logPath;
        results_[i].logPath = documents_[i].logPath;
        DWORD error = 0;
        if (!conversion_->begin(prepared_.setup, view_->runView(), error)) {
            results_[i].outcome = DocumentOutcome::Failed;
            results_[i].problem = base::formatOsErrorText(error);
            prepared_ = PreparedRun();
            continue;
        }
        stopAsked_ = false;
        running_ = true;
        return true;
    }
    return false;
}

bool QueueRun::startCurrent(win::TaskbarProgress* taskbar)
{
    taskbar_.attach(taskbar);
    return startBegun();
}

bool QueueRun::startBegun()
{
    const QueuedDocument& document = documents_[current_];
    view_->showDocument(titleOf(document), document.logPath);
    taskbar_.setDocument(current_, documents_.size());
    view_->showDocumentLine(documentLine());
    return conversion_->start(&taskbar_);
}

bool QueueRun::goOn(const converter::RunOutcome* outcome)
{
    record(outcome, conversion_->finish(outcome != nullptr ? converter::RunEnd::Closed : converter::RunEnd::NotStarted));
    prepared_ = PreparedRun();
    while (!stopQueue_ && beginFrom(current_ + 1)) {
        if (startBegun()) {
            return true;
        }
        // No worker for this document: it failed; the next one may fare better.
        record(nullptr, conversion_->finish(converter::RunEnd::NotStarted));
        prepared_ = PreparedRun();
    }
    view_->showQueueOver(outcome);
    if (queueEnded_ && !sessionEnding_) {
        queueEnded_(results_);
    }
    taskbar_.clear();
    return false;
}

void QueueRun::record(const converter::RunOutcome* outcome, const converter::RunResult& ended)
{
    recordOutcome(outcome, ended);
    keepJournal();
}

void QueueRun::recordOutcome(const converter::RunOutcome* outcome, const converter::RunResult& ended)
{
    DocumentResult& result = results_[current_];
    running_ = false;
    if (outcome == nullptr) {
        // The converter could not be started: the system's reason goes to the summary.
        result.outcome = DocumentOutcome::Failed;
        result.problem = ended.osError != 0 ? base::formatOsErrorText(ended.osError) : std::wstring();
        return;
    }
    result.warningCount = outcome->warningCount;
    result.errorCount = outcome->errorCount;
    result.logComplete = outcome->logComplete;
    if (converter::verdictOf(*outcome) == converter::RunVerdict::Succeeded) {
        result.outcome = outcome->warningCount != 0 || outcome->errorCount != 0 ? DocumentOutcome::ConvertedWithWarnings
                                                                                : DocumentOutcome::Converted;
    } else {
        // Stopped on request or ended by Abort after it: the user's doing. A converter that
        // failed on its own while a stop was asked failed.
        const bool stopped = converter::verdictOf(*outcome) == converter::RunVerdict::Stopped
            || outcome->exitCode == converter::kExitTerminated;
        result.outcome = stopAsked_ && stopped ? DocumentOutcome::Cancelled : DocumentOutcome::Failed;
    }
}

bool QueueRun::confirmStop()
{
    if (stopAsked_) {
        return true; // Abort of a stop under way
    }
    const size_t asked = current_;
    const StopChoice choice = view_->askStop(win::fileNamePart(documents_[asked].input));
    if (choice == StopChoice::KeepGoing) {
        return false;
    }
    stopQueue_ = stopQueue_ || choice == StopChoice::WholeQueue || choice == StopChoice::AfterThisDocument;
    // While the question was open the document may have ended, and the next one begun:
    // "only this document" then has nothing left to stop, and "after this document" stops
    // the one that began after it.
    const bool askedOneRuns = running_ && current_ == asked;
    if (!running_ || (!askedOneRuns && choice == StopChoice::ThisDocument)
        || (askedOneRuns && choice == StopChoice::AfterThisDocument)) {
        return false;
    }
    stopAsked_ = true;
    return true;
}

void QueueRun::sessionEnds()
{
    sessionEnding_ = true;
    stopQueue_ = true;
    stopAsked_ = true;
}

} // namespace queue
