// What happens when a run is done: the rule for failures, the countdown window with a
// recorder in place of the machine's power calls, and the time line's texts.
#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <utility>
#include <thread>
#include <vector>

#include "ui/TimeText.h"
#include "ui/WhenDone.h"
#include "res/resource.h"

namespace {

class RecordingPower : public win::SystemPower {
public:
    bool perform(win::PowerAction action, DWORD& error) override
    {
        actions.push_back(action);
        error = refuse;
        return refuse == 0;
    }
    std::vector<win::PowerAction> actions;
    DWORD refuse = 0;
};

// The countdown's window, found by its text control, once it shows.
HWND findCountdown(DWORD threadId)
{
    for (int i = 0; i < 1000; ++i) {
        HWND found = nullptr;
        EnumThreadWindows(threadId, [](HWND window, LPARAM out) {
            if (GetDlgItem(window, IDC_COUNTDOWN_TEXT) != nullptr) {
                *reinterpret_cast<HWND*>(out) = window;
                return FALSE;
            }
            return TRUE;
        }, reinterpret_cast<LPARAM>(&found));
        if (found != nullptr) {
            return found;
        }
        Sleep(5);
    }
    return nullptr;
}

std::wstring countdownText(HWND window)
{
    wchar_t text[256] = {};
    GetDlgItemTextW(window, IDC_COUNTDOWN_TEXT, text, 256);
    return text;
}

// Runs the countdown on this thread; a user on another reads its first text and, when
// cancel is true, presses Cancel. Returns the countdown's result and the text read.
std::pair<bool, std::wstring> runCountdown(ui::WhenDoneCountdown& countdown, bool cancel)
{
    std::wstring shown;
    const DWORD threadId = GetCurrentThreadId();
    std::thread user([&] {
        const HWND window = findCountdown(threadId);
        ASSERT_NE(window, nullptr);
        shown = countdownText(window);
        if (cancel) {
            PostMessageW(window, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        }
    });
    const bool asked = countdown.run(nullptr);
    user.join();
    return {asked, shown};
}

} // namespace

TEST(WhenDone, TheComputerIsLeftAloneAfterAFailureUnlessChosenForIt)
{
    EXPECT_TRUE(ui::whenDoneApplies(ui::WhenDone::ShutDown, true, false));
    EXPECT_FALSE(ui::whenDoneApplies(ui::WhenDone::ShutDown, false, false));
    EXPECT_TRUE(ui::whenDoneApplies(ui::WhenDone::Sleep, false, true));
    EXPECT_FALSE(ui::whenDoneApplies(ui::WhenDone::Nothing, true, true));
    EXPECT_TRUE(ui::whenDoneChangesTheComputer(ui::WhenDone::Hibernate));
    EXPECT_FALSE(ui::whenDoneChangesTheComputer(ui::WhenDone::CloseWindow));
    EXPECT_EQ(ui::WhenDoneCountdown::secondsLeft(30000, 0), 30);
    EXPECT_EQ(ui::WhenDoneCountdown::secondsLeft(30000, 29001), 1);
    EXPECT_EQ(ui::WhenDoneCountdown::secondsLeft(30000, 30000), 0);
}

TEST(WhenDoneCountdown, CancelledItAsksNothingOfTheSystem)
{
    RecordingPower power;
    ui::WhenDoneCountdown countdown(win::PowerAction::ShutDown, power);
    const auto [asked, shown] = runCountdown(countdown, true);
    EXPECT_FALSE(asked);
    EXPECT_EQ(shown, L"The computer will shut down in 30 seconds.");
    EXPECT_TRUE(power.actions.empty());
}

TEST(WhenDoneCountdown, AtTheEndTheActionIsAskedOfTheSystem)
{
    RecordingPower power;
    ui::WhenDoneCountdown countdown(win::PowerAction::Sleep, power, 1500);
    const auto [asked, first] = runCountdown(countdown, false);
    EXPECT_TRUE(asked);
    EXPECT_EQ(first.rfind(L"The computer will go to sleep in ", 0), 0u) << first;
    ASSERT_EQ(power.actions.size(), 1u);
    EXPECT_EQ(power.actions[0], win::PowerAction::Sleep);
}

TEST(WhenDoneJapanese, TheCountdownSpeaksJapanese)
{
    RecordingPower power;
    ui::WhenDoneCountdown countdown(win::PowerAction::Hibernate, power);
    const auto [asked, shown] = runCountdown(countdown, true);
    EXPECT_FALSE(asked);
    EXPECT_EQ(shown, L"30 秒後にコンピューターを休止状態にします。");
}

TEST(TimeLine, ElapsedTimeLeftAboutAndPaused)
{
    converter::TimeLeft exact{true, 125000, false};
    converter::TimeLeft rough{true, 183000, true};
    converter::TimeLeft unknown;
    EXPECT_EQ(ui::clockText(3723000), L"1:02:03");
    EXPECT_EQ(ui::timeLineText(42000, false, unknown, std::nullopt), L"Elapsed: 0:42");
    EXPECT_EQ(ui::timeLineText(42000, false, exact, std::nullopt), L"Elapsed: 0:42    Time left: 2:05");
    EXPECT_EQ(ui::timeLineText(42000, false, rough, std::nullopt), L"Elapsed: 0:42    Time left: about 3:00");
    EXPECT_EQ(ui::timeLeftText({true, 12000, true}), L"about 15 s");
    EXPECT_EQ(ui::timeLineText(42000, true, exact, rough), L"Elapsed: 0:42    Paused");
    EXPECT_EQ(ui::timeLineText(42000, false, exact, rough), L"Elapsed: 0:42    Time left: 2:05    Queue: about 3:00");
}
