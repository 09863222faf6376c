// The loop between the settings sheet and conversion runs.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>

#include "app/ConversionRequest.h"

namespace app {

// One settings sheet of one pass.
class SettingsPass {
public:
    virtual ~SettingsPass() = default;
    // Shows the sheet modally; 1 means confirmed.
    virtual INT_PTR show(HWND owner) = 0;
    // The request of a confirmed sheet.
    virtual ConversionRequest request() const = 0;
};

struct MainLoopServices {
    std::function<std::unique_ptr<SettingsPass>()> createSheet;   // a new sheet for the process's arguments
    std::function<bool(const ConversionRequest&)> runConversion; // true: the program is to end
};

// Runs passes until the sheet is not confirmed (its result is returned) or a run
// asks the program to end (1 is returned).
int runMainLoop(const MainLoopServices& services);

} // namespace app
