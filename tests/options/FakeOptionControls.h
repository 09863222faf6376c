// In-memory stand-ins for a page's controls (strict about ids) and the Miscellaneous
// page's boxes.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "options/MemoryCommandLineBoxes.h"
#include "options/MemoryOptionControls.h"
#include "options/OptionControls.h"
#include "options/OptionEngine.h"

namespace test_options {

// The product's in-memory controls, strict about ids: a control the table (or the
// extra ids) does not name is a test failure.
class FakeOptionControls : public options::MemoryOptionControls {
public:
    using MemoryOptionControls::MemoryOptionControls;

    void unknownControl(int id) const override { ADD_FAILURE() << "no control " << id; }

    // One click on the up (delta 1) or down (delta -1) arrow: the position comes from
    // the buddy's number, then moves by delta within the range.
    void spin(int id, int delta)
    {
        Control& spin = at(id);
        const std::wstring buddyText = at(spin.buddy).text;
        const bool numeric = !buddyText.empty()
            && std::all_of(buddyText.begin(), buddyText.end(), [](wchar_t c) { return c >= L'0' && c <= L'9'; });
        const int current = numeric ? options::parseOptionNumber(buddyText) : spin.spinPosition;
        setSpinPosition(id, current + delta);
    }
};

using FakeCommandLineBoxes = options::MemoryCommandLineBoxes;

} // namespace test_options
