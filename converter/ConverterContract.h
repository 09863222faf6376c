// What the front end requires of the converter program: its name, its invocation,
// the kill event and the exit codes. Everything else builds on these.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

namespace converter {

inline constexpr wchar_t kExecutableName[] = L"korvello.exe";
inline constexpr wchar_t kKillEventOption[] = L"--killevent=";
inline constexpr wchar_t kKillEventPrefix[] = L"Korvello_GUI_";
inline constexpr wchar_t kForceOption[] = L" --force";

inline constexpr DWORD kExitSuccess = 0;
inline constexpr DWORD kExitCanceled = 5963;   // the converter stopped on the kill event
inline constexpr DWORD kExitTerminated = 5964; // the front end terminated the process

// "Korvello_GUI_" and the counter in lower-case hexadecimal without leading zeros.
std::wstring killEventName(std::uint64_t counter);
// A fresh kill-event name from the high-resolution performance counter.
std::wstring newKillEventName();

// The converter's command line: the quoted path of korvello.exe in the directory of
// frontEndPath, one space, --killevent=<name>, one space and the parameter text.
std::wstring converterCommandLine(const std::wstring& frontEndPath, const std::wstring& killEventName,
    const std::wstring& parameterText);

} // namespace converter
