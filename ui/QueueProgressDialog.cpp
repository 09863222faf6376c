#include "ui/QueueProgressDialog.h"

#include "base/StringTable.h"
#include "converter/ConverterContract.h"
#include "converter/RunLog.h"
#include "res/resource.h"
#include "win/Module.h"

namespace ui {

namespace {

DocumentResult resultOf(const options::QueuedDocument& document)
{
    DocumentResult result;
    result.input = document.input;
    result.output = document.output;
    result.logPath = document.logPath;
    result.outcome = document.skip ? DocumentOutcome::Skipped : DocumentOutcome::NotConverted;
    return result;
}

std::wstring titleOf(const options::QueuedDocument& document)
{
    return base::formatString(IDS_PROGRESS_TITLE, {win::fileNamePart(document.output)});
}

} // namespace

QueueProgressDialog::QueueProgressDialog(std::vector<options::QueuedDocument> documents, std::wstring frontEndPath)
    : ProgressDialog(documents.empty() ? std::wstring() : titleOf(documents.front()),
          base::loadString(IDS_STARTING_CONVERSION), std::wstring()),
      documents_(std::move(documents)), frontEndPath_(std::move(frontEndPath))
{
    templateId_ = IDD_QUEUE_PROGRESS;
    if (frontEndPath_.empty()) {
        frontEndPath_ = win::modulePath();
    }
    if (!documents_.empty()) {
        setDocumentName(win::fileNamePart(documents_.front().output));
    }
}

std::vector<DocumentResult> QueueProgressDialog::runAll(converter::ConversionRun& run)
{
    conversion_ = &run;
    results_.clear();
    for (const options::QueuedDocument& document : documents_) {
        results_.push_back(resultOf(document));
    }
    stopQueue_ = false;
    if (beginFrom(0)) {
        // The window starts the first document; goOnAfterRun begins the others.
        const converter::RunEnd end = present(run);
        run.finish(end);
        if (running_) {
            // The window ended before the document did (it could not be shown or started).
            results_[current_].outcome = end == converter::RunEnd::NotStarted ? DocumentOutcome::Failed
                                                                              : DocumentOutcome::NotConverted;
            running_ = false;
        }
    }
    logFile_.reset();
    conversion_ = nullptr;
    return results_;
}

void QueueProgressDialog::append(std::vector<options::QueuedDocument> documents)
{
    for (options::QueuedDocument& document : documents) {
        results_.push_back(resultOf(document));
        documents_.push_back(std::move(document));
    }
    if (running_) {
        queueTaskbar_.setDocument(current_, documents_.size());
        showDocumentLine();
    }
}

bool QueueProgressDialog::beginFrom(size_t index)
{
    for (size_t i = index; i < documents_.size(); ++i) {
        const options::QueuedDocument& document = documents_[i];
        if (document.skip) {
            continue;
        }
        current_ = i;
        setup_ = converter::RunSetup();
        setup_.killEventName = converter::newKillEventName();
        setup_.commandLine = converter::converterCommandLine(frontEndPath_, setup_.killEventName, document.converterArguments);
        logFile_ = converter::createRunLog(document.logPath, setup_.logOpenError);
        setup_.logFile = logFile_.get();
        setup_.logPath = document.logPath;
        DWORD error = 0;
        if (!conversion_->begin(setup_, *this, error)) {
            results_[i].outcome = DocumentOutcome::Failed;
            logFile_.reset();
            continue;
        }
        stopAsked_ = false;
        running_ = true;
        return true;
    }
    return false;
}

bool QueueProgressDialog::startRun()
{
    const options::QueuedDocument& document = documents_[current_];
    showNextRun(titleOf(document), document.logPath);
    queueTaskbar_.attach(taskbar());
    queueTaskbar_.setDocument(current_, documents_.size());
    showDocumentLine();
    return run().start(&queueTaskbar_);
}

bool QueueProgressDialog::goOnAfterRun(const converter::RunOutcome* outcome)
{
    record(outcome, conversion_->finish(outcome != nullptr ? converter::RunEnd::Closed : converter::RunEnd::NotStarted));
    logFile_.reset();
    while (!stopQueue_ && beginFrom(current_ + 1)) {
        if (startRun()) {
            return true;
        }
        // No worker for this document: it failed; the next one may fare better.
        record(nullptr, conversion_->finish(converter::RunEnd::NotStarted));
        logFile_.reset();
    }
    // The queue is over: its last state stays behind the queue's end.
    if (outcome != nullptr) {
        showFinalState(*outcome);
    } else {
        win::Animation(item(IDC_PROGRESS_ANIMATION)).close();
    }
    if (queueEnded_ && !sessionEnding_) {
        queueEnded_(hwnd(), results_);
    }
    queueTaskbar_.clear();
    endWith(converter::RunEnd::Closed);
    return true;
}

void QueueProgressDialog::record(const converter::RunOutcome* outcome, const converter::RunResult& ended)
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
        // Stopped on request or ended by Abort after it: the user's doing, not a failure.
        result.outcome = stopAsked_ ? DocumentOutcome::Cancelled : DocumentOutcome::Failed;
    }
}

bool QueueProgressDialog::confirmStop()
{
    if (stopAsked_) {
        return true; // Abort of a stop under way
    }
    const size_t asked = current_;
    const std::wstring question = base::formatString(IDS_QUEUE_STOP_QUESTION, {win::fileNamePart(documents_[asked].input)});
    const int answer = MessageBoxW(hwnd(), question.c_str(), base::loadString(IDS_APP_TITLE).c_str(),
        MB_YESNOCANCEL | MB_ICONQUESTION | MB_DEFBUTTON3);
    if (answer != IDYES && answer != IDNO) {
        return false;
    }
    stopQueue_ = stopQueue_ || answer == IDYES;
    // While the question was open the document may have ended, and the next one begun:
    // "only this document" then has nothing left to stop.
    if (!running_ || (current_ != asked && answer == IDNO)) {
        return false;
    }
    stopAsked_ = true;
    return true;
}

bool QueueProgressDialog::onMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    if (message == WM_ENDSESSION && wParam != FALSE) {
        // The session ends: the current document is stopped and no other one begins.
        sessionEnding_ = true;
        stopQueue_ = true;
        stopAsked_ = true;
    }
    return ProgressDialog::onMessage(message, wParam, lParam, result);
}

void QueueProgressDialog::showDocumentLine()
{
    if (current_ >= documents_.size()) {
        return;
    }
    control(IDC_QUEUE_DOCUMENT).setText(base::formatString(IDS_QUEUE_DOCUMENT,
        {static_cast<int>(current_ + 1), static_cast<int>(documents_.size()), win::fileNamePart(documents_[current_].input)}));
}

} // namespace ui
