// The progress dialog's additions to the run's display: the time line, Pause and
// Background, the message filter and export, the window remembered, the end of a run
// noticed and the choice for it carried out, a change of DPI; and the session's end and
// sorting.
#include "ui/ProgressDialog.h"

#include <commctrl.h>

#include "res/resource.h"
#include "settings/WindowSettings.h"
#include "ui/TimeText.h"
#include "base/StringTable.h"
#include "win/Dpi.h"

namespace ui {

namespace {

// Posted after the final state: carry out the choice for the end (wParam: every document
// converted).
constexpr UINT kMsgWhenDone = WM_APP + 3;
// Posted by the initialisation: the remembered place is taken once the dialog manager
// has placed (centred) the window.
constexpr UINT kMsgRestorePlace = WM_APP + 4;
constexpr UINT_PTR kClockTimer = 7;
constexpr UINT kClockMilliseconds = 1000;

} // namespace

void ProgressDialog::prepareAdditions(UINT dpi)
{
    dpi_ = dpi;
    listCommands_.attach(hwnd_, messages_, &typeNames_);
    PostMessageW(hwnd_, kMsgRestorePlace, 0, 0);
    const bool background = settings::readConvertInBackground();
    controls_.setBackground(background);
    run_->setBackground(background); // before the start: the converter starts at that priority
    times_.start(GetTickCount());
    refreshTimeLine();
}

bool ProgressDialog::onAddedCommand(int id, int code)
{
    switch (id) {
    case IDC_PROGRESS_PAUSE:
        togglePause();
        return true;
    case IDC_PROGRESS_BACKGROUND:
        if (run_ != nullptr) {
            run_->setBackground(controls_.background());
        }
        settings::writeConvertInBackground(controls_.background());
        return true;
    case IDC_PROGRESS_FILTER:
        if (code == CBN_SELCHANGE && run_ != nullptr) {
            if (rowsUncounted_) {
                countRows();
            }
            listCommands_.showRows(run_->messages(), controls_.filter());
        }
        return true;
    default:
        return listCommands_.onCommand(id, run_ != nullptr ? &run_->messages() : nullptr);
    }
}

void ProgressDialog::togglePause()
{
    if (run_ == nullptr || run_->finished()) {
        return;
    }
    const bool pause = !run_->paused();
    if (!run_->setPaused(pause)) {
        return; // the converter is not running (any more)
    }
    if (pause) {
        times_.pause(GetTickCount());
    } else {
        times_.resume(GetTickCount());
    }
    controls_.showPaused(pause);
    refreshTimeLine();
}

void ProgressDialog::refreshTimeLine()
{
    const DWORD now = GetTickCount();
    const bool ended = run_ == nullptr || run_->finished();
    const converter::TimeLeft left = ended ? converter::TimeLeft() : times_.timeLeft(now);
    const std::optional<converter::TimeLeft> queueLeft = ended ? std::nullopt : queueTimeLeft(times_, now);
    controls_.setTimeText(timeLineText(times_.elapsed(now), times_.paused(), left, queueLeft));
    // The clock ticks once the converter has said a page, until the end: a run that
    // prints nothing costs no wake-ups.
    const bool tick = !ended && times_.pages().lastPage() > 0;
    if (tick != clockTicking_) {
        clockTicking_ = tick;
        if (tick) {
            SetTimer(hwnd_, kClockTimer, kClockMilliseconds, nullptr);
        } else {
            KillTimer(hwnd_, kClockTimer);
        }
    }
}

void ProgressDialog::noticeRunEnd(const converter::RunOutcome& outcome)
{
    controls_.enableRunControls(false);
    if (times_.paused()) {
        times_.resume(GetTickCount());
        controls_.showPaused(false);
    }
    refreshTimeLine();
    if (settings::readSoundWhenDone()) {
        MessageBeep(outcome.exitCode != 0 || outcome.waitFailed ? MB_ICONHAND : MB_ICONASTERISK);
    }
    FlashWindow(hwnd_, TRUE);
    // The taskbar button goes on flashing until the window comes to the front.
    FLASHWINFO flash = {};
    flash.cbSize = sizeof(flash);
    flash.hwnd = hwnd_;
    flash.dwFlags = FLASHW_TRAY | FLASHW_TIMERNOFG;
    FlashWindowEx(&flash);
    afterFinalState(outcome);
}

void ProgressDialog::afterFinalState(const converter::RunOutcome& outcome)
{
    PostMessageW(hwnd_, kMsgWhenDone, converter::verdictOf(outcome) == converter::RunVerdict::Succeeded ? 1 : 0, 0);
}

bool ProgressDialog::carryOutWhenDone(bool allConverted)
{
    const WhenDone choice = controls_.whenDone();
    if (!whenDoneApplies(choice, allConverted, controls_.whenDoneAlsoAfterFailure())) {
        return false;
    }
    if (choice == WhenDone::CloseWindow) {
        endWith(converter::RunEnd::Closed); // as the OK button would
        return true;
    }
    win::MachinePower machine;
    WhenDoneCountdown countdown(powerActionOf(choice), power_ != nullptr ? *power_ : machine);
    countdown.run(hwnd_);
    return false;
}

bool ProgressDialog::onAddedMessage(UINT message, WPARAM wParam)
{
    if (message == kMsgRestorePlace) {
        ProgressWindowMemory(windowName_).restore(hwnd_, layout_, messages_, dpi_);
        return true;
    }
    if (message != kMsgWhenDone) {
        return false;
    }
    carryOutWhenDone(wParam != 0);
    return true;
}

void ProgressDialog::onDpiChanged(UINT dpi, const RECT& suggested)
{
    // Pixel sizes follow the new DPI: the icons, the type images, the columns and the
    // layout's measures; the system's suggested rectangle is taken.
    const UINT old = dpi_ != 0 ? dpi_ : win::kDefaultDpi;
    dpi_ = dpi;
    loadIcons(dpi);
    loadTypeImages(dpi);
    for (int column = 0; column < 3; ++column) {
        const auto width = static_cast<int>(SendMessageW(messages_.hwnd(), LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(column), 0));
        SendMessageW(messages_.hwnd(), LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(column),
            MulDiv(width, static_cast<int>(dpi), static_cast<int>(old)));
    }
    layout_.scale(static_cast<int>(dpi), static_cast<int>(old));
    SetWindowPos(hwnd_, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
        suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
}

void ProgressDialog::onClosing()
{
    if (clockTicking_) {
        KillTimer(hwnd_, kClockTimer);
        clockTicking_ = false;
    }
    ProgressWindowMemory(windowName_).save(hwnd_, layout_, messages_, dpi_);
    controls_.forgetNames();
}

void ProgressDialog::stopForSessionEnd()
{
    // The session ends anyway: ask the converter to stop, so it can remove its partial
    // output and working files, and keep the window's messages flowing (the run's final
    // state arrives through them) until it has, or until the time is up and the job ends it.
    run_->requestStop();
    stopButton_.enable(false);
    const DWORD start = GetTickCount();
    bool quit = false;
    int quitCode = 0;
    while (!run_->finished()) {
        const DWORD elapsed = GetTickCount() - start;
        if (elapsed >= kSessionEndStopMilliseconds) {
            break;
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, kSessionEndStopMilliseconds - elapsed, QS_ALLINPUT);
        MSG message = {};
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) {
                quit = true;
                quitCode = static_cast<int>(message.wParam);
                continue;
            }
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
    if (quit) {
        PostQuitMessage(quitCode);
    }
}

void ProgressDialog::sortByColumn(int column)
{
    // The run's rows are sorted (stably); the list only paints them again. A click on the
    // sorted column reverses the order, another column starts ascending.
    sortDirection_ = column == sortColumn_ ? -sortDirection_ : 1;
    sortColumn_ = column;
    if (rowsUncounted_) {
        countRows();
    }
    // The selection and the focus stay with their messages, not with the row numbers.
    const std::vector<int> selected = messages_.selectedRows();
    const int focused = messages_.focusedRow();
    const std::vector<std::uint32_t> newIndex = run_->sortMessages(column, sortDirection_ < 0, typeNames_);
    if (controls_.filter() != converter::MessageFilter::All) {
        // The filtered rows are found anew in the new order; the selection is given up.
        messages_.moveSelection(selected, -1, std::vector<std::uint32_t>(newIndex.size(), 0));
        listCommands_.showRows(run_->messages(), controls_.filter());
        return;
    }
    if (static_cast<int>(selected.size()) != messages_.rowCount()) { // all selected: nothing moves
        messages_.moveSelection(selected, focused, newIndex);
    } else if (focused >= 0) {
        messages_.moveSelection({}, focused, newIndex);
    }
    messages_.repaintRows();
}

} // namespace ui
