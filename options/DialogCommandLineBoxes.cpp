#include "options/DialogCommandLineBoxes.h"

#include "ui/res/resource.h"
#include "win/Window.h"

namespace options {

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
    win::Window(GetDlgItem(dialog_, IDC_MISC_COMMAND_LINE)).setText(text);
}

} // namespace options
