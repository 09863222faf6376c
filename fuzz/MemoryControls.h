// The Miscellaneous page's boxes in memory (the pages' controls are the product's
// options::MemoryOptionControls).
#pragma once

#include <string>

#include "options/CommandLineComposer.h"

namespace fuzz {

class MemoryBoxes : public options::CommandLineBoxes {
public:
    std::wstring additionalParameters() override { return additional; }
    void setAdditionalParameters(const std::wstring& text) override { additional = text; }
    void setGeneratedCommandLine(const std::wstring& text) override { generated = text; }

    std::wstring additional;
    std::wstring generated;
};

} // namespace fuzz
