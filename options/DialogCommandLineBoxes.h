// CommandLineBoxes over the Miscellaneous page's dialog: the "Additional Parameters"
// box (1011) and the "Generated Command Line" box (1010).
#pragma once

#include <windows.h>

#include "options/CommandLineComposer.h"

namespace options {

class DialogCommandLineBoxes : public CommandLineBoxes {
public:
    explicit DialogCommandLineBoxes(HWND dialog = nullptr) : dialog_(dialog) {}
    void attach(HWND dialog) { dialog_ = dialog; }

    std::wstring additionalParameters() override;
    void setAdditionalParameters(const std::wstring& text) override;
    void setGeneratedCommandLine(const std::wstring& text) override;

private:
    HWND dialog_ = nullptr;
};

} // namespace options
