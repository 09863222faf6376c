#include "ui/BasicPage.h"

#include <commdlg.h>
#include <shlwapi.h>

#include <vector>

#include "options/ArgumentQuoting.h"
#include "win/Handle.h"
#include "win/Strings.h"

namespace ui {

namespace {

constexpr size_t kPathBuffer = 260;

// GetOpenFileNameW or GetSaveFileNameW from comdlg32.dll, loaded when a file dialog is
// first asked for: imported at start, the library (with the print spooler it brings)
// cost the sheet's start several milliseconds. FALSE when it cannot be loaded.
BOOL showFileDialog(bool save, OPENFILENAMEW& dialog)
{
    using DialogFunction = BOOL(WINAPI*)(OPENFILENAMEW*);
    static const win::UniqueLibrary library(L"comdlg32.dll");
    const FARPROC function =
        library ? GetProcAddress(library.get(), save ? "GetSaveFileNameW" : "GetOpenFileNameW") : nullptr;
    if (function == nullptr) {
        return FALSE;
    }
    return reinterpret_cast<DialogFunction>(reinterpret_cast<void (*)()>(function))(&dialog);
}

} // namespace

std::wstring deriveOutputName(const std::wstring& inputPath)
{
    const wchar_t* extension = PathFindExtensionW(inputPath.c_str());
    const size_t cut = extension != nullptr ? static_cast<size_t>(extension - inputPath.c_str()) : inputPath.size();
    return inputPath.substr(0, cut) + L".djvu";
}

FileDialogStart fileDialogStart(const std::wstring& text)
{
    FileDialogStart start;
    if (!text.empty() && PathIsDirectoryW(text.c_str())) {
        start.directory = text;
        return start;
    }
    const size_t separator = text.find_last_of(L"\\/");
    if (separator != std::wstring::npos) {
        start.directory = text.substr(0, separator);
        // "C:\file" keeps the root's backslash.
        if (start.directory.size() == 2 && start.directory[1] == L':') {
            start.directory += L'\\';
        }
    }
    start.fileName = text;
    return start;
}

std::optional<std::wstring> chooseFile(HWND owner, bool save, UINT filterId, const wchar_t* defaultExtension,
    DWORD flags, const std::wstring& startText)
{
    const FileDialogStart start = fileDialogStart(startText);
    std::vector<wchar_t> buffer(kPathBuffer, L'\0');
    // A longer text than the buffer holds starts the dialog without a file name.
    if (start.fileName.size() < kPathBuffer) {
        start.fileName.copy(buffer.data(), start.fileName.size());
    }
    const std::wstring filter = win::fileDialogFilter(win::loadString(filterId));

    OPENFILENAMEW dialog = {};
    dialog.lStructSize = sizeof(dialog);
    dialog.hwndOwner = owner;
    dialog.lpstrFilter = filter.c_str();
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = buffer.data();
    dialog.nMaxFile = static_cast<DWORD>(buffer.size());
    dialog.lpstrInitialDir = start.directory.empty() ? nullptr : start.directory.c_str();
    dialog.lpstrDefExt = defaultExtension;
    dialog.Flags = flags | OFN_EXPLORER | OFN_ENABLESIZING | OFN_NOCHANGEDIR;
    const BOOL chosen = showFileDialog(save, dialog);
    if (!chosen) {
        return std::nullopt;
    }
    buffer.back() = L'\0';
    return std::wstring(buffer.data());
}

void dropPastedQuotes(const win::Edit& box)
{
    const std::wstring text = box.text();
    const std::wstring path = options::withoutSurroundingQuotes(text);
    if (path.size() != text.size()) {
        box.setText(path);
        const auto end = static_cast<WPARAM>(path.size());
        box.send(EM_SETSEL, end, static_cast<LPARAM>(end));
    }
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
