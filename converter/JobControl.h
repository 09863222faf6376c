// Pausing and the priority of a converter and every process of its job. A process is
// paused by suspending each of its threads; the threads it starts while paused are not
// its (it is suspended). Processes outside the job (under Wine: the Linux tools a
// converter starts) are not reached.
#pragma once

#include <windows.h>

#include <vector>

namespace converter {

// The converter's process id and those of the job's other processes (the job may be
// null: then the converter alone).
std::vector<DWORD> jobProcessIds(HANDLE job, DWORD converterId);

// Suspends (or resumes) every thread of the process. False when the process could not
// be reached.
bool suspendProcess(DWORD processId, bool suspend);

// Below-normal priority (background) or normal. False when it could not be set.
bool setProcessBackground(DWORD processId, bool background);

} // namespace converter
