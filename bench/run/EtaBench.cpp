// The time left against the time the run really took: the stand-in plays 200 pages of
// uneven, known times (20 to 140 ms, a fixed pseudo-random order); the run's updates feed
// the estimate as the progress window does, which is read every 100 ms. The figure is the
// mean absolute error over the run's second half divided by the run's time.
#include "EtaBench.h"

#include <windows.h>

#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <string>
#include <vector>

#include "converter/ConversionRun.h"
#include "converter/RunTime.h"
#include "support/BenchSupport.h"
#include "support/ScratchFiles.h"
#include "support/StandInRun.h"

namespace {

// Takes the run's updates on the calling thread; between them, every 100 ms, notes the
// estimate and when it was taken.
class SamplingView : public converter::RunView {
public:
    struct Sample {
        DWORD tick;
        converter::TimeLeft left;
    };

    converter::RunEnd present(converter::ConversionRun& run) override
    {
        times.start(GetTickCount());
        if (!run.start(nullptr)) {
            return converter::RunEnd::NotStarted;
        }
        std::unique_lock lock(mutex_);
        DWORD nextSample = GetTickCount();
        for (;;) {
            changed_.wait_for(lock, std::chrono::milliseconds(10), [this] { return woken_; });
            woken_ = false;
            lock.unlock();
            if (const std::optional<converter::RunUpdate> update = run.takeUpdate()) {
                times.take(*update);
                if (update->outcome) {
                    endTick = GetTickCount();
                    return converter::RunEnd::Closed;
                }
            }
            const DWORD now = GetTickCount();
            if (static_cast<LONG>(now - nextSample) >= 0) {
                samples.push_back({now, times.timeLeft(now)});
                nextSample += 100;
            }
            lock.lock();
        }
    }
    void wakeViewThread() override
    {
        const std::lock_guard lock(mutex_);
        woken_ = true;
        changed_.notify_all();
    }

    converter::RunTimes times;
    std::vector<Sample> samples;
    DWORD endTick = 0;

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    bool woken_ = false;
};

} // namespace

void benchTimeLeft(const std::wstring& ruleFile)
{
    // Uneven page times with a mean of 80 ms, the same order every round.
    std::string times;
    unsigned state = 12345;
    for (int page = 0; page < 200; ++page) {
        state = state * 1103515245u + 12345u;
        if (page != 0) {
            times.push_back(',');
        }
        times.append(std::to_string(20 + (state >> 16) % 121));
    }
    converter::ConversionRun run(ruleFile);
    converter::RunSetup setup;
    setup.killEventName = progress_test::uniqueKillEventName();
    setup.commandLine = progress_test::standInCommandLine(setup.killEventName,
        progress_test::writeScript("pages 200 " + times + "\nexit 0\n"), progress_test::temporaryDirectory() + L"bench_eta.djvu");
    SamplingView view;
    const DWORD startTick = GetTickCount();
    run.run(setup, view);
    const double runMs = static_cast<double>(view.endTick - startTick);
    double errorSum = 0;
    int counted = 0;
    int unknown = 0;
    for (const SamplingView::Sample& sample : view.samples) {
        const double at = static_cast<double>(sample.tick - startTick);
        if (at < runMs / 2) {
            continue;
        }
        if (!sample.left.known) {
            ++unknown;
            continue;
        }
        errorSum += std::fabs(static_cast<double>(sample.left.milliseconds) - (runMs - at));
        ++counted;
    }
    const double share = counted > 0 ? errorSum / counted / runMs : 1.0;
    std::printf("time left: 200 uneven pages (20-140 ms) in %.0f ms; second half: %d estimates, %d without, mean "
                "absolute error %.0f ms\n",
        runMs, counted, unknown, counted > 0 ? errorSum / counted : 0.0);
    bench::figure("eta_error_share", share, "ratio");
}
