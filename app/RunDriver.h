// Carries out one confirmed conversion: command line, log file, progress dialog,
// outcome report, and whether the program is to end.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>

#include "app/ConversionRequest.h"
#include "converter/ConversionRun.h"

namespace app {

// Everything a launch needs: the run's own setup and the texts of its window.
struct LaunchSetup {
    converter::RunSetup run;
    std::wstring title;
    std::wstring statusText;
    std::wstring documentName; // the output's file name
};

// Launches one run of the converter behind its progress dialog and returns when the
// dialog has closed. Creating it loads the message rules.
class RunLauncher {
public:
    virtual ~RunLauncher() = default;
    virtual converter::RunResult launch(const LaunchSetup& setup) = 0;
};

// The platform effects of the driver; the defaults are the real ones.
struct RunDriverServices {
    std::function<std::unique_ptr<RunLauncher>()> createLauncher;
    std::function<void(const std::wstring& text)> showError;    // system-modal stop box
    std::function<void(const std::wstring& outputPath)> openOutput; // ShellExecuteW, result ignored
    std::wstring frontEndPath;                                  // empty: the running executable
};

RunDriverServices defaultRunDriverServices();

// The title of the progress dialog: the output's file name in string 205.
std::wstring progressTitle(const std::wstring& quotedOutputPath);

// Converts the request's one document; returns true when the program is to end (the
// converter exited with 0).
bool runConversion(const ConversionRequest& request, const RunDriverServices& services);
bool runConversion(const ConversionRequest& request);

} // namespace app
