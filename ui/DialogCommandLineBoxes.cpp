#include "ui/DialogCommandLineBoxes.h"

#include "res/resource.h"
#include "win/Window.h"

namespace ui {

std::wstring commandLineForDisplay(const std::wstring& text, size_t maxWord)
{
    const size_t keep = maxWord / 2;
    std::wstring shown;
    size_t start = 0;
    while (start < text.size()) {
        const size_t blank = text.find_first_of(L" \t\r\n", start);
        const size_t end = blank == std::wstring::npos ? text.size() : blank;
        if (end - start > maxWord && keep > 0) {
            shown.append(text, start, keep);
            shown += L"...";
            shown.append(text, end - keep, keep);
        } else {
            shown.append(text, start, end - start);
        }
        if (end < text.size()) {
            shown.push_back(text[end]);
        }
        start = end + 1;
    }
    return shown;
}

std::wstring DialogCommandLineBoxes::additionalParameters()
{
    return win::Window(GetDlgItem(dialog_, IDC_MISC_ADDITIONAL)).text();
}

void DialogCommandLineBoxes::setAdditionalParameters(const std::wstring& text)
{
    win::Window(GetDlgItem(dialog_, IDC_MISC_ADDITIONAL)).setText(text);
}

void DialogCommandLineBoxes::setGeneratedCommandLine(const std::wstring& text)
{
    win::Window(GetDlgItem(dialog_, IDC_MISC_COMMAND_LINE)).setText(commandLineForDisplay(text));
}

} // namespace ui
