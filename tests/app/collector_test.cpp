// Front ends gathering their files: who collects, what is handed over and when a
// newcomer runs on its own. Newcomers here are further collectors of this process (a
// message to a window of one's own thread is a plain call); tests/e2e races processes.
#include <gtest/gtest.h>

#include "app/DocumentCollector.h"
#include "support/ScratchFiles.h"
#include "win/Handle.h"

#include <thread>

using Role = app::DocumentCollector::Role;

namespace {

std::wstring scope()
{
    return L"test" + std::to_wstring(GetCurrentProcessId());
}

// Lets the collector's posted notices reach its listener.
void pumpMessages()
{
    MSG message = {};
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        DispatchMessageW(&message);
    }
}

} // namespace

TEST(DocumentCollector, FirstCollectsOthersHandOverOnceEachResolvedAgainstTheirFolder)
{
    testing_support::ScratchFolder folder;
    app::DocumentCollector collector(scope());
    ASSERT_EQ(Role::Collector, collector.join(folder.file(L"first.pdf")));
    int told = 0;
    collector.setListener([&] { ++told; });

    SetCurrentDirectoryW(folder.path().c_str());
    for (const wchar_t* file : {L"second.pdf", L"Third file ü.pdf", L"SECOND.PDF", L"first.pdf"}) {
        app::DocumentCollector newcomer(scope());
        EXPECT_EQ(Role::HandedOver, newcomer.join(file)) << file;
        EXPECT_FALSE(newcomer.collecting());
    }
    pumpMessages();
    EXPECT_GE(told, 1);
    // Relative names made absolute; a file given twice (in any case) while it waits is
    // taken once. The collector's own file arrives too: the sheet or the queue holding it
    // knows it.
    EXPECT_EQ((std::vector<std::wstring>{folder.file(L"second.pdf"), folder.file(L"Third file ü.pdf"), folder.file(L"first.pdf")}),
        collector.takeArrived());
    EXPECT_TRUE(collector.takeArrived().empty());
}

TEST(DocumentCollector, RefusingOrStoppedCollectorLetsNewcomersGoTheirWay)
{
    app::DocumentCollector collector(scope());
    ASSERT_EQ(Role::Collector, collector.join(L"C:\\a.pdf"));
    collector.setAccepting(false);
    {
        app::DocumentCollector newcomer(scope());
        EXPECT_EQ(Role::Alone, newcomer.join(L"C:\\b.pdf", 300));
    }
    EXPECT_TRUE(collector.takeArrived().empty());
    collector.stop();
    app::DocumentCollector next(scope());
    EXPECT_EQ(Role::Collector, next.join(L"C:\\c.pdf"));
    app::DocumentCollector last(scope());
    EXPECT_EQ(Role::HandedOver, last.join(L"C:\\d.pdf"));
    EXPECT_EQ(std::vector<std::wstring>{L"C:\\d.pdf"}, next.takeArrived());
}

// A collector too busy to answer in time: the newcomer runs on its own, and the file it
// stopped waiting for never reaches the collector, so nothing is converted twice.
TEST(DocumentCollector, ACollectorTooBusyToAnswerNeverGetsTheFileItsNewcomerKept)
{
    app::DocumentCollector collector(scope());
    ASSERT_EQ(Role::Collector, collector.join(L"C:\\a.pdf"));
    const win::UniqueHandle busy(OpenThread(THREAD_SUSPEND_RESUME, FALSE, GetWindowThreadProcessId(collector.window(), nullptr)));
    ASSERT_TRUE(busy);
    ASSERT_NE(static_cast<DWORD>(-1), SuspendThread(busy.get()));
    Role role = Role::Collector;
    std::thread newcomer([&] { role = app::DocumentCollector(scope()).join(L"C:\\late.pdf", 300); });
    newcomer.join();
    ResumeThread(busy.get());
    EXPECT_EQ(Role::Alone, role);
    // The collector goes on; only the next newcomer's file arrives.
    app::DocumentCollector next(scope());
    EXPECT_EQ(Role::HandedOver, next.join(L"C:\\b.pdf"));
    EXPECT_EQ(std::vector<std::wstring>{L"C:\\b.pdf"}, collector.takeArrived());
}

// The user's second "Convert to DjVu..." of a file already taken (it left the sheet, or
// was converted) is delivered again.
TEST(DocumentCollector, AFileHandedOverAgainAfterItWasTakenArrivesAgain)
{
    app::DocumentCollector collector(scope());
    ASSERT_EQ(Role::Collector, collector.join(L"C:\\a.pdf"));
    for (int time = 1; time <= 2; ++time) {
        app::DocumentCollector newcomer(scope());
        EXPECT_EQ(Role::HandedOver, newcomer.join(L"C:\\b.pdf"));
        EXPECT_EQ(std::vector<std::wstring>{L"C:\\b.pdf"}, collector.takeArrived()) << time;
    }
}

// Stopping refuses newcomers first, then hands back what was taken and not read, so that
// nobody told "taken" loses a file.
TEST(DocumentCollector, StoppingHandsBackTheFilesNotReadAndRefusesTheNext)
{
    app::DocumentCollector collector(scope());
    ASSERT_EQ(Role::Collector, collector.join(L"C:\\a.pdf"));
    {
        app::DocumentCollector newcomer(scope());
        ASSERT_EQ(Role::HandedOver, newcomer.join(L"C:\\b.pdf"));
    }
    EXPECT_EQ(std::vector<std::wstring>{L"C:\\b.pdf"}, collector.stop());
    EXPECT_TRUE(collector.takeArrived().empty());
    EXPECT_TRUE(collector.stop().empty());
    app::DocumentCollector next(scope());
    EXPECT_EQ(Role::Collector, next.join(L"C:\\c.pdf"));
}

TEST(DocumentCollector, FilesWaitingForAListenerAreToldOfWhenOneComes)
{
    app::DocumentCollector collector(scope());
    ASSERT_EQ(Role::Collector, collector.join(L"C:\\a.pdf"));
    app::DocumentCollector newcomer(scope());
    ASSERT_EQ(Role::HandedOver, newcomer.join(L"C:\\b.pdf"));
    pumpMessages(); // nobody listens yet
    std::vector<std::wstring> heard;
    collector.setListener([&] { heard = collector.takeArrived(); });
    pumpMessages();
    EXPECT_EQ(std::vector<std::wstring>{L"C:\\b.pdf"}, heard);
}

TEST(DocumentCollector, ForeignMessagesAreNotTaken)
{
    app::DocumentCollector collector(scope());
    ASSERT_EQ(Role::Collector, collector.join(L"C:\\a.pdf"));
    const wchar_t text[] = L"C:\\x.pdf"; // no terminating zero sent, then another kind of data
    COPYDATASTRUCT data = {0x4B564631, static_cast<DWORD>(wcslen(text) * sizeof(wchar_t)), const_cast<wchar_t*>(text)};
    EXPECT_EQ(0, SendMessageW(collector.window(), WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data)));
    data.dwData = 1;
    data.cbData = sizeof(text);
    EXPECT_EQ(0, SendMessageW(collector.window(), WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data)));
    EXPECT_TRUE(collector.takeArrived().empty());
}

// A collector on a busy machine may make its window seconds after its name: the newcomer
// still gets its full patience for the answer once the window is there.
TEST(DocumentCollector, ACollectorSlowToMakeItsWindowStillGetsTheFile)
{
    const std::wstring name = L"Local\\Korvello_GUI_Collector_" + scope();
    win::UniqueHandle starting(CreateMutexW(nullptr, FALSE, name.c_str()));
    ASSERT_TRUE(starting);
    std::wstring received;
    std::thread collector([&] {
        Sleep(app::DocumentCollector::kPatienceMilliseconds + 500);
        // The class may be registered by this process's collectors already: the window is
        // made of it and answered here.
        WNDCLASSEXW windowClass = {};
        windowClass.cbSize = sizeof(windowClass);
        windowClass.lpfnWndProc = DefWindowProcW;
        windowClass.lpszClassName = L"KorvelloDocumentCollector";
        RegisterClassExW(&windowClass);
        const HWND window = CreateWindowExW(0, windowClass.lpszClassName, name.c_str(), 0, 0, 0, 0, 0, HWND_MESSAGE,
            nullptr, GetModuleHandleW(nullptr), nullptr);
        const WNDPROC answer = [](HWND window, UINT message, WPARAM wParam, LPARAM lParam) -> LRESULT {
            if (message == WM_COPYDATA) {
                const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
                *reinterpret_cast<std::wstring*>(GetWindowLongPtrW(window, GWLP_USERDATA)) =
                    static_cast<const wchar_t*>(data->lpData);
                return 1;
            }
            return DefWindowProcW(window, message, wParam, lParam);
        };
        SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(answer));
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&received));
        MSG message = {};
        for (const DWORD start = GetTickCount(); received.empty() && GetTickCount() - start < 3000;) {
            while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
                DispatchMessageW(&message);
            }
            Sleep(5);
        }
        DestroyWindow(window);
    });
    app::DocumentCollector newcomer(scope());
    EXPECT_EQ(Role::HandedOver, newcomer.join(L"C:\\late.pdf"));
    collector.join();
    EXPECT_EQ(L"C:\\late.pdf", received);
}
