#include "app/DocumentCollector.h"

#include "win/FileSystem.h"
#include "win/Module.h"

namespace app {

namespace {

constexpr wchar_t kWindowClass[] = L"KorvelloDocumentCollector";
constexpr wchar_t kListenerClass[] = L"KorvelloDocumentListener";
// Marks a handed-over file, so that no other WM_COPYDATA is taken for one.
constexpr ULONG_PTR kFileHandover = 0x4B564631; // "KVF1"
constexpr LRESULT kTaken = 1;
// Longest file name taken, in characters (the platform's longest path).
constexpr DWORD kMaxPathCharacters = 32767;
// Posted to the listener's window: files arrived.
constexpr UINT kMsgArrived = WM_APP + 7;
constexpr DWORD kRetryMilliseconds = 10;

void registerClass(const wchar_t* name, WNDPROC procedure)
{
    WNDCLASSEXW windowClass = {};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = win::moduleInstance();
    windowClass.lpszClassName = name;
    RegisterClassExW(&windowClass); // fails harmlessly when already registered
}

} // namespace

DocumentCollector::DocumentCollector(std::wstring scope) : name_(L"Local\\Korvello_GUI_Collector_" + scope) {}

DocumentCollector::~DocumentCollector()
{
    stop();
}

std::wstring DocumentCollector::defaultScope()
{
    return win::userName();
}

DocumentCollector::Role DocumentCollector::join(const std::wstring& path, DWORD patienceMilliseconds)
{
    const std::wstring file = win::fullPath(path);
    COPYDATASTRUCT data = {};
    data.dwData = kFileHandover;
    data.cbData = static_cast<DWORD>((file.size() + 1) * sizeof(wchar_t));
    data.lpData = const_cast<wchar_t*>(file.c_str());

    const DWORD start = GetTickCount();
    // The answer's patience counts from when the collector's window was found: one that
    // took long to make its window on a busy machine is not given less time to answer.
    HWND asked = nullptr;
    DWORD askedSince = 0;
    for (;;) {
        // Whoever creates the name first collects. A collector that is ending (or was
        // ended) takes its name with it, so the next try may find none and collect.
        win::UniqueHandle mutex(CreateMutexW(nullptr, FALSE, name_.c_str()));
        if (!mutex) {
            return Role::Alone;
        }
        if (GetLastError() != ERROR_ALREADY_EXISTS) {
            mutex_ = std::move(mutex);
            if (!becomeCollector()) {
                stop();
                return Role::Alone;
            }
            return Role::Collector;
        }
        mutex.reset();

        const HWND collector = FindWindowExW(HWND_MESSAGE, nullptr, kWindowClass, name_.c_str());
        if (collector != nullptr) {
            if (collector != asked) {
                asked = collector;
                askedSince = GetTickCount();
            }
            const DWORD waited = GetTickCount() - askedSince;
            if (waited >= patienceMilliseconds) {
                return Role::Alone; // hung
            }
            DWORD_PTR answer = 0;
            if (SendMessageTimeoutW(collector, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data), SMTO_ABORTIFHUNG,
                    patienceMilliseconds - waited, &answer)
                != 0) {
                return answer == static_cast<DWORD_PTR>(kTaken) ? Role::HandedOver : Role::Alone;
            }
            // Gone while asked, or too slow: try again while there is time.
        } else if (GetTickCount() - start >= kStartingCollectorMilliseconds) {
            // A collector makes its window right after its name; one still starting on a
            // busy machine is waited for, but not for ever.
            return Role::Alone;
        }
        Sleep(kRetryMilliseconds);
    }
}

bool DocumentCollector::becomeCollector()
{
    registerClass(kWindowClass, &DocumentCollector::windowProc);
    registerClass(kListenerClass, &DocumentCollector::listenerProc);
    listenerWindow_ = CreateWindowExW(0, kListenerClass, nullptr, 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
        win::moduleInstance(), this);
    ready_.reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (listenerWindow_ == nullptr || !ready_) {
        return false;
    }
    thread_.reset(CreateThread(nullptr, 0, &DocumentCollector::windowThread, this, 0, nullptr));
    if (!thread_) {
        return false;
    }
    // The thread sets window_ (or leaves it null) before it says it is ready.
    WaitForSingleObject(ready_.get(), INFINITE);
    return window_ != nullptr;
}

DWORD WINAPI DocumentCollector::windowThread(void* collector)
{
    auto* self = static_cast<DocumentCollector*>(collector);
    self->window_ = CreateWindowExW(0, kWindowClass, self->name_.c_str(), 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
        win::moduleInstance(), self);
    SetEvent(self->ready_.get());
    if (self->window_ == nullptr) {
        return 1;
    }
    MSG message = {};
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        DispatchMessageW(&message);
    }
    return 0;
}

void DocumentCollector::setAccepting(bool accepting)
{
    const std::lock_guard lock(filesMutex_);
    accepting_ = accepting;
}

std::vector<std::wstring> DocumentCollector::stop()
{
    // Refused from now on: no newcomer is told "taken" for a file nobody will read.
    setAccepting(false);
    if (window_ != nullptr) {
        // The window goes next: a newcomer asking now fails, tries again and finds no name.
        PostMessageW(window_, WM_CLOSE, 0, 0);
    }
    if (thread_) {
        WaitForSingleObject(thread_.get(), INFINITE);
        thread_.reset();
    }
    window_ = nullptr;
    mutex_.reset();
    if (listenerWindow_ != nullptr) {
        DestroyWindow(listenerWindow_);
        listenerWindow_ = nullptr;
    }
    listener_ = nullptr;
    return takeArrived();
}

void DocumentCollector::setListener(std::function<void()> listener)
{
    listener_ = std::move(listener);
    // Files that came while nobody listened are told of now.
    const std::lock_guard lock(filesMutex_);
    if (listener_ && !arrived_.empty()) {
        tellListenerSoon();
    }
}

std::vector<std::wstring> DocumentCollector::takeArrived()
{
    std::vector<std::wstring> files;
    const std::lock_guard lock(filesMutex_);
    files.swap(arrived_);
    return files;
}

void DocumentCollector::putBack(const std::vector<std::wstring>& files)
{
    const std::lock_guard lock(filesMutex_);
    arrived_.insert(arrived_.begin(), files.begin(), files.end());
}

void DocumentCollector::tellListenerSoon()
{
    if (listenerWindow_ != nullptr) {
        PostMessageW(listenerWindow_, kMsgArrived, 0, 0);
    }
}

LRESULT DocumentCollector::onCopyData(const COPYDATASTRUCT& data)
{
    const DWORD characters = data.cbData / sizeof(wchar_t);
    if (data.dwData != kFileHandover || data.lpData == nullptr || data.cbData % sizeof(wchar_t) != 0
        || characters < 2 || characters > kMaxPathCharacters + 1) {
        return 0;
    }
    const auto* text = static_cast<const wchar_t*>(data.lpData);
    if (text[characters - 1] != L'\0') {
        return 0;
    }
    const std::wstring path(text, characters - 1);
    if (path.find(L'\0') != std::wstring::npos) {
        return 0;
    }
    // Under the lock: stop() refuses first, then hands on whatever was taken.
    const std::lock_guard lock(filesMutex_);
    if (!accepting_) {
        return 0;
    }
    const std::wstring key = win::pathKey(path);
    bool waiting = false;
    for (const std::wstring& file : arrived_) {
        waiting = waiting || win::pathKey(file) == key;
    }
    if (!waiting) {
        arrived_.push_back(path);
        // The newcomer waits for this answer: the sheet or the queue hears of the file later.
        tellListenerSoon();
    }
    return kTaken;
}

LRESULT CALLBACK DocumentCollector::windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* self = reinterpret_cast<DocumentCollector*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self != nullptr && message == WM_COPYDATA) {
        return self->onCopyData(*reinterpret_cast<const COPYDATASTRUCT*>(lParam));
    }
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

LRESULT CALLBACK DocumentCollector::listenerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* self = reinterpret_cast<DocumentCollector*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self != nullptr && message == kMsgArrived) {
        bool waiting = false;
        {
            const std::lock_guard lock(self->filesMutex_);
            waiting = !self->arrived_.empty();
        }
        if (waiting && self->listener_) {
            self->listener_();
        }
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

} // namespace app
