#include "ui/QueueProgressDialog.h"

#include "base/StringTable.h"
#include "res/resource.h"
#include "ui/QueueStopDialog.h"
#include "win/FileSystem.h"
#include "win/Module.h"

namespace ui {

QueueProgressDialog::QueueProgressDialog(queue::QueueRun& queue)
    : ProgressDialog(queue.firstTitle(), base::loadString(IDS_STARTING_CONVERSION), std::wstring()), queue_(queue)
{
    templateId_ = IDD_QUEUE_PROGRESS;
    windowName_ = L"QueueWindow";
    if (!queue.documents().empty()) {
        setDocumentName(win::fileNamePart(queue.documents().front().output));
    }
}

void QueueProgressDialog::showDocument(const std::wstring& title, const std::wstring& logPath)
{
    // The document before ends here for the queue's time left: its pages and its time.
    if (documentsShown_ > 0) {
        const converter::PageTimeEstimator& pages = runTimes().pages();
        queueTimes_.documentEnded(pages.totalPages() > 0 ? pages.totalPages() : pages.pagesDone(),
            runTimes().elapsed(GetTickCount()));
    }
    queueTimes_.documentStarted(documentsShown_++);
    showNextRun(title, logPath);
}

std::optional<converter::TimeLeft> QueueProgressDialog::queueTimeLeft(const converter::RunTimes& current, DWORD tick)
{
    if (documentsShown_ == 0) {
        return std::nullopt;
    }
    queueTimes_.setDocumentCount(documentsShown_ + queue_.documentsToRunAfterCurrent());
    return queueTimes_.estimate(current.pages(), current.elapsed(tick));
}

void QueueProgressDialog::showDocumentLine(const std::wstring& line)
{
    control(IDC_QUEUE_DOCUMENT).setText(line);
}

queue::StopChoice QueueProgressDialog::askStop(const std::wstring& documentName)
{
    QueueStopDialog question(documentName);
    return question.ask(hwnd());
}

void QueueProgressDialog::showQueueOver(const converter::RunOutcome* lastOutcome)
{
    if (lastOutcome != nullptr) {
        showFinalState(*lastOutcome);
    } else {
        win::Animation(item(IDC_PROGRESS_ANIMATION)).close();
    }
    // What the user chose for the end, before the summary: a countdown, or the window
    // closing without it.
    bool allConverted = !queue_.sessionEnding();
    for (const queue::DocumentResult& result : queue_.results()) {
        allConverted = allConverted && queue::documentDone(result.outcome);
    }
    if (!queue_.sessionEnding()) {
        closesWhenDone_ = carryOutWhenDone(allConverted);
    }
}

bool QueueProgressDialog::goOnAfterRun(const converter::RunOutcome* outcome)
{
    if (!queue_.goOn(outcome)) {
        endWith(converter::RunEnd::Closed);
    }
    return true;
}

bool QueueProgressDialog::onMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    if (message == WM_ENDSESSION && wParam != FALSE) {
        queue_.sessionEnds();
    }
    return ProgressDialog::onMessage(message, wParam, lParam, result);
}

} // namespace ui
