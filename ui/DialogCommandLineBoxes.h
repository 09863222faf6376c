// CommandLineBoxes over the Miscellaneous page's dialog: its "Additional Parameters"
// and "Generated Command Line" boxes.
#pragma once

#include <windows.h>

#include "options/CommandLineComposer.h"

namespace ui {

// The command line as the read-only "Generated Command Line" box shows it: a word
// longer than maxWord characters is cut in its middle to its beginning, "...", and
// its end. A word-wrapping box spends time quadratic in the length of an unbreakable
// word, so a 30,000-character file name would freeze the sheet for many seconds.
std::wstring commandLineForDisplay(const std::wstring& text, size_t maxWord = 1024);

class DialogCommandLineBoxes : public options::CommandLineBoxes {
public:
    explicit DialogCommandLineBoxes(HWND dialog = nullptr) : dialog_(dialog) {}
    void attach(HWND dialog) { dialog_ = dialog; }

    std::wstring additionalParameters() override;
    void setAdditionalParameters(const std::wstring& text) override;
    void setGeneratedCommandLine(const std::wstring& text) override;

private:
    HWND dialog_ = nullptr;
};

} // namespace ui
