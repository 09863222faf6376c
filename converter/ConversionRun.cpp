#include "converter/ConversionRun.h"

#include <process.h>

namespace converter {

RunVerdict verdictOf(const RunOutcome& outcome)
{
    if (outcome.waitFailed) {
        return RunVerdict::Failed;
    }
    if (outcome.exitCode == kExitSuccess) {
        return RunVerdict::Succeeded;
    }
    // The converter stopped on the kill event. Ended by force (Abort), it failed, as the
    // status says.
    return outcome.exitCode == kExitCanceled ? RunVerdict::Stopped : RunVerdict::Failed;
}

ConversionRun::ConversionRun() : ConversionRun(MessageRuleSet::defaultRuleFilePath()) {}

ConversionRun::ConversionRun(const std::wstring& ruleFilePath)
    : batcher_([this](RunUpdate& batch) { handOver(batch); }),
      interpreter_(batcher_, rules_),
      reader_([this](std::wstring_view line) { interpreter_.interpretLine(line); }),
      runner_(interpreter_, reader_),
      killSignaller_(&signalKillEvent)
{
    rules_.loadRules(ruleFilePath);
}

ConversionRun::~ConversionRun() = default;

RunResult ConversionRun::run(const RunSetup& setup, RunView& view)
{
    RunResult result;
    if (!begin(setup, view, result.osError)) {
        result.end = RunEnd::NotStarted;
        return result;
    }
    return finish(view.present(*this));
}

bool ConversionRun::begin(const RunSetup& setup, RunView& view, DWORD& osError)
{
    view_ = &view;
    runner_.reset(setup.commandLine, killSignaller_, setup.killEventName);
    interpreter_.reset(setup.logFile, setup.logPath, setup.logOpenError);
    reader_.reset();
    batcher_.reset();
    messages_.clear();
    {
        const std::lock_guard lock(mailboxMutex_);
        mailbox_ = RunUpdate();
        mailboxFull_ = false;
    }
    if (!pipe_.create(osError)) {
        view_ = nullptr;
        return false;
    }
    return true;
}

RunResult ConversionRun::finish(RunEnd end)
{
    RunResult result;
    result.end = end;
    if (worker_) {
        WaitForSingleObject(worker_.get(), INFINITE);
        worker_.reset();
    }
    pipe_.close();
    taskbarState_.reset();
    view_ = nullptr;
    if (result.end == RunEnd::NotStarted) {
        result.osError = runner_.osError();
    }
    result.exitCode = runner_.exitCode();
    result.waitFailed = runner_.waitFailed();
    return result;
}

bool ConversionRun::start(win::TaskbarProgress* taskbar)
{
    taskbarState_.reset();
    if (taskbar != nullptr) {
        taskbarState_ = std::make_unique<RunTaskbarState>(*taskbar);
        taskbarState_->runStarted();
    }
    const uintptr_t thread = _beginthreadex(nullptr, 0, &ConversionRun::workerProc, this, 0, nullptr);
    if (thread == 0) {
        const DWORD error = GetLastError();
        runner_.setOsError(error != 0 ? error : ERROR_NOT_ENOUGH_MEMORY);
        return false;
    }
    worker_.reset(reinterpret_cast<HANDLE>(thread));
    return true;
}

unsigned __stdcall ConversionRun::workerProc(void* run)
{
    auto* self = static_cast<ConversionRun*>(run);
    return self->runner_.runWorker(*self, self->pipe_);
}

void ConversionRun::requestStop()
{
    runner_.requestStop();
    if (taskbarState_) {
        taskbarState_->setPaused(false);
        taskbarState_->stopRequested();
    }
}

bool ConversionRun::setPaused(bool paused)
{
    const bool done = runner_.setPaused(paused);
    if (taskbarState_) {
        taskbarState_->setPaused(runner_.paused());
    }
    return done;
}

void ConversionRun::windowEnded()
{
    if (taskbarState_) {
        taskbarState_->windowEnded();
    }
}

void ConversionRun::taskbarButtonCreated()
{
    if (taskbarState_) {
        taskbarState_->showAgain();
    }
}

void ConversionRun::handOver(RunUpdate& update)
{
    bool wake = false;
    {
        const std::lock_guard lock(mailboxMutex_);
        mailbox_.absorb(update);
        wake = !mailboxFull_;
        mailboxFull_ = true;
    }
    if (wake) {
        view_->wakeViewThread();
    }
}

std::optional<RunUpdate> ConversionRun::takeUpdate()
{
    RunUpdate update;
    {
        const std::lock_guard lock(mailboxMutex_);
        if (!mailboxFull_) {
            return std::nullopt;
        }
        std::swap(update, mailbox_);
        mailboxFull_ = false;
    }
    for (MessageRow& row : update.rows) {
        messages_.append(row.type, row.page, row.description);
    }
    if (update.outcome) {
        // Before the view enables the button that closes it, so that a click can only
        // close the view.
        runner_.markRunFinished();
    }
    if (taskbarState_) {
        if (update.rangeSet) {
            taskbarState_->setTotalPages(update.range);
        }
        if (update.positionSet) {
            taskbarState_->setPagesDone(update.position);
        }
        if (update.showErrorCounter) {
            taskbarState_->errorCounted();
        }
        if (update.outcome) {
            taskbarState_->runEnded(verdictOf(*update.outcome));
        }
    }
    return update;
}

void ConversionRun::flushOutput(bool moreComing) { batcher_.flush(moreComing); }

void ConversionRun::offerAbort()
{
    RunUpdate update;
    update.abortOffered = true;
    handOver(update);
}

void ConversionRun::runEnded(const RunOutcome& outcome)
{
    RunUpdate update;
    update.outcome = outcome;
    handOver(update);
}

void ConversionRun::startFailed()
{
    RunUpdate update;
    update.startFailed = true;
    handOver(update);
}

} // namespace converter
