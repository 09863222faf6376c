// The Miscellaneous page's two command-line boxes held in memory, for the composer
// without a window (the tests and the fuzz target).
#pragma once

#include <string>

#include "options/CommandLineComposer.h"

namespace options {

class MemoryCommandLineBoxes : public CommandLineBoxes {
public:
    std::wstring additionalParameters() override { return additional; }
    void setAdditionalParameters(const std::wstring& text) override { additional = text; }
    void setGeneratedCommandLine(const std::wstring& text) override { generated = text; }

    std::wstring additional;
    std::wstring generated;
};

} // namespace options
