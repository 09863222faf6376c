#include "ui/MessageListCommands.h"

#include <commdlg.h>

#include <vector>

#include "res/resource.h"
#include "ui/FileDialogs.h"
#include "base/StringTable.h"
#include "win/Handle.h"

namespace ui {

void MessageListCommands::attach(HWND dialog, win::ListView list, const std::wstring (*typeNames)[3])
{
    dialog_ = dialog;
    list_ = list;
    typeNames_ = typeNames;
    shown_ = converter::FilteredRows();
}

int MessageListCommands::takeNewRows(const converter::MessageStore& store)
{
    shown_.takeNewRows(store);
    return static_cast<int>(shown_.size());
}

void MessageListCommands::showRows(const converter::MessageStore& store, converter::MessageFilter filter)
{
    shown_.rebuild(store, filter);
    list_.setRowCount(static_cast<int>(shown_.size()));
    list_.repaintRows();
}

void MessageListCommands::clear()
{
    shown_.rebuild(converter::MessageStore(), shown_.filter());
}

bool MessageListCommands::onKeyDown(const NMLVKEYDOWN& key, const converter::MessageStore* store)
{
    if ((GetKeyState(VK_CONTROL) & 0x8000) == 0) {
        return false;
    }
    if (key.wVKey == 'C' && store != nullptr) {
        copySelection(*store);
        return true;
    }
    if (key.wVKey == 'A') {
        selectAll();
        return true;
    }
    return false;
}

void MessageListCommands::showMenu(POINT at, const converter::MessageStore* store)
{
    if (at.x == -1 && at.y == -1) {
        RECT row = {LVIR_BOUNDS, 0, 0, 0};
        const int focused = list_.focusedRow();
        if (focused < 0 || !SendMessageW(list_.hwnd(), LVM_GETITEMRECT, static_cast<WPARAM>(focused), reinterpret_cast<LPARAM>(&row))) {
            GetClientRect(list_.hwnd(), &row);
        }
        at = {row.left, row.bottom};
        ClientToScreen(list_.hwnd(), &at);
    }
    const win::UniqueMenu menu(CreatePopupMenu());
    const bool anySelected = !list_.selectedRows().empty();
    AppendMenuW(menu.get(), MF_STRING | (anySelected ? 0 : MF_GRAYED), IDM_MESSAGES_COPY,
        base::loadString(IDS_MENU_COPY).c_str());
    AppendMenuW(menu.get(), MF_STRING, IDM_MESSAGES_SELECT_ALL, base::loadString(IDS_MENU_SELECT_ALL).c_str());
    AppendMenuW(menu.get(), MF_SEPARATOR, 0, nullptr);
    AppendMenuW(menu.get(), MF_STRING | (store != nullptr && store->size() > 0 ? 0 : MF_GRAYED), IDM_MESSAGES_SAVE,
        base::loadString(IDS_MENU_SAVE).c_str());
    const int chosen = TrackPopupMenu(menu.get(), TPM_RETURNCMD | TPM_RIGHTBUTTON, at.x, at.y, 0, dialog_, nullptr);
    if (chosen != 0) {
        onCommand(chosen, store);
    }
}

bool MessageListCommands::onCommand(int id, const converter::MessageStore* store)
{
    switch (id) {
    case IDM_MESSAGES_COPY:
        if (store != nullptr) {
            copySelection(*store);
        }
        return true;
    case IDM_MESSAGES_SELECT_ALL:
        selectAll();
        return true;
    case IDM_MESSAGES_SAVE:
        if (store != nullptr) {
            saveAll(*store);
        }
        return true;
    default:
        return false;
    }
}

void MessageListCommands::copySelection(const converter::MessageStore& store) const
{
    std::vector<size_t> rows;
    for (const int row : list_.selectedRows()) {
        if (static_cast<size_t>(row) < shown_.size()) {
            rows.push_back(shown_.storeIndex(static_cast<size_t>(row)));
        }
    }
    if (rows.empty()) {
        return;
    }
    const std::wstring text = converter::rowsAsText(store, rows, *typeNames_);
    if (!OpenClipboard(dialog_)) {
        return;
    }
    EmptyClipboard();
    const size_t bytes = (text.size() + 1) * sizeof(wchar_t);
    if (HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes)) {
        if (void* target = GlobalLock(memory)) {
            CopyMemory(target, text.c_str(), bytes);
            GlobalUnlock(memory);
            if (SetClipboardData(CF_UNICODETEXT, memory) == nullptr) {
                GlobalFree(memory);
            }
        } else {
            GlobalFree(memory);
        }
    }
    CloseClipboard();
}

void MessageListCommands::selectAll() const
{
    LVITEMW state = {};
    state.stateMask = LVIS_SELECTED;
    state.state = LVIS_SELECTED;
    SendMessageW(list_.hwnd(), LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&state));
}

void MessageListCommands::saveAll(const converter::MessageStore& store) const
{
    const std::optional<std::wstring> path = chooseFile(dialog_, true, IDS_FILTER_SAVE, L"txt",
        OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_NOCHANGEDIR, std::wstring());
    if (!path) {
        return;
    }
    std::vector<size_t> rows(store.size());
    for (size_t i = 0; i < rows.size(); ++i) {
        rows[i] = i;
    }
    DWORD error = 0;
    if (!converter::saveTextAsUtf8(*path, converter::rowsAsText(store, rows, *typeNames_), error)) {
        MessageBoxW(dialog_, base::formatString(IDS_SAVE_FAILED, {*path, base::formatOsErrorText(error)}).c_str(),
            base::loadString(IDS_APP_TITLE).c_str(), MB_ICONHAND);
    }
}

} // namespace ui
