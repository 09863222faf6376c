// The progress shown on a window's taskbar button. TaskbarProgress is the narrow interface
// the rest of the program drives (tests record it); TaskbarButton implements it with the
// shell's ITaskbarList3 and does nothing where that interface is missing.
#pragma once

#include <windows.h>

#include <cstdint>

struct ITaskbarList3;

namespace win {

class TaskbarProgress {
public:
    virtual ~TaskbarProgress() = default;
    // A moving bar without a value: work is under way, its amount unknown.
    virtual void setIndeterminate() = 0;
    // The normal bar at done of total.
    virtual void setProgress(std::uint64_t done, std::uint64_t total) = 0;
    // The bar in the error colour at done of total.
    virtual void setError(std::uint64_t done, std::uint64_t total) = 0;
    // The bar in the paused colour at done of total.
    virtual void setPaused(std::uint64_t done, std::uint64_t total) = 0;
    // No progress shown.
    virtual void clear() = 0;
};

class TaskbarButton : public TaskbarProgress {
public:
    // Creates the shell's taskbar object for the window's button. COM is initialised
    // for the calling thread while the object lives. Every failure leaves an object
    // whose calls do nothing.
    explicit TaskbarButton(HWND window);
    ~TaskbarButton() override;
    TaskbarButton(const TaskbarButton&) = delete;
    TaskbarButton& operator=(const TaskbarButton&) = delete;

    // True when the platform provides the taskbar interface.
    bool available() const { return taskbar_ != nullptr; }
    // The result of the last call to the taskbar interface (S_OK before the first).
    HRESULT lastResult() const { return lastResult_; }

    // The message the shell sends to a window when its taskbar button has been (re)created;
    // calls made before that are lost, so the caller repeats the current state then.
    static UINT buttonCreatedMessage();

    void setIndeterminate() override;
    void setProgress(std::uint64_t done, std::uint64_t total) override;
    void setError(std::uint64_t done, std::uint64_t total) override;
    void setPaused(std::uint64_t done, std::uint64_t total) override;
    void clear() override;

private:
    void show(int state, std::uint64_t done, std::uint64_t total);

    HWND window_ = nullptr;
    ITaskbarList3* taskbar_ = nullptr;
    bool comInitialised_ = false;
    HRESULT lastResult_ = S_OK;
};

} // namespace win
