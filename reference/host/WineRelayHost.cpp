// The Wine host: runs the Debian builds of the tools as Linux processes. Such a process
// gets neither redirected standard handles nor a real exit code from Wine, so each job
// is a small shell script in a folder of its own that redirects the tool's output into
// a file (read here as it grows), writes its process-group id first and its exit code
// last. Jobs are started, paused and stopped through the run's dispatcher shell
// (WineShell.h).
#include "reference/host/LineSplitter.h"
#include "reference/host/Files.h"
#include "reference/host/ToolHost.h"
#include "reference/host/WineShell.h"

#include <windows.h>

#include <cstdlib>

namespace reference {

namespace {

class WineRelayJob : public ToolJob {
public:
    WineRelayJob(std::wstring folder, Dispatcher& dispatcher)
        : folder_(std::move(folder)), dispatcher_(dispatcher)
    {
    }
    ~WineRelayJob() override
    {
        if (output_ != INVALID_HANDLE_VALUE) {
            CloseHandle(output_);
        }
        if (ended_) { // a finished job's folder goes at once; a long run makes thousands
            for (const wchar_t* name : {L"run.sh", L"out", L"pid", L"rc", L"gone"}) {
                DeleteFileW((folder_ + L"\\" + name).c_str());
            }
            RemoveDirectoryW(folder_.c_str());
        }
    }
    WineRelayJob(const WineRelayJob&) = delete;
    WineRelayJob& operator=(const WineRelayJob&) = delete;

    bool poll(std::vector<std::string>& lines) override
    {
        if (ended_) {
            return true;
        }
        // The exit code is written after the tool ended, so once it is there the
        // output file is complete.
        const bool done = fileExists(folder_ + L"\\rc");
        if (!done && !started_) {
            started_ = fileExists(folder_ + L"\\pid");
            if (!started_ && GetTickCount() - startTick_ > kStartTimeoutMs) {
                lines.push_back("Error: a tool started through /bin/sh did not begin within "
                    + std::to_string(kStartTimeoutMs / 1000) + " seconds.");
                ended_ = true;
                return true;
            }
        }
        readNewOutput(lines);
        if (done) {
            splitter_.finish(lines);
            exitCode_ = std::atoi(readWholeFile(folder_ + L"\\rc").c_str());
            ended_ = true;
        }
        return ended_;
    }

    int exitCode() const override { return exitCode_; }

    void stop() override
    {
        if (ended_ || stopping_) {
            return;
        }
        stopping_ = true;
        signal("KILL", "gone");
    }

    // SIGSTOP and SIGCONT to the process group. Each waits for the one before to have
    // been delivered, so they cannot overtake each other.
    void pause(bool paused) override
    {
        if (ended_ || stopping_ || paused == paused_) {
            return;
        }
        paused_ = paused;
        signal(paused ? "STOP" : "CONT", nullptr);
    }

    bool waitGone(unsigned milliseconds) override
    {
        if (ended_ || !stopping_) {
            return true;
        }
        const DWORD start = GetTickCount();
        while (!fileExists(folder_ + L"\\gone") && !fileExists(folder_ + L"\\rc")) {
            if (GetTickCount() - start >= milliseconds) {
                return false;
            }
            Sleep(5);
        }
        return true;
    }

private:
    std::string processGroup()
    {
        // The script writes its process-group id at once; wait a moment for it if the
        // job has only just been started.
        std::string group;
        for (int i = 0; i < 100 && group.empty(); ++i) {
            group = readWholeFile(folder_ + L"\\pid");
            while (!group.empty() && (group.back() == '\n' || group.back() == '\r')) {
                group.pop_back();
            }
            if (group.empty()) {
                Sleep(10);
            }
        }
        return group.find_first_not_of("0123456789") == std::string::npos ? group : std::string();
    }

    // Sends a signal to the job's process group through the dispatcher, which handles
    // its lines in order (a pause cannot overtake a resume) and leaves the marker file.
    void signal(const char* name, const char* marker)
    {
        const std::string group = processGroup();
        if (group.empty()) {
            return;
        }
        // dash's kill takes a negative process id (the group) but no "--".
        std::string line = "kill -" + std::string(name) + " -" + group + " 2>/dev/null; kill -" + name + " " + group
            + " 2>/dev/null";
        if (marker != nullptr) {
            line += "; : > " + shellWord(unixName(folder_) + "/" + marker);
        }
        dispatcher_.send(line);
    }

    void readNewOutput(std::vector<std::string>& lines)
    {
        if (output_ == INVALID_HANDLE_VALUE) {
            output_ = CreateFileW((folder_ + L"\\out").c_str(), GENERIC_READ,
                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING, 0, nullptr);
            if (output_ == INVALID_HANDLE_VALUE) {
                return;
            }
        }
        char buffer[65536];
        DWORD read = 0;
        while (ReadFile(output_, buffer, sizeof(buffer), &read, nullptr) && read > 0) {
            splitter_.feed(buffer, read, lines);
        }
    }

    std::wstring folder_;
    Dispatcher& dispatcher_;
    HANDLE output_ = INVALID_HANDLE_VALUE;
    LineSplitter splitter_;
    int exitCode_ = -1;
    bool ended_ = false;
    bool stopping_ = false;
    bool started_ = false;
    bool paused_ = false;
    DWORD startTick_ = GetTickCount();
    static constexpr DWORD kStartTimeoutMs = 20000;
};

class WineRelayHost : public ToolHost {
public:
    WineRelayHost(std::wstring workFolder, const std::wstring& leftovers)
        : workFolder_(std::move(workFolder)), dispatcher_(workFolder_, leftovers)
    {
    }

    bool running() const { return dispatcher_.running(); }

    void shutDown() override { dispatcher_.close(); }

    const char* name() const override { return "wine-relay"; }

    bool hasTool(const std::string& tool) const override { return !unixToolPath(tool).empty(); }

    std::wstring toolPath(const std::wstring& windowsPath) const override { return fromUtf8(unixName(windowsPath)); }
    std::wstring toolListPath(const std::wstring& windowsPath) const override
    {
        return fromUtf8(unixNameWithoutDriveLinks(windowsPath));
    }

    std::unique_ptr<ToolJob> start(const std::string& tool, const std::vector<std::wstring>& arguments) override
    {
        const std::string command = commandLine({tool, arguments});
        return command.empty() ? nullptr : startScript(command + " > out 2>&1 < /dev/null\n");
    }

    // One script for the whole chain: one job start instead of one per tool.
    std::unique_ptr<ToolJob> startChain(const std::vector<Step>& steps) override
    {
        std::string body;
        for (const auto& step : steps) {
            const std::string command = commandLine(step);
            if (command.empty()) {
                return nullptr;
            }
            body += (body.empty() ? "{ " : " && ") + std::string("echo ") + shellWord(kChainMarker + step.tool) + " && "
                + command;
        }
        return body.empty() ? nullptr : startScript(body + "; } > out 2>&1 < /dev/null\n");
    }

private:
    // The tool's command, line-buffered (stdbuf) so each line reaches the output file as
    // it is written; empty when the tool is missing.
    static std::string commandLine(const Step& step)
    {
        const std::string program = unixToolPath(step.tool);
        if (program.empty()) {
            return {};
        }
        std::string command = "stdbuf -oL -eL " + shellWord(program);
        for (const auto& argument : step.arguments) {
            command += ' ';
            command += shellWord(toUtf8(argument));
        }
        return command;
    }

    // A job's script in a folder of its own: it writes its process-group id first and
    // the exit code of its commands last.
    std::unique_ptr<ToolJob> startScript(const std::string& commands)
    {
        const std::wstring folder = workFolder_ + L"\\job" + std::to_wstring(++jobs_);
        if (!CreateDirectoryW(folder.c_str(), nullptr)) {
            return nullptr;
        }
        const std::string unixFolder = unixName(folder);
        // $$ leads its own process group (setsid), so one kill reaches the tools too.
        const std::string script = "cd " + shellWord(unixFolder) + " || exit 1\n"
            "echo $$ > pid.tmp && mv pid.tmp pid\n"
            + commands + "echo $? > rc.tmp && mv rc.tmp rc\n";
        if (!writeWholeFile(folder + L"\\run.sh", script) || !dispatcher_.send("run " + unixFolder + "/run.sh")) {
            return nullptr;
        }
        return std::make_unique<WineRelayJob>(folder, dispatcher_);
    }

    static std::string unixToolPath(const std::string& tool)
    {
        for (const char* folder : {"/usr/bin/", "/usr/local/bin/", "/bin/"}) {
            const std::string path = folder + tool;
            if (fileExists(dosName(path))) {
                return path;
            }
        }
        return {};
    }

    std::wstring workFolder_;
    Dispatcher dispatcher_;
    int jobs_ = 0;
};

} // namespace

std::unique_ptr<ToolHost> makeWineRelayHost(const std::wstring& workFolder, const std::wstring& leftovers)
{
    if (!wineFileNamesAvailable() || !fileExists(dosName("/bin/sh"))
        || !fileExists(dosName("/usr/bin/setsid")) || !fileExists(dosName("/usr/bin/stdbuf"))) {
        return nullptr;
    }
    auto host = std::make_unique<WineRelayHost>(workFolder, leftovers);
    return host->running() ? std::move(host) : nullptr;
}

} // namespace reference
