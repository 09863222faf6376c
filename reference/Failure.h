// How a conversion ends early: the exit codes, the tool whose lines say why, and the
// failure that carries the exit code to the conversion's end (which stops every tool
// and removes every file of the run).
#pragma once

#include "reference/host/ToolHost.h"

#include <windows.h>

#include <deque>
#include <memory>
#include <string>
#include <vector>

namespace reference {

constexpr int kExitUsage = 1;
constexpr int kExitInput = 2;
constexpr int kExitRender = 3;
constexpr int kExitEncode = 4;
constexpr int kExitOutput = 5;
constexpr int kExitTools = 6;
constexpr int kExitStopped = 5963;

// A tool's run and the last lines it wrote (kept for the reason of a failure).
struct RunningTool {
    std::string name;
    std::unique_ptr<ToolJob> job;
    std::deque<std::string> lines;
    void keep(const std::vector<std::string>& more);
};

// Thrown to end the conversion with the exit code; its error lines were said before.
struct Abandoned {
    int code = 0;
};

class ConsoleLines;

// Says the error (and the meaningful lines of the tool that failed) and ends the
// conversion with the exit code.
[[noreturn]] void fail(ConsoleLines& console, int code, const std::string& what, const RunningTool* tool);

// Waits for the tool's run to end and returns all its lines; a stop asked for meanwhile
// (the event set) ends the tool and the conversion.
std::vector<std::string> waitForEnd(RunningTool& run, HANDLE stop);

// Ends the conversion with the exit code, without a word.
[[noreturn]] inline void abandon(int code)
{
    throw Abandoned{code};
}

} // namespace reference
