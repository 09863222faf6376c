// The processing log file of one run.
#pragma once

#include <windows.h>

#include <string>

#include "win/Handle.h"

namespace converter {

// Creates (replaces) the log at logPath; others may read it while the converter writes.
// An empty path gives no log; a log that cannot be created leaves its OS error in error
// (the run goes on and says so).
win::UniqueHandle createRunLog(const std::wstring& logPath, DWORD& error);

} // namespace converter
