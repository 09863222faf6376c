// The controls a progress window adds to its template: a row under the progress bar with
// the time line, "Pause" and "Background", and, in the details pane beside "Open Log",
// the message filter and the choice of what happens when done. They are made at run time,
// so the template stays as it is: the template's controls from the button row down move
// one row lower and the window grows by that row. Tab order follows the layout, and the
// message list gets a label of its own for screen readers.
#pragma once

#include <windows.h>

#include <string>

#include "converter/MessageExport.h"
#include "ui/WhenDone.h"

namespace ui {

class ProgressControls {
public:
    // Adds the controls to the dialog, before its layout is measured.
    void create(HWND dialog);

    void setTimeText(const std::wstring& text);
    // The pause button's text: "Pause" or "Resume".
    void showPaused(bool paused);
    void setBackground(bool background);
    bool background() const;
    // While no converter runs, pausing and the priority have nothing to act on.
    void enableRunControls(bool enabled);

    // The window closes: the names given to screen readers are taken back.
    void forgetNames();

    converter::MessageFilter filter() const;
    WhenDone whenDone() const;
    // The choice is also for a run in which not every document was converted.
    bool whenDoneAlsoAfterFailure() const;

private:
    // Names a control for screen readers other than by its text ("Details" for the
    // details button, whatever its arrows say), through the system's annotation service.
    void nameForScreenReaders(int id, UINT textId);
    HWND createChild(const wchar_t* windowClass, UINT textId, DWORD style, int id, const RECT& rect, HWND after);

    HWND dialog_ = nullptr;
    HFONT font_ = nullptr;
};

} // namespace ui
