// The documents of a sheet as a list to edit (template 113): remove documents, move them
// up or down (buttons, or Delete and Ctrl+Up / Ctrl+Down in the list), add files (a folder
// added gives the documents inside it). OK keeps the edited list.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "win/Dialog.h"

namespace ui {

class DocumentListDialog : public win::Dialog {
public:
    explicit DocumentListDialog(std::vector<std::wstring> documents) : documents_(std::move(documents)) {}

    // Shows the list modally; IDOK when the edited list is to be kept.
    INT_PTR show(HWND owner);
    const std::vector<std::wstring>& documents() const { return documents_; }

    // The list's own steps, also run by the keys: the selected document removed, moved
    // by step (-1 up, +1 down), files added at the end (each once).
    void removeSelected();
    void moveSelected(int step);
    void add(const std::vector<std::wstring>& paths);

protected:
    bool onInit() override;
    bool onCommand(int id, int code, HWND control) override;
    bool onMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    void fill(int selected);
    int selected() const;
    void updateButtons();

    std::vector<std::wstring> documents_;
};

} // namespace ui
