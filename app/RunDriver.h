// Carries out one confirmed conversion: command line, log file, progress dialog,
// outcome report, and whether the program is to end.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>

#include "app/ConversionRequest.h"

namespace app {

// Everything the progress dialog needs for one run.
struct RunSetup {
    std::wstring commandLine;
    std::wstring title;
    std::wstring statusText;
    std::wstring logPath;
    bool detailsCollapsed = false;
    std::wstring killEventName;
    HANDLE logFile = nullptr; // null when there is no log
    DWORD logOpenError = 0;   // why the log at logPath could not be created, 0 otherwise
};

// One run of the converter behind its progress dialog. Creating it loads the
// message rules; runConverter returns the dialog's end code (1 ended, 3 not started).
class ConverterRun {
public:
    virtual ~ConverterRun() = default;
    virtual INT_PTR runConverter(const RunSetup& setup, DWORD& osError) = 0;
    virtual DWORD exitCode() const = 0;
    // The converter could not be followed to its end (its wait failed): a failed run.
    virtual bool waitFailed() const = 0;
};

// The platform effects of the driver; the defaults are the real ones.
struct RunDriverServices {
    std::function<std::unique_ptr<ConverterRun>()> createRun;
    std::function<void(const std::wstring& text)> showError;    // system-modal stop box
    std::function<void(const std::wstring& outputPath)> openOutput; // ShellExecuteW, result ignored
    std::wstring frontEndPath;                                  // empty: the running executable
};

RunDriverServices defaultRunDriverServices();

// The title of the progress dialog: the output's file name in string 205.
std::wstring progressTitle(const std::wstring& quotedOutputPath);

// Returns true when the program is to end (the converter exited with 0).
bool runConversion(const ConversionRequest& request, const RunDriverServices& services);
bool runConversion(const ConversionRequest& request);

} // namespace app
