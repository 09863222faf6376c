#include "app/DocumentCollector.h"

#include "win/FileSystem.h"
#include "win/Module.h"

namespace app {

namespace {

constexpr wchar_t kWindowClass[] = L"KorvelloDocumentCollector";
// Marks a handed-over file, so that no other WM_COPYDATA is taken for one.
constexpr ULONG_PTR kFileHandover = 0x4B564631; // "KVF1"
constexpr LRESULT kTaken = 1;
// Longest file name taken, in characters (the platform's longest path).
constexpr DWORD kMaxPathCharacters = 32767;
// Posted to the collector's window: files arrived, tell the listener.
constexpr UINT kMsgArrived = WM_APP + 7;
constexpr DWORD kRetryMilliseconds = 10;

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
                mutex_.reset();
                return Role::Alone;
            }
            remember(file);
            return Role::Collector;
        }
        mutex.reset();

        const DWORD elapsed = GetTickCount() - start;
        if (elapsed >= patienceMilliseconds) {
            return Role::Alone;
        }
        // The collector makes its window right after its name; until then, wait.
        const HWND collector = FindWindowExW(HWND_MESSAGE, nullptr, kWindowClass, name_.c_str());
        if (collector != nullptr) {
            DWORD_PTR answer = 0;
            if (SendMessageTimeoutW(collector, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data), SMTO_ABORTIFHUNG,
                    patienceMilliseconds - elapsed, &answer)
                != 0) {
                return answer == static_cast<DWORD_PTR>(kTaken) ? Role::HandedOver : Role::Alone;
            }
            // Gone while asked, or too slow: try again while there is time.
        }
        Sleep(kRetryMilliseconds);
    }
}

bool DocumentCollector::becomeCollector()
{
    const HINSTANCE module = win::moduleInstance();
    WNDCLASSEXW windowClass = {};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = &DocumentCollector::windowProc;
    windowClass.hInstance = module;
    windowClass.lpszClassName = kWindowClass;
    RegisterClassExW(&windowClass); // fails harmlessly when already registered
    window_ = CreateWindowExW(0, kWindowClass, name_.c_str(), 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, module, this);
    return window_ != nullptr;
}

void DocumentCollector::stop()
{
    if (window_ != nullptr) {
        DestroyWindow(window_);
        window_ = nullptr;
    }
    mutex_.reset();
    listener_ = nullptr;
}

void DocumentCollector::setListener(std::function<void()> listener)
{
    listener_ = std::move(listener);
    // Files that came while nobody listened are told of now.
    if (listener_ && !arrived_.empty() && window_ != nullptr) {
        PostMessageW(window_, kMsgArrived, 0, 0);
    }
}

std::vector<std::wstring> DocumentCollector::takeArrived()
{
    std::vector<std::wstring> files;
    files.swap(arrived_);
    return files;
}

void DocumentCollector::putBack(const std::vector<std::wstring>& files)
{
    arrived_.insert(arrived_.begin(), files.begin(), files.end());
}

bool DocumentCollector::remember(const std::wstring& path)
{
    return seen_.insert(win::pathKey(path)).second;
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
    if (path.find(L'\0') != std::wstring::npos || !accepting_) {
        return 0;
    }
    if (remember(path)) {
        arrived_.push_back(path);
        // The newcomer waits for this answer: the sheet or the queue hears of the file later.
        PostMessageW(window_, kMsgArrived, 0, 0);
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
    if (self != nullptr) {
        if (message == WM_COPYDATA) {
            return self->onCopyData(*reinterpret_cast<const COPYDATASTRUCT*>(lParam));
        }
        if (message == kMsgArrived) {
            if (!self->arrived_.empty() && self->listener_) {
                self->listener_();
            }
            return 0;
        }
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

} // namespace app
