// What happens when a document or a queue is done: nothing (the default at every start,
// never stored), the window closes, or the computer sleeps, hibernates or shuts down
// after a countdown the user can cancel. The computer's state changes only after a run
// in which every document was converted, unless the user chose it for failures too.
#pragma once

#include <windows.h>

#include <memory>

#include "win/Dialog.h"
#include "win/SystemPower.h"

namespace ui {

// In the order of the choice's list.
enum class WhenDone { Nothing = 0, CloseWindow = 1, Sleep = 2, Hibernate = 3, ShutDown = 4 };

// Whether the choice is carried out after a run: allConverted when every document was
// converted (or skipped); alsoAfterFailure when the user chose it for failures too.
bool whenDoneApplies(WhenDone choice, bool allConverted, bool alsoAfterFailure);
// Sleep, hibernation and shutdown come after a countdown.
bool whenDoneChangesTheComputer(WhenDone choice);
win::PowerAction powerActionOf(WhenDone choice);

// The countdown before the computer sleeps, hibernates or shuts down: a window that says
// how many seconds are left and whose Cancel button (or Escape, or the close box) stops
// it. When the time is up the action is asked of the SystemPower; an action the system
// refuses is said in a message box.
class WhenDoneCountdown : public win::Dialog {
public:
    static constexpr DWORD kCountdownMilliseconds = 30000;

    WhenDoneCountdown(win::PowerAction action, win::SystemPower& power, DWORD milliseconds = kCountdownMilliseconds)
        : action_(action), power_(power), milliseconds_(milliseconds)
    {
    }
    // Shows the countdown; true when the action was asked of the system (whatever it
    // answered), false when the user cancelled it.
    bool run(HWND owner);
    // The seconds shown at a time since the start: rounded up, so 30 shows first.
    static int secondsLeft(DWORD total, DWORD elapsed);

protected:
    bool onInit() override;
    bool onCommand(int id, int code, HWND control) override;
    bool onMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    void showSecondsLeft();

    win::PowerAction action_;
    win::SystemPower& power_;
    DWORD milliseconds_;
    DWORD startTick_ = 0;
    int shownSeconds_ = -1;
};

} // namespace ui
