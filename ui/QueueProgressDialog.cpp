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
    if (!queue.documents().empty()) {
        setDocumentName(win::fileNamePart(queue.documents().front().output));
    }
}

void QueueProgressDialog::showDocument(const std::wstring& title, const std::wstring& logPath)
{
    showNextRun(title, logPath);
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
