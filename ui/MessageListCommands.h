// Taking the messages out of a progress window's list: Ctrl+C and the list's context menu
// copy the selected rows as tab-separated text (as they are shown), Ctrl+A and "Select
// All" select every shown row, "Save Messages As..." writes every row of the run as UTF-8
// text; the filter decides which rows the list shows. All of it works while the run goes
// on and after it. The rows stay in the run's storage; this class maps the list's rows to
// them through the filter.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <string>

#include "converter/MessageExport.h"
#include "converter/MessageStore.h"
#include "win/ListView.h"

namespace ui {

class MessageListCommands {
public:
    void attach(HWND dialog, win::ListView list, const std::wstring (*typeNames)[3]);

    // The rows the list shows, and where each one is in the store.
    const converter::FilteredRows& shown() const { return shown_; }
    // The store has new rows: the number of shown rows after them.
    int takeNewRows(const converter::MessageStore& store);
    // A new filter, or the store reordered by a sort: the list's rows anew.
    void showRows(const converter::MessageStore& store, converter::MessageFilter filter);
    // A run starts afresh (a queue's next document).
    void clear();

    // The list's key (Ctrl+C, Ctrl+A): true when it was one of them.
    bool onKeyDown(const NMLVKEYDOWN& key, const converter::MessageStore* store);
    // The context menu at a screen point (-1, -1: from the keyboard, under the focused row).
    void showMenu(POINT at, const converter::MessageStore* store);

    // The menu's commands (also sent to the window as WM_COMMAND): true when it was one.
    bool onCommand(int id, const converter::MessageStore* store);

    void copySelection(const converter::MessageStore& store) const;
    void selectAll() const;
    void saveAll(const converter::MessageStore& store) const;

private:
    HWND dialog_ = nullptr;
    win::ListView list_;
    const std::wstring (*typeNames_)[3] = nullptr;
    converter::FilteredRows shown_;
};

} // namespace ui
