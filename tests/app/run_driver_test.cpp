#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <vector>

#include "app/RunDriver.h"
#include "converter/ConverterContract.h"
#include "base/StringTable.h"

namespace {

struct RunRecord {
    app::LaunchSetup setup;
    bool logWritable = false;
    bool logOpenAtEnd = false;
    int created = 0;
};

// Stands in for the progress dialog: records what it was given and ends as told.
class FakeRun : public app::RunLauncher {
public:
    FakeRun(RunRecord& record, converter::RunEnd end, DWORD exitCode, DWORD osError, bool waitFailed)
        : record_(record), end_(end), exitCode_(exitCode), osError_(osError), waitFailed_(waitFailed)
    {
        ++record_.created;
    }
    converter::RunResult launch(const app::LaunchSetup& setup) override
    {
        record_.setup = setup;
        if (setup.run.logFile != nullptr) {
            DWORD written = 0;
            record_.logWritable = WriteFile(setup.run.logFile, "xyz", 3, &written, nullptr) != FALSE && written == 3;
        }
        converter::RunResult result;
        result.end = end_;
        result.osError = osError_;
        result.exitCode = exitCode_;
        result.waitFailed = waitFailed_;
        return result;
    }

private:
    RunRecord& record_;
    converter::RunEnd end_;
    DWORD exitCode_;
    DWORD osError_;
    bool waitFailed_;
};

struct Outcome {
    bool endProgram = false;
    std::vector<std::wstring> errors;
    std::vector<std::wstring> opened;
};

std::filesystem::path scratchDirectory()
{
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    std::filesystem::path dir = std::filesystem::path(temp) / L"korvello-run-driver-test";
    std::filesystem::create_directories(dir);
    return dir;
}

Outcome runWith(const app::ConversionRequest& request, RunRecord& record, converter::RunEnd end, DWORD exitCode,
    DWORD osError = 0, bool waitFailed = false)
{
    Outcome outcome;
    app::RunDriverServices services;
    services.frontEndPath = L"C:\\Tools\\Gui\\front.exe";
    services.createLauncher = [&] { return std::make_unique<FakeRun>(record, end, exitCode, osError, waitFailed); };
    services.showError = [&](const std::wstring& text) { outcome.errors.push_back(text); };
    services.openOutput = [&](const std::wstring& path) { outcome.opened.push_back(path); };
    outcome.endProgram = app::runConversion(request, services);
    return outcome;
}

app::ConversionRequest bookRequest()
{
    app::ConversionRequest request;
    queue::QueuedDocument book;
    book.input = L"C:\\in\\book.pdf";
    book.output = L"C:\\out\\book.djvu";
    book.converterArguments = L"--dpi=300 \"C:\\in\\book.pdf\" \"C:\\out\\book.djvu\"";
    request.documents = {book};
    return request;
}

} // namespace

TEST(RunDriver, CommandLineTitleAndStatus)
{
    RunRecord record;
    runWith(bookRequest(), record, converter::RunEnd::Closed, 0);
    const app::LaunchSetup& setup = record.setup;
    const std::wstring prefix = L"\"C:\\Tools\\Gui\\korvello.exe\" --killevent=";
    ASSERT_EQ(setup.run.commandLine.substr(0, prefix.size()), prefix);
    EXPECT_EQ(setup.run.commandLine, prefix + setup.run.killEventName + L" " + bookRequest().documents[0].converterArguments);
    EXPECT_EQ(setup.title, L"book.djvu - Korvello Converter");
    EXPECT_EQ(setup.statusText, L"Starting conversion...");
    EXPECT_EQ(setup.run.logFile, nullptr);
    EXPECT_EQ(setup.run.logPath, L"");

    app::ConversionRequest empty = bookRequest();
    empty.documents[0].converterArguments.clear();
    runWith(empty, record, converter::RunEnd::Closed, 0);
    EXPECT_EQ(record.setup.run.commandLine.back(), L' ') << "an empty parameter text leaves the trailing space";
}

TEST(RunDriver, KillEventNamesAreFreshLowerCaseHex)
{
    EXPECT_EQ(converter::killEventName(0x1A2bULL), L"Korvello_GUI_1a2b");
    EXPECT_EQ(converter::killEventName(0), L"Korvello_GUI_0");
    EXPECT_EQ(converter::killEventName(0xFFFFFFFFFFFFFFFFULL), L"Korvello_GUI_ffffffffffffffff");

    RunRecord first;
    RunRecord second;
    runWith(bookRequest(), first, converter::RunEnd::Closed, 5);
    runWith(bookRequest(), second, converter::RunEnd::Closed, 5);
    EXPECT_NE(first.setup.run.killEventName, second.setup.run.killEventName);
    for (const std::wstring& name : { first.setup.run.killEventName, second.setup.run.killEventName }) {
        ASSERT_EQ(name.rfind(L"Korvello_GUI_", 0), 0u);
        const std::wstring digits = name.substr(13);
        EXPECT_FALSE(digits.empty());
        EXPECT_NE(digits[0], L'0');
        EXPECT_EQ(digits.find_first_not_of(L"0123456789abcdef"), std::wstring::npos) << name;
    }
}

TEST(RunDriver, TitleStripsQuotesAndDirectories)
{
    EXPECT_EQ(app::progressTitle(L"\"C:\\out\\book.djvu\""), L"book.djvu - Korvello Converter");
    EXPECT_EQ(app::progressTitle(L"\"\"plain.djvu\"\""), L"plain.djvu - Korvello Converter");
    EXPECT_EQ(app::progressTitle(L"C:/fwd/slash.djvu"), L"slash.djvu - Korvello Converter");
    EXPECT_EQ(app::progressTitle(L"\"\""), L" - Korvello Converter");
}

TEST(RunDriver, LogFileIsCreatedTruncatedAndClosedBeforeReturn)
{
    const std::filesystem::path log = scratchDirectory() / L"run.log";
    {
        std::ofstream old(log, std::ios::binary);
        old << "an older and much longer log";
    }
    app::ConversionRequest request = bookRequest();
    request.documents[0].logPath = log.wstring();
    RunRecord record;
    runWith(request, record, converter::RunEnd::Closed, 0);
    EXPECT_TRUE(record.logWritable);
    EXPECT_EQ(record.setup.run.logPath, log.wstring());
    EXPECT_EQ(std::filesystem::file_size(log), 3u) << "truncated at the start of the run";
    // Closed: the file can be deleted at once.
    EXPECT_TRUE(DeleteFileW(log.c_str()));
}

TEST(RunDriver, UnwritableLogPathRunsWithoutLogAndHandsOnTheReason)
{
    app::ConversionRequest request = bookRequest();
    request.documents[0].logPath = (scratchDirectory() / L"missing-folder" / L"run.log").wstring();
    RunRecord record;
    const Outcome outcome = runWith(request, record, converter::RunEnd::Closed, 0);
    EXPECT_EQ(record.setup.run.logFile, nullptr);
    EXPECT_EQ(record.setup.run.logPath, request.documents[0].logPath);
    EXPECT_EQ(record.setup.run.logOpenError, static_cast<DWORD>(ERROR_PATH_NOT_FOUND)) << "said in the progress dialog";
    EXPECT_TRUE(outcome.errors.empty());
    EXPECT_TRUE(outcome.endProgram);
    EXPECT_FALSE(std::filesystem::exists(request.documents[0].logPath));
}

TEST(RunDriver, OutcomeTable)
{
    app::ConversionRequest request = bookRequest();
    RunRecord record;

    Outcome outcome = runWith(request, record, converter::RunEnd::Closed, 0);
    EXPECT_TRUE(outcome.endProgram);
    EXPECT_TRUE(outcome.errors.empty());
    EXPECT_TRUE(outcome.opened.empty()) << "open-after flag clear";

    request.openAfterConversion = true;
    outcome = runWith(request, record, converter::RunEnd::Closed, 0);
    EXPECT_TRUE(outcome.endProgram);
    ASSERT_EQ(outcome.opened.size(), 1u);
    EXPECT_EQ(outcome.opened[0], L"\"C:\\out\\book.djvu\"") << "handed to the shell unchanged";

    // A failed wait is a failure, though the exit code was never read.
    outcome = runWith(request, record, converter::RunEnd::Closed, 0, 0, true);
    EXPECT_FALSE(outcome.endProgram);
    EXPECT_TRUE(outcome.opened.empty());

    for (DWORD exitCode : { 3u, 5963u, 5964u }) {
        outcome = runWith(request, record, converter::RunEnd::Closed, exitCode);
        EXPECT_FALSE(outcome.endProgram) << exitCode;
        EXPECT_TRUE(outcome.errors.empty()) << exitCode;
        EXPECT_TRUE(outcome.opened.empty()) << exitCode;
    }

    outcome = runWith(request, record, converter::RunEnd::NotStarted, 0, ERROR_FILE_NOT_FOUND);
    EXPECT_FALSE(outcome.endProgram);
    ASSERT_EQ(outcome.errors.size(), 1u);
    // The formatter turns the text's line break into CR LF, as the platform's formatter does.
    const std::wstring head = L"The process is failed due to the following OS error:\r\n";
    ASSERT_EQ(outcome.errors[0].substr(0, head.size()), head);
    EXPECT_EQ(outcome.errors[0].substr(head.size()), base::formatOsErrorText(ERROR_FILE_NOT_FOUND));
    EXPECT_FALSE(base::formatOsErrorText(ERROR_FILE_NOT_FOUND).empty());

    outcome = runWith(request, record, converter::RunEnd::NotShown, 0);
    EXPECT_FALSE(outcome.endProgram);
    ASSERT_EQ(outcome.errors.size(), 1u);
    EXPECT_EQ(outcome.errors[0], L"The process is failed.");
    EXPECT_TRUE(outcome.opened.empty());
}

TEST(RunDriverJapanese, MessagesInJapanese)
{
    RunRecord record;
    const Outcome outcome = runWith(bookRequest(), record, converter::RunEnd::NotShown, 0);
    ASSERT_EQ(outcome.errors.size(), 1u);
    EXPECT_EQ(outcome.errors[0], L"処理が失敗しました。");
    EXPECT_EQ(record.setup.statusText, L"変換開始中...");
}
