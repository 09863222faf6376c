#include "ui/HistoryMenu.h"

#include "res/resource.h"
#include "base/StringTable.h"

namespace ui {

HMENU buildHistoryMenu(const settings::ParameterHistory& history)
{
    const HMENU menu = CreatePopupMenu();
    if (menu == nullptr) {
        return nullptr;
    }
    AppendMenuW(menu, MF_STRING, IDM_HISTORY_REVERT, base::loadString(IDS_REVERT_TO_DEFAULT).c_str());
    const auto items = history.menuItems();
    if (!items.empty()) {
        AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    }
    for (const auto& item : items) {
        AppendMenuW(menu, MF_STRING, item.command, item.text.c_str());
    }
    return menu;
}

void trackHistoryMenu(const settings::ParameterHistory& history, HWND button, HWND owner)
{
    const win::UniqueMenu menu(buildHistoryMenu(history));
    if (menu.get() == nullptr) {
        return;
    }
    RECT rect = {};
    GetWindowRect(button, &rect);
    TrackPopupMenu(menu.get(), TPM_LEFTALIGN | TPM_LEFTBUTTON, rect.left, rect.top, 0, owner, nullptr);
}

} // namespace ui
