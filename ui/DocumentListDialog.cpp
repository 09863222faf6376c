#include "ui/DocumentListDialog.h"

#include <set>

#include "base/StringTable.h"
#include "queue/DocumentGathering.h"
#include "res/resource.h"
#include "ui/FileDialogs.h"
#include "win/FileSystem.h"

namespace ui {

INT_PTR DocumentListDialog::show(HWND owner)
{
    return runModal(IDD_DOCUMENT_LIST, owner);
}

bool DocumentListDialog::onInit()
{
    fill(documents_.empty() ? -1 : 0);
    SetFocus(item(IDC_LIST_DOCUMENTS));
    return false; // the focus is set
}

void DocumentListDialog::fill(int selected)
{
    const HWND list = item(IDC_LIST_DOCUMENTS);
    SendMessageW(list, WM_SETREDRAW, FALSE, 0);
    SendMessageW(list, LB_RESETCONTENT, 0, 0);
    // Long paths scroll sideways: the widest text gives the list its extent.
    const HDC dc = GetDC(list);
    const HGDIOBJ oldFont = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(list, WM_GETFONT, 0, 0)));
    LONG widest = 0;
    for (const std::wstring& document : documents_) {
        SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(document.c_str()));
        SIZE size = {};
        GetTextExtentPoint32W(dc, document.c_str(), static_cast<int>(document.size()), &size);
        widest = size.cx > widest ? size.cx : widest;
    }
    SelectObject(dc, oldFont);
    ReleaseDC(list, dc);
    SendMessageW(list, LB_SETHORIZONTALEXTENT, static_cast<WPARAM>(widest + 8), 0);
    SendMessageW(list, LB_SETCURSEL, static_cast<WPARAM>(selected), 0);
    SendMessageW(list, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list, nullptr, TRUE);
    control(IDC_LIST_COUNT).setText(base::formatString(IDS_DOCUMENT_COUNT, {std::to_wstring(documents_.size())}));
    updateButtons();
}

int DocumentListDialog::selected() const
{
    const auto index = static_cast<int>(SendMessageW(item(IDC_LIST_DOCUMENTS), LB_GETCURSEL, 0, 0));
    return index >= 0 && static_cast<size_t>(index) < documents_.size() ? index : -1;
}

void DocumentListDialog::updateButtons()
{
    const int index = selected();
    control(IDC_LIST_REMOVE).enable(index >= 0);
    control(IDC_LIST_UP).enable(index > 0);
    control(IDC_LIST_DOWN).enable(index >= 0 && static_cast<size_t>(index) + 1 < documents_.size());
}

void DocumentListDialog::removeSelected()
{
    const int index = selected();
    if (index < 0) {
        return;
    }
    documents_.erase(documents_.begin() + index);
    const int next = static_cast<size_t>(index) < documents_.size() ? index : index - 1;
    fill(next);
}

void DocumentListDialog::moveSelected(int step)
{
    const int index = selected();
    const int target = index + step;
    if (index < 0 || target < 0 || static_cast<size_t>(target) >= documents_.size()) {
        return;
    }
    std::swap(documents_[static_cast<size_t>(index)], documents_[static_cast<size_t>(target)]);
    fill(target);
}

void DocumentListDialog::add(const std::vector<std::wstring>& paths)
{
    std::set<std::wstring> known;
    for (const std::wstring& document : documents_) {
        known.insert(win::pathKey(document));
    }
    const size_t before = documents_.size();
    for (const std::wstring& file : queue::gatherDocuments(paths).files) {
        if (known.insert(win::pathKey(file)).second) {
            documents_.push_back(file);
        }
    }
    fill(documents_.size() > before ? static_cast<int>(before) : selected());
}

bool DocumentListDialog::onCommand(int id, int code, HWND /*control*/)
{
    if (id == IDC_LIST_DOCUMENTS) {
        if (code == LBN_SELCHANGE) {
            updateButtons();
        }
        return true;
    }
    if (code != BN_CLICKED) {
        return false;
    }
    switch (id) {
    case IDC_LIST_ADD:
        add(chooseFiles(hwnd(), IDS_FILTER_INPUT, IDS_PICK_DOCUMENTS));
        return true;
    case IDC_LIST_REMOVE:
        removeSelected();
        return true;
    case IDC_LIST_UP:
    case IDC_LIST_DOWN:
        moveSelected(id == IDC_LIST_UP ? -1 : 1);
        return true;
    case IDOK:
    case IDCANCEL:
        end(id);
        return true;
    default:
        return false;
    }
}

bool DocumentListDialog::onMessage(UINT message, WPARAM wParam, LPARAM /*lParam*/, LRESULT& result)
{
    if (message != WM_VKEYTOITEM) {
        return false;
    }
    // The list's keys: Delete removes, Ctrl+Up and Ctrl+Down move; others as usual.
    const bool control = (GetKeyState(VK_CONTROL) & 0x8000) != 0;
    result = -1;
    switch (LOWORD(wParam)) {
    case VK_DELETE:
        removeSelected();
        result = -2;
        break;
    case VK_UP:
    case VK_DOWN:
        if (control) {
            moveSelected(LOWORD(wParam) == VK_UP ? -1 : 1);
            result = -2;
        }
        break;
    default:
        break;
    }
    return true;
}

} // namespace ui
