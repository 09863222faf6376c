// The progress dialog's layout: the details pane shown or hidden (the window's height),
// the smallest size the template allows, and the controls following the window's edges
// when it is resized or maximised.
#pragma once

#include <windows.h>

namespace ui {

class ProgressLayout {
public:
    // Takes the dialog's template size as its smallest size and shows the details.
    void attach(HWND dialog);

    bool detailsCollapsed() const { return detailsCollapsed_; }
    // The window's height with the details shown (its current height while they are).
    int expandedHeight() const { return expandedHeight_; }
    void setDetailsCollapsed(bool collapsed);
    // The window's DPI changed: its measures in pixels scale by numerator / denominator.
    void scale(int numerator, int denominator);
    // WM_SIZING: keeps at least the template's size, then lays the controls out.
    void onSizing(WPARAM edge, RECT& rect);
    // WM_SIZE: maximising and restoring lay the controls out; the details button is off
    // while maximised.
    void onSize(WPARAM type);

private:
    void relayoutControls(int width, int height);

    HWND dialog_ = nullptr;
    bool detailsCollapsed_ = false;
    int collapsedHeight_ = 0;
    int expandedHeight_ = 0;
    int laidOutWidth_ = 0;
    int minimumWidth_ = 0;
    int minimumHeight_ = 0;
    int lastSizeType_ = SIZE_RESTORED;
};

} // namespace ui
