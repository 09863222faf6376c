// The pieces of the Wine host that meet Linux: file names in both worlds, shell words,
// starting a shell script as a Linux process, and the dispatcher shell that starts the
// jobs of a run.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace reference {

// Wine's converters of file names; false when they are missing (not under Wine).
bool wineFileNamesAvailable();
std::string unixName(const std::wstring& windowsPath);
// The unix name through the prefix's drive folders instead of its drive links (whose
// names hold a colon, which splits a search list such as the renderer's -I).
std::string unixNameWithoutDriveLinks(const std::wstring& windowsPath);
std::wstring dosName(const std::string& unixPath);
// A word for /bin/sh, in single quotes.
std::string shellWord(const std::string& word);
// Starts "/usr/bin/setsid /bin/sh <script> <arguments>" without waiting.
bool startShellScript(const std::vector<std::string>& scriptAndArguments);

// The dispatcher of a run: one Linux shell, started once, which starts the jobs and
// sends the signals its queue file asks for (one line each), and a heartbeat that
// keeps its watchdog quiet while this program runs.
class Dispatcher {
public:
    Dispatcher(const std::wstring& workFolder, const std::wstring& leftovers);
    ~Dispatcher() { close(); }
    Dispatcher(const Dispatcher&) = delete;
    Dispatcher& operator=(const Dispatcher&) = delete;

    bool running() const { return running_; }
    // One line for the dispatcher, written whole in one append.
    bool send(const std::string& line);
    // Tells the dispatcher to end, and stops the heartbeat.
    void close();

private:
    static DWORD WINAPI beat(void* self);

    std::wstring queuePath_;
    std::wstring alivePath_;
    HANDLE queue_ = INVALID_HANDLE_VALUE;
    HANDLE stopBeating_ = nullptr;
    HANDLE heartbeat_ = nullptr;
    bool running_ = false;
};

} // namespace reference
