// The Basic page (template 107): input and output file names and the nine most used
// converter options. The option rules live in options::BasicOptions; this page owns
// the file names, the file dialogs and the output-name derivation.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <string_view>

#include "options/ArgumentSet.h"
#include "ui/DialogOptionControls.h"
#include "ui/FileDialogs.h"
#include "options/OptionEngine.h"
#include "res/resource.h"
#include "win/Dialog.h"

namespace ui {

// The input path cut at its extension (as PathFindExtensionW finds it) plus ".djvu".
std::wstring deriveOutputName(const std::wstring& inputPath);

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
    ui::DialogOptionControls controls_;
    options::BasicOptions options_{controls_};
};

} // namespace ui
