#include "win/TaskbarProgress.h"

#include <objbase.h>
#include <shobjidl.h>

namespace win {

TaskbarButton::TaskbarButton(HWND window) : window_(window)
{
    const HRESULT init = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    comInitialised_ = SUCCEEDED(init); // S_FALSE too: every success is balanced
    void* object = nullptr;
    if (SUCCEEDED(CoCreateInstance(CLSID_TaskbarList, nullptr, CLSCTX_INPROC_SERVER, IID_ITaskbarList3, &object))) {
        auto* taskbar = static_cast<ITaskbarList3*>(object);
        if (SUCCEEDED(taskbar->HrInit())) {
            taskbar_ = taskbar;
        } else {
            taskbar->Release();
        }
    }
}

TaskbarButton::~TaskbarButton()
{
    if (taskbar_ != nullptr) {
        taskbar_->Release();
    }
    if (comInitialised_) {
        CoUninitialize();
    }
}

UINT TaskbarButton::buttonCreatedMessage()
{
    static const UINT message = RegisterWindowMessageW(L"TaskbarButtonCreated");
    return message;
}

void TaskbarButton::show(int state, std::uint64_t done, std::uint64_t total)
{
    if (taskbar_ == nullptr) {
        return;
    }
    // The value first: setting a value switches an indeterminate bar to normal.
    lastResult_ = S_OK;
    if (total != 0) {
        lastResult_ = taskbar_->SetProgressValue(window_, done, total);
    }
    const HRESULT stateResult = taskbar_->SetProgressState(window_, static_cast<TBPFLAG>(state));
    if (SUCCEEDED(lastResult_)) {
        lastResult_ = stateResult;
    }
}

void TaskbarButton::setIndeterminate() { show(TBPF_INDETERMINATE, 0, 0); }
void TaskbarButton::setProgress(std::uint64_t done, std::uint64_t total) { show(TBPF_NORMAL, done, total); }
void TaskbarButton::setError(std::uint64_t done, std::uint64_t total) { show(TBPF_ERROR, done, total); }
void TaskbarButton::setPaused(std::uint64_t done, std::uint64_t total) { show(TBPF_PAUSED, done, total); }
void TaskbarButton::clear() { show(TBPF_NOPROGRESS, 0, 0); }

} // namespace win
