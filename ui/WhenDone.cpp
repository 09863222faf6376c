#include "ui/WhenDone.h"

#include "res/resource.h"
#include "base/StringTable.h"

namespace ui {

namespace {

constexpr UINT_PTR kCountdownTimer = 1;
constexpr UINT kCountdownStepMilliseconds = 200;

UINT countdownTextId(win::PowerAction action)
{
    switch (action) {
    case win::PowerAction::Sleep:
        return IDS_COUNTDOWN_SLEEP;
    case win::PowerAction::Hibernate:
        return IDS_COUNTDOWN_HIBERNATE;
    default:
        return IDS_COUNTDOWN_SHUTDOWN;
    }
}

} // namespace

bool whenDoneApplies(WhenDone choice, bool allConverted, bool alsoAfterFailure)
{
    return choice != WhenDone::Nothing && (allConverted || alsoAfterFailure);
}

bool whenDoneChangesTheComputer(WhenDone choice)
{
    return choice == WhenDone::Sleep || choice == WhenDone::Hibernate || choice == WhenDone::ShutDown;
}

win::PowerAction powerActionOf(WhenDone choice)
{
    return choice == WhenDone::Sleep ? win::PowerAction::Sleep
         : choice == WhenDone::Hibernate ? win::PowerAction::Hibernate
                                         : win::PowerAction::ShutDown;
}

int WhenDoneCountdown::secondsLeft(DWORD total, DWORD elapsed)
{
    return elapsed >= total ? 0 : static_cast<int>((total - elapsed + 999) / 1000);
}

bool WhenDoneCountdown::run(HWND owner)
{
    return runModal(IDD_WHEN_DONE_COUNTDOWN, owner) == IDOK;
}

bool WhenDoneCountdown::onInit()
{
    SetWindowTextW(hwnd_, base::loadString(IDS_APP_TITLE).c_str());
    startTick_ = GetTickCount();
    showSecondsLeft();
    SetTimer(hwnd_, kCountdownTimer, kCountdownStepMilliseconds, nullptr);
    // Brought to the front: the user may be away, or in another program.
    SetForegroundWindow(hwnd_);
    return true;
}

void WhenDoneCountdown::showSecondsLeft()
{
    const int seconds = secondsLeft(milliseconds_, GetTickCount() - startTick_);
    if (seconds != shownSeconds_) {
        shownSeconds_ = seconds;
        control(IDC_COUNTDOWN_TEXT).setText(base::formatString(countdownTextId(action_), {seconds}));
    }
}

bool WhenDoneCountdown::onCommand(int id, int /*code*/, HWND /*control*/)
{
    if (id == IDCANCEL) {
        KillTimer(hwnd_, kCountdownTimer);
        end(IDCANCEL);
        return true;
    }
    return false;
}

bool WhenDoneCountdown::onMessage(UINT message, WPARAM wParam, LPARAM /*lParam*/, LRESULT& /*result*/)
{
    if (message != WM_TIMER || wParam != kCountdownTimer) {
        return false;
    }
    showSecondsLeft();
    if (GetTickCount() - startTick_ < milliseconds_) {
        return true;
    }
    KillTimer(hwnd_, kCountdownTimer);
    DWORD error = 0;
    if (!power_.perform(action_, error)) {
        MessageBoxW(hwnd_, base::formatString(IDS_POWER_FAILED, {base::formatOsErrorText(error)}).c_str(),
            base::loadString(IDS_APP_TITLE).c_str(), MB_ICONHAND);
    }
    end(IDOK);
    return true;
}

} // namespace ui
