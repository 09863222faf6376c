// The Basic page (template 107): input and output file names and the nine most used
// converter options. The option rules live in options::BasicOptions; this page owns
// the file names, the file dialogs and the output-name derivation.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <string_view>

#include "options/ArgumentSet.h"
#include "options/DialogOptionControls.h"
#include "options/OptionEngine.h"
#include "res/resource.h"
#include "win/Dialog.h"

namespace ui {

// The input path cut at its extension (as PathFindExtensionW finds it) plus ".djvu".
std::wstring deriveOutputName(const std::wstring& inputPath);

// What a file dialog starts from, given a box's text: an existing directory opens in
// that directory with an empty file name; anything else opens in the text's
// directory part (its last component cut off) offering the whole text as file name.
struct FileDialogStart {
    std::wstring directory;
    std::wstring fileName;
};
FileDialogStart fileDialogStart(const std::wstring& text);

// The common open or save dialog, owned by owner, with the bar-separated filter of
// string filterId (first pair selected), a default extension (without the dot) and the
// given OFN_ flags. The path buffer holds 260 characters. Nothing on cancel or failure.
std::optional<std::wstring> chooseFile(HWND owner, bool save, UINT filterId, const wchar_t* defaultExtension,
    DWORD flags, const std::wstring& startText);

// A path box whose text arrived with surrounding double quotes (a path pasted from
// the file manager's "Copy as path") loses them, the caret at the end. Path boxes
// call it on every change.
void dropPastedQuotes(const win::Edit& box);

class BasicPage : public win::PropertyPage {
public:
    explicit BasicPage(options::ArgumentSet& arguments) : arguments_(arguments) {}


    // Puts the path into the input box and, when the output box is empty, the output
    // name derived from it into the output box.
    void setInputFile(const std::wstring& path);

    // The boxes as typed, without quotes around a pasted path (the settings sheet
    // validates them).
    std::wstring inputText() const;
    std::wstring outputText() const;

    // The page's options and quoted file names, as the command-line composer reads them.
    options::BasicOptions& options() { return options_; }
    // File-system autocompletion for both file boxes (called by the sheet once shown).
    void enableAutoComplete();

private:
    bool onInit() override;
    bool onCommand(int id, int code, HWND control) override;

    void browseInput();
    void browseOutput();

    options::ArgumentSet& arguments_;
    options::DialogOptionControls controls_;
    options::BasicOptions options_{controls_};
};

} // namespace ui
