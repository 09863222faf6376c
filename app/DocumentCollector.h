// Front ends started together by the file manager, one per selected file, gather their
// files into one: the first becomes the collector and shows its sheet, the others hand
// their file to it and end. The collector is found by a per-user, per-session name: a
// mutex says one exists, a message-only window of that name takes files by WM_COPYDATA.
// The window has a thread of its own, so newcomers get their answer at once while the
// program's own thread builds a sheet, asks a question or runs a queue.
#pragma once

#include <windows.h>

#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "win/Handle.h"

namespace app {

class DocumentCollector {
public:
    // scope: what the names end with (by default the user's name; tests pick their own).
    explicit DocumentCollector(std::wstring scope = defaultScope());
    ~DocumentCollector();
    DocumentCollector(const DocumentCollector&) = delete;
    DocumentCollector& operator=(const DocumentCollector&) = delete;

    static std::wstring defaultScope();

    // How long a newcomer waits for a collector's answer before it runs on its own, and
    // how long for the window of a collector that is still starting.
    static constexpr DWORD kPatienceMilliseconds = 2000;
    static constexpr DWORD kStartingCollectorMilliseconds = 10000;

    enum class Role {
        Collector,  // this process collects (and has its own file)
        HandedOver, // the collector took the file: this process ends
        Alone,      // no collector answered or it refused: this process runs on its own
    };
    // Hands the file (made absolute against the working folder) to the running collector,
    // or becomes the collector when there is none.
    Role join(const std::wstring& path, DWORD patienceMilliseconds = kPatienceMilliseconds);

    // Collector: files handed over are taken while accepting, refused otherwise (the
    // newcomer then runs on its own). A file already waiting to be taken is taken but not
    // kept twice; one handed over again after it was taken arrives again.
    // Once it returns, no file is being taken any more (a refusal is final for files
    // still on their way; takeArrived then holds every file taken).
    void setAccepting(bool accepting);
    // Collector: called on the thread that joined, from its message loop, after files
    // arrived (also soon after it is set, when files wait).
    void setListener(std::function<void()> listener);
    // Collector: the files that arrived since the last call, in their order.
    std::vector<std::wstring> takeArrived();
    // Collector: files taken but not used yet go back to the front, in their order.
    void putBack(const std::vector<std::wstring>& files);
    // Ends collecting: newcomers are refused at once, then find no collector (the first
    // becomes one). Returns the files taken but not used yet, for someone to convert them.
    std::vector<std::wstring> stop();

    bool collecting() const { return window_ != nullptr; }
    HWND window() const { return window_; }

private:
    bool becomeCollector();
    static DWORD WINAPI windowThread(void* collector);
    static LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK listenerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT onCopyData(const COPYDATASTRUCT& data);
    void tellListenerSoon();

    std::wstring name_;
    win::UniqueHandle mutex_;
    win::UniqueHandle thread_;
    win::UniqueHandle ready_;
    HWND window_ = nullptr;         // the named window, on its own thread
    HWND listenerWindow_ = nullptr; // on the joining thread: runs the listener
    bool accepting_ = true; // guarded by filesMutex_
    std::function<void()> listener_;
    std::mutex filesMutex_; // guards arrived_ and the answer to a newcomer
    std::vector<std::wstring> arrived_;
};

} // namespace app
