// The question of the queue's stop button (template 112): stop the whole queue, only the
// current document, the queue after the current document, or go on.
#pragma once

#include <windows.h>

#include <string>

#include "queue/QueueRun.h"
#include "win/Dialog.h"

namespace ui {

class QueueStopDialog : public win::Dialog {
public:
    explicit QueueStopDialog(std::wstring documentName) : documentName_(std::move(documentName)) {}

    // Asks modally over owner; closing or Escape goes on.
    queue::StopChoice ask(HWND owner);

protected:
    bool onInit() override;
    bool onCommand(int id, int code, HWND control) override;

private:
    std::wstring documentName_;
};

} // namespace ui
