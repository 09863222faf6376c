#include "ui/QueueStopDialog.h"

#include "base/StringTable.h"
#include "res/resource.h"

namespace ui {

queue::StopChoice QueueStopDialog::ask(HWND owner)
{
    switch (runModal(IDD_QUEUE_STOP, owner)) {
    case IDC_STOP_QUEUE: return queue::StopChoice::WholeQueue;
    case IDC_STOP_DOCUMENT: return queue::StopChoice::ThisDocument;
    case IDC_STOP_AFTER_DOCUMENT: return queue::StopChoice::AfterThisDocument;
    default: return queue::StopChoice::KeepGoing;
    }
}

bool QueueStopDialog::onInit()
{
    control(IDC_STOP_TEXT).setText(base::formatString(IDS_QUEUE_STOP_QUESTION, {documentName_}));
    MessageBeep(MB_ICONQUESTION);
    // Enter goes on, as the default button says: a stop is never one key away.
    SetFocus(item(IDCANCEL));
    return false;
}

bool QueueStopDialog::onCommand(int id, int code, HWND /*control*/)
{
    if (code != BN_CLICKED) {
        return false;
    }
    switch (id) {
    case IDC_STOP_QUEUE:
    case IDC_STOP_DOCUMENT:
    case IDC_STOP_AFTER_DOCUMENT:
    case IDCANCEL:
        end(id);
        return true;
    default:
        return false;
    }
}

} // namespace ui
