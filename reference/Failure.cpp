#include "reference/Failure.h"

#include "reference/ConsoleLines.h"

namespace reference {

namespace {

constexpr size_t kKeptLines = 40; // of each tool's output, for the reason of a failure

// A line of a tool's error output worth passing on: DjVuLibre's "*** " prefix goes, its
// source locations ("*** (GBitmap.cpp:214)", "*** 'void ...'") are left out.
std::string meaningful(std::string line)
{
    while (!line.empty() && (line.front() == '*' || line.front() == ' ' || line.front() == '\t')) {
        line.erase(line.begin());
    }
    while (!line.empty() && (line.back() == ' ' || line.back() == '\t')) {
        line.pop_back();
    }
    if (line.empty() || line.front() == '(' || line.front() == '\'') {
        return {};
    }
    return line;
}

} // namespace

void RunningTool::keep(const std::vector<std::string>& more)
{
    for (const auto& line : more) {
        lines.push_back(line.substr(0, 1000));
        if (lines.size() > kKeptLines) {
            lines.pop_front();
        }
    }
}

std::vector<std::string> waitForEnd(RunningTool& run, HANDLE stop)
{
    constexpr DWORD kPollMs = 10;
    std::vector<std::string> lines;
    while (!run.job->poll(lines)) {
        if (WaitForSingleObject(stop, kPollMs) == WAIT_OBJECT_0) {
            run.job->stop();
            run.job->waitGone(1000);
            abandon(kExitStopped);
        }
    }
    return lines;
}

void fail(ConsoleLines& console, int code, const std::string& what, const RunningTool* tool)
{
    // A chain's lines are headed by the name of the tool that wrote them: the reason is
    // in the lines of the tool that failed, the last one.
    std::string name = tool != nullptr ? tool->name : std::string();
    size_t from = 0;
    for (size_t i = 0; tool != nullptr && i < tool->lines.size(); ++i) {
        if (tool->lines[i].rfind(kChainMarker, 0) == 0) {
            name = tool->lines[i].substr(3);
            from = i + 1;
        }
    }
    std::string said = what;
    if (tool != nullptr && name != tool->name) {
        said.replace(said.find(tool->name), tool->name.size(), name);
    }
    console.say("Error: " + said + ".");
    int passed = 0;
    for (size_t i = from; tool != nullptr && i < tool->lines.size() && passed < 4; ++i) {
        const std::string reason = meaningful(tool->lines[i]);
        if (!reason.empty()) {
            console.say("Error: " + name + ": " + reason);
            ++passed;
        }
    }
    abandon(code);
}

} // namespace reference
