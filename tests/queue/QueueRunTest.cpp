// The queue's run behind a fake view: the real converter::ConversionRun and stand-in
// converter processes, no window. The view's thread is the test's.
#include <gtest/gtest.h>

#include <windows.h>

#include <functional>
#include <set>
#include <memory>
#include <string>
#include <vector>

#include "base/StringTable.h"
#include "converter/RunLog.h"
#include "queue/QueueRun.h"
#include "res/resource.h"
#include "support/QueuedStandIn.h"
#include "support/RecordingTaskbar.h"
#include "support/StandInRun.h"
#include "win/FileSystem.h"
#include "win/Handle.h"

using namespace progress_test;
using queue::DocumentOutcome;
using queue::StopChoice;

namespace {

// A view that takes each update as the progress window does, records what it is asked to
// show, and lets the test act on every wake-up (at least every 50 ms).
class FakeQueueView : public queue::QueueView, public converter::RunView {
public:
    explicit FakeQueueView(queue::QueueRun& queue) : queue_(queue), wake_(CreateEventW(nullptr, FALSE, FALSE, nullptr)) {}

    std::vector<std::wstring> titles;
    std::vector<std::wstring> lines;
    std::vector<std::wstring> asked; // documents named by the stop question
    StopChoice answer = StopChoice::KeepGoing;
    std::function<void(FakeQueueView&)> onWake;
    bool queueOver = false;

    // The stop button.
    void pressStop()
    {
        if (queue_.confirmStop()) {
            run_->requestStop();
        }
    }

    converter::RunView& runView() override { return *this; }
    converter::RunEnd present(converter::ConversionRun& run) override
    {
        run_ = &run;
        if (!queue_.startCurrent(nullptr)) {
            return converter::RunEnd::NotStarted;
        }
        bool open = true;
        while (open) {
            WaitForSingleObject(wake_.get(), 50);
            if (onWake) {
                onWake(*this);
            }
            while (open) {
                const std::optional<converter::RunUpdate> update = run.takeUpdate();
                if (!update) {
                    break;
                }
                if (update->startFailed || update->outcome) {
                    open = queue_.goOn(update->outcome ? &*update->outcome : nullptr);
                }
            }
        }
        return converter::RunEnd::Closed;
    }
    void wakeViewThread() override { SetEvent(wake_.get()); }
    void showDocument(const std::wstring& title, const std::wstring&) override { titles.push_back(title); }
    void showDocumentLine(const std::wstring& line) override { lines.push_back(line); }
    StopChoice askStop(const std::wstring& documentName) override
    {
        asked.push_back(documentName);
        return answer;
    }
    void showQueueOver(const converter::RunOutcome*) override { queueOver = true; }

private:
    queue::QueueRun& queue_;
    converter::ConversionRun* run_ = nullptr;
    win::UniqueHandle wake_;
};

struct QueueOutcome {
    std::vector<queue::DocumentResult> results;
    std::vector<queue::DocumentResult> ended; // what the queue's end was told
    int endedCalls = 0;
};

QueueOutcome runQueue(std::vector<queue::QueuedDocument> documents, FakeQueueView*& view,
    const std::function<void(FakeQueueView&)>& setUp = nullptr, std::wstring frontEndPath = standInPath())
{
    QueueOutcome outcome;
    converter::ConversionRun run;
    queue::QueueRun queue(std::move(documents), std::move(frontEndPath));
    FakeQueueView fake(queue);
    view = &fake;
    if (setUp) {
        setUp(fake);
    }
    queue.setQueueEnded([&](const std::vector<queue::DocumentResult>& results) {
        outcome.ended = results;
        ++outcome.endedCalls;
    });
    queue.run(run, fake);
    outcome.results = queue.results();
    view = nullptr;
    return outcome;
}

std::wstring lineFor(int number, int count, const std::wstring& name)
{
    return base::formatString(IDS_QUEUE_DOCUMENT, {number, count, name});
}

} // namespace

TEST(QueueRun, RunsEveryDocumentInOrderPastAFailureWithALogEach)
{
    ScopedReport report;
    std::vector<queue::QueuedDocument> documents = {standInDocument(L"alpha", "line Warning: alpha was odd\nline alpha page\n"),
        standInDocument(L"bravo", "line Error: bravo broke\nexit 10\n"), standInDocument(L"charlie", "line charlie page\n")};
    FakeQueueView* view = nullptr;
    const QueueOutcome outcome = runQueue(documents, view);

    ASSERT_EQ(outcome.results.size(), 3u);
    EXPECT_EQ(outcome.results[0].outcome, DocumentOutcome::ConvertedWithWarnings);
    EXPECT_EQ(outcome.results[0].warningCount, 1);
    EXPECT_EQ(outcome.results[1].outcome, DocumentOutcome::Failed);
    EXPECT_EQ(outcome.results[2].outcome, DocumentOutcome::Converted);
    EXPECT_EQ(outcome.endedCalls, 1);
    EXPECT_EQ(outcome.ended.size(), 3u);
    EXPECT_EQ(report.count("start"), 3);
    const std::string starts = readFileBytes(report.path());
    EXPECT_LT(starts.find("alpha.djvu"), starts.find("bravo.djvu"));
    EXPECT_LT(starts.find("bravo.djvu"), starts.find("charlie.djvu"));
    const std::string alphaLog = readFileBytes(documents[0].logPath);
    EXPECT_NE(alphaLog.find("alpha page"), std::string::npos);
    EXPECT_EQ(alphaLog.find("bravo"), std::string::npos);
    EXPECT_NE(readFileBytes(documents[1].logPath).find("bravo broke"), std::string::npos);
}

TEST(QueueRun, ShowsEachDocumentAndArrivalsGrowTheTotal)
{
    ScopedReport report;
    std::vector<queue::QueuedDocument> documents = {standInDocument(L"first", "sleep 1500\n"),
        standInDocument(L"second", "line second\n")};
    const queue::QueuedDocument third = standInDocument(L"third", "line third\n");
    bool appended = false;
    converter::ConversionRun run;
    queue::QueueRun queue(documents, standInPath());
    FakeQueueView fake(queue);
    fake.onWake = [&](FakeQueueView&) {
        if (!appended) {
            appended = true;
            queue.append({third});
        }
    };
    queue.run(run, fake);
    const FakeQueueView* view = &fake;

    EXPECT_EQ(view->lines.front(), lineFor(1, 2, L"first.pdf"));
    EXPECT_EQ(view->lines[1], lineFor(1, 3, L"first.pdf"));
    EXPECT_EQ(view->lines.back(), lineFor(3, 3, L"third.pdf"));
    EXPECT_EQ(view->titles, (std::vector<std::wstring>{base::formatString(IDS_PROGRESS_TITLE, {std::wstring(L"first.djvu")}),
                                base::formatString(IDS_PROGRESS_TITLE, {std::wstring(L"second.djvu")}),
                                base::formatString(IDS_PROGRESS_TITLE, {std::wstring(L"third.djvu")})}));
    ASSERT_EQ(queue.results().size(), 3u);
    EXPECT_EQ(queue.results()[2].outcome, DocumentOutcome::Converted);
    EXPECT_EQ(report.count("start"), 3);
    EXPECT_TRUE(view->queueOver);
}

TEST(QueueRun, StoppingOnlyThisDocumentGoesOnWithTheNext)
{
    ScopedReport report;
    FakeQueueView* view = nullptr;
    const QueueOutcome outcome = runQueue({standInDocument(L"long", "sleep 30000\n"), standInDocument(L"short", "line short\n")},
        view, [](FakeQueueView& fake) {
            fake.answer = StopChoice::ThisDocument;
            fake.onWake = [](FakeQueueView& self) {
                if (self.asked.empty()) {
                    self.pressStop();
                }
            };
        });
    ASSERT_EQ(outcome.results.size(), 2u);
    EXPECT_EQ(outcome.results[0].outcome, DocumentOutcome::Cancelled);
    EXPECT_EQ(outcome.results[1].outcome, DocumentOutcome::Converted);
    EXPECT_EQ(report.count("kill"), 1);
    EXPECT_EQ(report.count("start"), 2);
}

TEST(QueueRun, StoppingTheWholeQueueLeavesTheRestNotConvertedAndDismissingStopsNothing)
{
    ScopedReport report;
    FakeQueueView* view = nullptr;
    int presses = 0;
    const QueueOutcome outcome = runQueue({standInDocument(L"one", "sleep 30000\n"), standInDocument(L"two", "line two\n"),
                                              standInDocument(L"three", "line three\n")},
        view, [&](FakeQueueView& fake) {
            fake.onWake = [&](FakeQueueView& self) {
                if (presses < 2) {
                    // Dismissed first, then the whole queue.
                    self.answer = presses == 0 ? StopChoice::KeepGoing : StopChoice::WholeQueue;
                    ++presses;
                    self.pressStop();
                }
            };
        });
    ASSERT_EQ(outcome.results.size(), 3u);
    EXPECT_EQ(outcome.results[0].outcome, DocumentOutcome::Cancelled);
    EXPECT_EQ(outcome.results[1].outcome, DocumentOutcome::NotConverted);
    EXPECT_EQ(outcome.results[2].outcome, DocumentOutcome::NotConverted);
    EXPECT_EQ(report.count("start"), 1);
    EXPECT_EQ(report.count("kill"), 1);
}

TEST(QueueRun, StopAfterThisDocumentLetsItFinishThenEndsTheQueue)
{
    ScopedReport report;
    FakeQueueView* view = nullptr;
    const QueueOutcome outcome = runQueue({standInDocument(L"current", "sleep 600\nline current\n"),
                                              standInDocument(L"next", "line next\n"), standInDocument(L"last", "line last\n")},
        view, [](FakeQueueView& fake) {
            fake.answer = StopChoice::AfterThisDocument;
            fake.onWake = [](FakeQueueView& self) {
                if (self.asked.empty()) {
                    self.pressStop();
                }
            };
        });
    ASSERT_EQ(outcome.results.size(), 3u);
    EXPECT_EQ(outcome.results[0].outcome, DocumentOutcome::Converted);
    EXPECT_EQ(outcome.results[1].outcome, DocumentOutcome::NotConverted);
    EXPECT_EQ(outcome.results[2].outcome, DocumentOutcome::NotConverted);
    EXPECT_EQ(report.count("start"), 1);
    EXPECT_EQ(report.count("kill"), 0);
    EXPECT_EQ(outcome.endedCalls, 1);
}

TEST(QueueRun, SkippedDocumentsAreNotRun)
{
    ScopedReport report;
    std::vector<queue::QueuedDocument> documents = {standInDocument(L"kept", "exit 10\n"), standInDocument(L"made", "line made\n")};
    documents[0].skip = true;
    FakeQueueView* view = nullptr;
    const QueueOutcome outcome = runQueue(documents, view);
    ASSERT_EQ(outcome.results.size(), 2u);
    EXPECT_EQ(outcome.results[0].outcome, DocumentOutcome::Skipped);
    EXPECT_EQ(outcome.results[1].outcome, DocumentOutcome::Converted);
    EXPECT_EQ(report.count("start"), 1);
}

TEST(QueueRun, WithoutTheConverterEachDocumentFailsWithTheReason)
{
    FakeQueueView* view = nullptr;
    const QueueOutcome outcome = runQueue({standInDocument(L"nowhere1", "line one\n"), standInDocument(L"nowhere2", "line two\n")},
        view, nullptr, temporaryDirectory() + L"no_such_folder\\korvello-gui.exe");
    ASSERT_EQ(outcome.results.size(), 2u);
    for (const queue::DocumentResult& result : outcome.results) {
        EXPECT_EQ(result.outcome, DocumentOutcome::Failed);
        EXPECT_TRUE(result.problem == base::formatOsErrorText(ERROR_PATH_NOT_FOUND)
            || result.problem == base::formatOsErrorText(ERROR_FILE_NOT_FOUND)) << result.problem.c_str();
    }
}

TEST(QueueRun, ForceOnlyForOutputsTheUserLetGo)
{
    queue::QueuedDocument document = standInDocument(L"forced", "line\n");
    EXPECT_EQ(queue::runArguments(document), document.converterArguments);
    document.replaceOutput = true;
    EXPECT_EQ(queue::runArguments(document), document.converterArguments + L" --force");
    const queue::PreparedRun prepared = queue::prepareRun(document, L"C:\\Tools\\Gui\\front.exe");
    EXPECT_EQ(prepared.setup.commandLine, L"\"C:\\Tools\\Gui\\korvello.exe\" --killevent=" + prepared.setup.killEventName
        + L" " + document.converterArguments + L" --force");
    EXPECT_NE(prepared.logFile.get(), nullptr);
    EXPECT_EQ(prepared.setup.logPath, document.logPath);
}

// A log another run writes (a second front end, or one whose finished run is still shown)
// is left to it: this run writes the next numbered log of its own, whole, and names it; a
// log that cannot be made for another reason is named with that reason.
TEST(QueueRun, ALogAnotherRunWritesIsLeftToItAndThisRunWritesANumberedOne)
{
    const queue::QueuedDocument document = standInDocument(L"held", "line Processing pages 1 through 1.\nline Page 1\n");
    const std::wstring second = queue::numberedLogPath(document.logPath, 2);
    const std::wstring third = queue::numberedLogPath(document.logPath, 3);
    DeleteFileW(third.c_str());
    DWORD error = 0;
    const win::UniqueHandle otherRun = converter::createRunLog(document.logPath, error);
    const win::UniqueHandle anotherRun = converter::createRunLog(second, error);
    ASSERT_TRUE(otherRun && anotherRun);

    FakeQueueView* view = nullptr;
    const QueueOutcome outcome = runQueue({document}, view);
    ASSERT_EQ(outcome.results.size(), 1u);
    EXPECT_EQ(outcome.results[0].outcome, DocumentOutcome::Converted);
    EXPECT_EQ(outcome.results[0].logPath, third);
    EXPECT_TRUE(outcome.results[0].logComplete);
    EXPECT_NE(testing_support::readFileBytes(third).find("Page 1"), std::string::npos);
    EXPECT_EQ(GetFileSize(otherRun.get(), nullptr), 0u);

    queue::QueuedDocument nowhere = document;
    nowhere.logPath = win::folderOf(document.input) + L"\\no_such_folder\\_korvello.log";
    const queue::PreparedRun prepared = queue::prepareRun(nowhere, standInPath());
    EXPECT_EQ(prepared.setup.logPath, nowhere.logPath);
    EXPECT_EQ(prepared.setup.logOpenError, static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
    EXPECT_EQ(prepared.logFile.get(), nullptr);
}

TEST(QueueTaskbar, ShowsTheWholeQueue)
{
    auto calls = std::make_shared<std::vector<std::string>>();
    RecordingTaskbar button(calls);
    queue::QueueTaskbar taskbar;
    taskbar.attach(&button);
    taskbar.setDocument(3, 12); // document 4 of 12
    taskbar.setProgress(5, 10);
    taskbar.setIndeterminate();
    taskbar.setError(10, 10);
    EXPECT_EQ(*calls, (std::vector<std::string>{"progress 3500/12000", "progress 3000/12000", "error 4000/12000"}));
}

// A document joining a running queue is checked against it: another document's output (a
// same-name file from another folder, a.ps beside a.pdf) is refused with the reason, and
// an output that exists is kept, whatever the sheet's answer about its own documents.
TEST(QueueRun, ArrivalsAreCheckedAgainstTheQueueAndExistingOutputsKept)
{
    ScopedReport report;
    std::vector<queue::QueuedDocument> documents = {standInDocument(L"report", "sleep 800\n")};
    documents[0].replaceOutput = true; // the sheet's Yes covers this one only
    const std::wstring folder = win::folderOf(documents[0].input);
    queue::QueueRecipe recipe;
    recipe.outputFolder = folder;
    recipe.replaceExisting = true;
    std::set<std::wstring> logs;
    const std::wstring otherFolder = temporaryDirectory() + L"queue_other_" + uniqueSuffix();
    CreateDirectoryW(otherFolder.c_str(), nullptr);
    const std::wstring sameName = otherFolder + L"\\report.pdf";
    const std::wstring beside = folder + L"\\report.ps";
    const std::wstring kept = otherFolder + L"\\kept.pdf";
    for (const std::wstring& input : {sameName, beside, kept}) {
        testing_support::writeFileBytes(input, "%PDF");
    }
    testing_support::writeFileBytes(folder + L"\\kept.djvu", "AT&T");
    std::vector<queue::QueuedDocument> arrivals;
    for (const std::wstring& input : {sameName, beside, kept}) {
        arrivals.push_back(queue::makeQueuedDocument(recipe, input, logs));
    }

    converter::ConversionRun run;
    queue::QueueRun queue(documents, standInPath());
    FakeQueueView fake(queue);
    bool appended = false;
    fake.onWake = [&](FakeQueueView&) {
        if (!appended) {
            appended = true;
            queue.append(arrivals);
        }
    };
    queue.run(run, fake);

    const std::vector<queue::DocumentResult>& results = queue.results();
    ASSERT_EQ(results.size(), 4u);
    EXPECT_EQ(results[0].outcome, DocumentOutcome::Converted);
    EXPECT_EQ(results[1].outcome, DocumentOutcome::Failed);
    EXPECT_EQ(results[1].problem, base::formatString(IDS_SAME_OUTPUT, {documents[0].output, std::wstring(L"report.pdf")}));
    EXPECT_EQ(results[2].outcome, DocumentOutcome::Failed);
    EXPECT_EQ(results[3].outcome, DocumentOutcome::Skipped);
    EXPECT_EQ(report.count("start"), 1);
    EXPECT_EQ(readFileBytes(folder + L"\\kept.djvu"), "AT&T");
}

// The summary's outcomes: a converter that fails on its own while a stop is asked failed;
// a skipped document has no log to open (an older run's log may lie there).
TEST(QueueRun, AFailureDuringAStopIsAFailureAndASkippedDocumentHasNoLog)
{
    ScopedReport report;
    std::vector<queue::QueuedDocument> documents = {standInDocument(L"stubborn", "kill ignore\nsleep 800\nexit 10\n"),
        standInDocument(L"skipped", "line\n")};
    documents[1].skip = true;
    testing_support::writeFileBytes(documents[1].logPath, "an older run's log");
    FakeQueueView* view = nullptr;
    const QueueOutcome outcome = runQueue(documents, view, [](FakeQueueView& fake) {
        fake.answer = StopChoice::ThisDocument;
        fake.onWake = [](FakeQueueView& self) {
            if (self.asked.empty()) {
                self.pressStop();
            }
        };
    });
    ASSERT_EQ(outcome.results.size(), 2u);
    EXPECT_EQ(outcome.results[0].outcome, DocumentOutcome::Failed);
    EXPECT_EQ(outcome.results[0].logPath, documents[0].logPath);
    EXPECT_EQ(outcome.results[1].outcome, DocumentOutcome::Skipped);
    EXPECT_TRUE(outcome.results[1].logPath.empty());
}
