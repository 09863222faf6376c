// Runs one of the converter's tools through its tool host to the end, as the tests check
// the converter's files with them; the tool's exit code, -1 when it could not start.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "reference/host/ToolHost.h"

inline int runTool(reference::ToolHost& host, const std::string& tool, const std::vector<std::wstring>& arguments)
{
    auto job = host.start(tool, arguments);
    if (!job) {
        return -1;
    }
    std::vector<std::string> lines;
    while (!job->poll(lines)) {
        Sleep(10);
    }
    return job->exitCode();
}
