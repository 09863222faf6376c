// Runs the rendering and encoding tools. Two hosts share this interface: under Wine the
// Debian (Linux) builds are run through /bin/sh and followed through files, because a
// Linux program started from a Windows process gets neither our pipes nor a real exit
// code; on Windows the tools' Windows builds found on PATH are run with a pipe.
#pragma once

#include <memory>
#include <string>
#include <vector>

namespace reference {

// One started tool. poll() never blocks.
class ToolJob {
public:
    virtual ~ToolJob() = default;
    // Appends the complete output lines (without their line ends) that arrived since the
    // last call. Returns true once the tool has ended and every line was delivered (an
    // unterminated last line is delivered then too).
    virtual bool poll(std::vector<std::string>& lines) = 0;
    // The tool's exit code, valid after poll() returned true; -1 when it is unknown.
    virtual int exitCode() const = 0;
    // Stops the tool and everything it started, at once.
    virtual void stop() = 0;
    // Holds the tool (true) or lets it go on (false), so it cannot run far ahead.
    virtual void pause(bool paused) = 0;
    // After stop(): waits (up to the time given) until the tool is really gone.
    virtual bool waitGone(unsigned milliseconds) = 0;
};

// A tool (a name such as "gs" or "cjb2") and its arguments (paths in the tools' form).
struct Step {
    std::string tool;
    std::vector<std::wstring> arguments;
};

// Before each tool's lines, a chain's output has the line kChainMarker + tool name.
constexpr const char* kChainMarker = "@@ ";

class ToolHost {
public:
    virtual ~ToolHost() = default;
    // "wine-relay" or "windows": which host this is (for the README and messages).
    virtual const char* name() const = 0;
    // True when the tool (a name such as "gs" or "cjb2") can be run.
    virtual bool hasTool(const std::string& tool) const = 0;
    // A path of this program's file system in the form the tools take.
    virtual std::wstring toolPath(const std::wstring& windowsPath) const = 0;
    // The same for a folder in a list of folders (the renderer's -I), free of the list's
    // separator.
    virtual std::wstring toolListPath(const std::wstring& windowsPath) const { return toolPath(windowsPath); }
    // Starts the tool with the arguments (paths already converted by toolPath()).
    // nullptr when it could not be started.
    virtual std::unique_ptr<ToolJob> start(const std::string& tool, const std::vector<std::wstring>& arguments) = 0;
    // Runs the tools one after the other as one job, each once the one before ended
    // with exit code 0; the job's exit code is that of the last tool run.
    virtual std::unique_ptr<ToolJob> startChain(const std::vector<Step>& steps);
    // Ends the host's own helpers (the jobs are stopped by their owners before).
    virtual void shutDown() {}
};

// The host for this platform; workFolder is an existing private folder for the
// relay files of the Wine host, which removes it and leftovers (a file) when this
// program is terminated by force.
std::unique_ptr<ToolHost> makeToolHost(const std::wstring& workFolder, const std::wstring& leftovers = {});

} // namespace reference
