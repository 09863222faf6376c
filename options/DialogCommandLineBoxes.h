// CommandLineBoxes over the Miscellaneous page's dialog: the "Additional Parameters"
// box (1011) and the "Generated Command Line" box (1010). Until the page's window is
// attached their texts are held here; attaching puts them into the boxes.
#pragma once

#include <windows.h>

#include "options/CommandLineComposer.h"
#include "options/MemoryCommandLineBoxes.h"

namespace options {

// The command line as the read-only "Generated Command Line" box shows it: a word
// longer than maxWord characters is cut in its middle to its beginning, "...", and
// its end. A word-wrapping box spends time quadratic in the length of an unbreakable
// word, so a 30,000-character file name would freeze the sheet for many seconds.
std::wstring commandLineForDisplay(const std::wstring& text, size_t maxWord = 1024);

class DialogCommandLineBoxes : public CommandLineBoxes {
public:
    DialogCommandLineBoxes() = default;
    void attach(HWND dialog);

    std::wstring additionalParameters() override;
    void setAdditionalParameters(const std::wstring& text) override;
    void setGeneratedCommandLine(const std::wstring& text) override;

private:
    HWND dialog_ = nullptr;
    MemoryCommandLineBoxes memory_; // until the window is attached
};

} // namespace options
