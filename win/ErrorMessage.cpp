#include "win/ErrorMessage.h"


namespace win {

int showMessageText(HWND owner, UINT style, const std::wstring& text)
{
    const std::wstring title = base::loadString(kAppTitleStringId);
    return MessageBoxW(owner, text.c_str(), title.c_str(), style);
}

int showErrorMessage(HWND owner, UINT style, UINT stringId, std::initializer_list<base::MessageArg> inserts)
{
    return showMessageText(owner, style, base::formatString(stringId, inserts));
}

} // namespace win
