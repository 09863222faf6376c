#include "ui/BasicPage.h"

#include <commdlg.h>
#include <shlwapi.h>

#include <vector>

#include "options/ArgumentQuoting.h"
#include "ui/FileDialogs.h"
#include "base/StringTable.h"

namespace ui {

std::wstring deriveOutputName(const std::wstring& inputPath)
{
    const wchar_t* extension = PathFindExtensionW(inputPath.c_str());
    const size_t cut = extension != nullptr ? static_cast<size_t>(extension - inputPath.c_str()) : inputPath.size();
    return inputPath.substr(0, cut) + L".djvu";
}

std::wstring BasicPage::inputText() const
{
    return options::withoutSurroundingQuotes(control(IDC_BASIC_INPUT).text());
}

std::wstring BasicPage::outputText() const
{
    return options::withoutSurroundingQuotes(control(IDC_BASIC_OUTPUT).text());
}

void BasicPage::setInputFile(const std::wstring& path)
{
    control(IDC_BASIC_INPUT).setText(path);
    if (outputText().empty()) {
        control(IDC_BASIC_OUTPUT).setText(deriveOutputName(path));
    }
}

bool BasicPage::onInit()
{
    controls_.attach(hwnd());
    options_.fillLists();
    options_.applyArguments(arguments_);

    const auto& files = arguments_.fileArguments();
    if (!files.empty()) {
        control(IDC_BASIC_INPUT).setText(files[0]);
        win::Edit(item(IDC_BASIC_INPUT)).setReadOnly(true);
        control(IDC_BASIC_INPUT_BROWSE).enable(false);
    }
    if (files.size() >= 2) {
        control(IDC_BASIC_OUTPUT).setText(files[1]);
    } else if (files.size() == 1) {
        control(IDC_BASIC_OUTPUT).setText(deriveOutputName(files[0]));
    } else {
        control(IDC_BASIC_OUTPUT).setText(std::wstring());
    }
    return true;
}

void BasicPage::enableAutoComplete()
{
    SHAutoComplete(item(IDC_BASIC_INPUT), SHACF_FILESYSTEM);
    SHAutoComplete(item(IDC_BASIC_OUTPUT), SHACF_FILESYSTEM);
}

bool BasicPage::onCommand(int id, int code, HWND control)
{
    if (code == EN_CHANGE && (id == IDC_BASIC_INPUT || id == IDC_BASIC_OUTPUT)) {
        dropPastedQuotes(win::Edit(control));
        return true;
    }
    if (code != BN_CLICKED) {
        return false;
    }
    switch (id) {
    case IDC_BASIC_INPUT_BROWSE:
        browseInput();
        return true;
    case IDC_BASIC_OUTPUT_BROWSE:
        browseOutput();
        return true;
    default:
        return false;
    }
}

void BasicPage::browseInput()
{
    const auto path = chooseFile(hwnd(), false, IDS_FILTER_INPUT, L"pdf", OFN_FILEMUSTEXIST, inputText());
    if (path) {
        setInputFile(*path);
    }
}

void BasicPage::browseOutput()
{
    const auto path = chooseFile(hwnd(), true, IDS_FILTER_OUTPUT, L"djvu", OFN_HIDEREADONLY, outputText());
    if (path) {
        control(IDC_BASIC_OUTPUT).setText(*path);
    }
}

} // namespace ui
