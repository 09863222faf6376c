// The elapsed time and the time left, from page times given as run times in ms.
#include <gtest/gtest.h>

#include "converter/RunTime.h"
#include "converter/RunUpdate.h"

using converter::PageTimeEstimator;
using converter::QueueTimeEstimator;
using converter::RunClock;

namespace {

// Pages 1.. started every `each` ms from 0.
PageTimeEstimator evenPages(int total, int started, DWORD each)
{
    PageTimeEstimator pages;
    pages.setTotalPages(total);
    for (int page = 1; page <= started; ++page) {
        pages.pageStarted(page, static_cast<DWORD>(page - 1) * each);
    }
    return pages;
}

} // namespace

TEST(TimeLeft, NoneBeforeTwoPagesAreDoneNorWithoutAPageCount)
{
    EXPECT_FALSE(evenPages(10, 1, 100).estimate(50).known);
    EXPECT_FALSE(evenPages(10, 2, 100).estimate(150).known); // one page done
    EXPECT_TRUE(evenPages(10, 3, 100).estimate(200).known);
    // Page lines without the page-count line (or a converter that prints none).
    EXPECT_FALSE(evenPages(0, 6, 100).estimate(600).known);
    EXPECT_FALSE(PageTimeEstimator().estimate(5000).known);
}

TEST(TimeLeft, EvenPagesCountDownThroughThePageUnderWay)
{
    const PageTimeEstimator pages = evenPages(10, 3, 100); // page 3 began at 200: 8 pages left
    EXPECT_EQ(pages.estimate(200).milliseconds, 800u);
    EXPECT_EQ(pages.estimate(250).milliseconds, 750u);
    // A page that overruns the mean leaves the pages after it, not less.
    EXPECT_EQ(pages.estimate(400).milliseconds, 700u);
    // The last page under way counts down to nothing.
    EXPECT_EQ(evenPages(10, 10, 100).estimate(950).milliseconds, 50u);
}

TEST(TimeLeft, RoughUntilEnoughEvenPagesAndWhilePageTimesSpread)
{
    EXPECT_TRUE(evenPages(100, 4, 100).estimate(300).rough);
    EXPECT_FALSE(evenPages(100, 30, 100).estimate(2900).rough);
    PageTimeEstimator uneven;
    uneven.setTotalPages(100);
    DWORD at = 0;
    for (int page = 1; page <= 30; ++page) {
        uneven.pageStarted(page, at);
        at += page % 2 == 0 ? 20 : 400;
    }
    EXPECT_TRUE(uneven.estimate(at - 10).rough);
}

TEST(TimeLeft, FollowsAChangeOfPaceAndSharesPagesHandedOverTogether)
{
    PageTimeEstimator pages;
    pages.setTotalPages(100);
    DWORD at = 0;
    for (int page = 1; page <= 41; ++page) {
        pages.pageStarted(page, at);
        at += page <= 20 ? 100 : 300;
    }
    EXPECT_NEAR(pages.pageMilliseconds(), 300.0, 1.0); // the later half only
    // Three page lines in one hand-over: the pages between share the time.
    PageTimeEstimator together;
    together.setTotalPages(10);
    together.pageStarted(1, 0);
    together.pageStarted(4, 300);
    EXPECT_EQ(together.pagesDone(), 3);
    EXPECT_NEAR(together.pageMilliseconds(), 100.0, 0.5);
}

TEST(RunClock, PausesDoNotCountAndPageStampsFromBeforeAPauseKeepTheirTime)
{
    RunClock clock;
    clock.start(1000);
    EXPECT_EQ(clock.runTimeAt(1500), 500u);
    clock.pause(1500);
    EXPECT_TRUE(clock.paused());
    EXPECT_EQ(clock.runTimeAt(4000), 500u); // stopped while paused
    clock.resume(4000);
    EXPECT_EQ(clock.runTimeAt(4200), 700u);
    EXPECT_EQ(clock.runTimeAt(1400), 400u); // stamped before the pause, handed over after
    EXPECT_EQ(clock.runTimeAt(3000), 500u); // stamped inside the pause
    // The tick counter wrapping round between start and now.
    RunClock wrapping;
    wrapping.start(0xFFFFFF00u);
    EXPECT_EQ(wrapping.runTimeAt(0x100u), 0x200u);
}

TEST(RunTimes, TakesThePageCountAndPageTimesFromTheRunsUpdates)
{
    converter::RunTimes times;
    times.start(10000);
    converter::RunUpdate update;
    update.rangeSet = true;
    update.range = 5;
    times.take(update);
    for (int page = 1; page <= 3; ++page) {
        converter::RunUpdate line;
        line.positionSet = true;
        line.position = page - 1;
        line.positionTick = 10000 + static_cast<DWORD>(page) * 1000;
        times.take(line);
    }
    EXPECT_EQ(times.timeLeft(13000).milliseconds, 3000u);
    times.pause(13500);
    EXPECT_EQ(times.timeLeft(20000).milliseconds, 2500u); // the time left stands still
    EXPECT_EQ(times.elapsed(20000), 3500u);
}

TEST(QueueTimeLeft, TheFirstDocumentAloneThenTheDocumentsThatEnded)
{
    QueueTimeEstimator queue;
    queue.reset(3);
    queue.documentStarted(0);
    // The first document: 10 pages of 100 ms; page 6 began at 500.
    const PageTimeEstimator first = evenPages(10, 6, 100);
    const converter::TimeLeft early = queue.estimate(first, 500);
    ASSERT_TRUE(early.known);
    EXPECT_EQ(early.milliseconds, 500u + 2 * 1000u);
    EXPECT_TRUE(early.rough);
    EXPECT_FALSE(queue.estimate(evenPages(10, 2, 100), 100).known);
    // It ended after 1200 ms; the second has not said its page count yet.
    queue.documentEnded(10, 1200);
    queue.documentStarted(1);
    const converter::TimeLeft second = queue.estimate(PageTimeEstimator(), 200);
    ASSERT_TRUE(second.known);
    // Per page 1400 / 10 ms; a document 10 pages, no time besides its pages once the
    // second's 200 ms without pages are shared out.
    EXPECT_NEAR(static_cast<double>(second.milliseconds), (1400.0 - 200.0) + 1400.0, 2.0);
}
