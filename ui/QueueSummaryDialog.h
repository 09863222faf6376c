// The summary at the end of a queue (template 110): every document with its outcome,
// its warning and error counts and its output; the selected document's output, its
// folder or its log open on request.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "queue/QueueOutcome.h"
#include "win/Dialog.h"

namespace ui {

class QueueSummaryDialog : public win::Dialog {
public:
    // opener opens a file or a folder with the program the user has for it.
    using Opener = std::function<void(const std::wstring& path)>;
    QueueSummaryDialog(std::vector<queue::DocumentResult> results, Opener opener);

    // Shows the summary modally until it is closed.
    INT_PTR show(HWND owner);

    static std::wstring outcomeText(queue::DocumentOutcome outcome);

protected:
    bool onInit() override;
    bool onCommand(int id, int code, HWND control) override;
    bool onNotify(const NMHDR& header, LRESULT& result) override;
    // A change of DPI: the columns and the icon follow, the suggested rectangle is taken.
    bool onMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    void loadIcon(UINT dpi);
    void fillList();
    int selectedRow() const;
    void updateButtons();

    std::vector<queue::DocumentResult> results_;
    Opener opener_;
    UINT dpi_ = 96;
};

} // namespace ui
