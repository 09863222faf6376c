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
    // One document, or several: true when the program is to end.
    std::function<bool(const ConversionRequest&)> runConversion;
    std::function<bool(const ConversionRequest&)> runQueue;
};

// Runs passes until the sheet is not confirmed (its result is returned) or a run
// asks the program to end (1 is returned). A request of one document goes to
// runConversion, one of several (arrivals included) to runQueue.
int runMainLoop(const MainLoopServices& services);

} // namespace app
