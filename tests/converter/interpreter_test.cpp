// The output interpreter: line kinds, pending messages, counters, rows and the log.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "converter/OutputInterpreter.h"
#include "converter/RecordingView.h"
#include "support/ScratchFiles.h"
#include "win/Handle.h"
#include "res/resource.h"
#include "base/StringTable.h"
#include "base/Text.h"

using converter::LineKind;
using converter::OutputInterpreter;
using testing_support::TempFile;

namespace {

// Every message is shown: "Warning" and "Error" texts by their kind, the rest as info.
const char kShowAll[] = "expression=(Warning.*)\ntype=warn\ndefault=%1\n"
                        "expression=(Error.*)\ntype=error\ndefault=%1\n"
                        "expression=(quiet.*)\ntype=ignore\n"
                        "expression=(hidden.*)\ntype=ignore\ndefault=%1\n"
                        "expression=(.+)\ntype=info\ndefault=%1\n";

struct Fixture {
    Fixture() : rules("en-us="), interpreter(view, rules)
    {
        rules.loadRulesFromText(kShowAll);
        interpreter.reset(nullptr);
    }
    // Each line as one drain pass: interpreted, then logged.
    void lines(std::initializer_list<std::wstring_view> list)
    {
        for (std::wstring_view line : list) {
            interpreter.interpretLine(line);
            interpreter.flushLog();
        }
    }
    RecordingView view;
    converter::MessageRuleSet rules;
    converter::OutputInterpreter interpreter;
};

} // namespace

TEST(InterpreterLines, PageCountAndPageLines)
{
    Fixture f;
    f.lines({ L"Processing pages 1 through 12.", L"Page 3" });
    EXPECT_EQ(f.interpreter.totalPages(), 12);
    EXPECT_EQ(f.interpreter.currentPage(), 3);
    ASSERT_EQ(f.view.calls.size(), 3u);
    EXPECT_EQ(f.view.calls[0], L"range 12");
    EXPECT_EQ(f.view.calls[1], L"position 2");
    EXPECT_EQ(f.view.calls[2], L"status Now processing page 3/12...");
    EXPECT_EQ(f.interpreter.previousLineKind(), converter::LineKind::Page);
}

TEST(InterpreterLines, NotPageLinesAreMessages)
{
    Fixture f;
    f.lines({ L"Processing pages 2 through 12.", L"Page 3 is 612 x 792", L"Page ", L"Page 99999999999" });
    ASSERT_GE(f.view.rows.size(), 2u);
    EXPECT_EQ(f.view.rows[0], L"row info [] Processing pages 2 through 12.");
    EXPECT_EQ(f.view.rows[1], L"row info [] Page 3 is 612 x 792");
    EXPECT_EQ(f.interpreter.totalPages(), 0);
    // "Page " without a number: position -1, page 0; a huge number saturates.
    EXPECT_EQ(f.view.calls[2], L"position -1");
    EXPECT_EQ(f.view.calls[3], L"status Now processing page 0/0...");
    EXPECT_EQ(f.interpreter.currentPage(), 2147483647);
    EXPECT_EQ(converter::OutputInterpreter::integerValue(L"  -42abc"), -42);
    EXPECT_EQ(converter::OutputInterpreter::integerValue(L"+7"), 7);
    EXPECT_EQ(converter::OutputInterpreter::integerValue(L"x7"), 0);
    EXPECT_EQ(converter::OutputInterpreter::integerValue(L"-99999999999"), -2147483647 - 1);
}

TEST(InterpreterMessages, WarningWithContinuationsIsOneRow)
{
    Fixture f;
    f.lines({ L"   **** Warning: font Helv", L"   is not embedded  ", L"   \t and more", L"Other line",
        L"   dropped after an other line" });
    ASSERT_EQ(f.view.rows.size(), 2u);
    EXPECT_EQ(f.view.rows[0], L"row warn [] Warning: font Helv is not embedded and more");
    EXPECT_EQ(f.view.rows[1], L"row info [] Other line");
    EXPECT_EQ(f.interpreter.pendingMessage(), L"");
}

TEST(InterpreterMessages, ErrorStartDropsContinuationAndPendingShowsLaterPage)
{
    Fixture f;
    f.lines({ L"   first line dropped", L"Page 4", L"xx Error: bad thing", L"   not added", L"Page 5", L"" });
    EXPECT_TRUE(f.view.rows.empty()); // an empty line emits nothing
    f.interpreter.flushPendingMessage();
    ASSERT_EQ(f.view.rows.size(), 1u);
    EXPECT_EQ(f.view.rows[0], L"row error [5] Error: bad thing");
}

TEST(InterpreterMessages, NoticeLinesAndContinuationAfterPage)
{
    Fixture f;
    f.lines({ L"Page 1", L"   after page", L"ab   **** Note 50% done %1 %0 x" });
    ASSERT_EQ(f.view.rows.size(), 2u);
    EXPECT_EQ(f.view.rows[0], L"row info [1] after page");
    // Without its first eight characters, shown literally: no insert is read for "%1".
    EXPECT_EQ(f.view.rows[1], L"row info [1] * Note 50% done %1 %0 x");
    EXPECT_EQ(f.interpreter.previousLineKind(), converter::LineKind::Notice);
    f.lines({ L"   continues notice" });
    f.interpreter.flushPendingMessage();
    ASSERT_EQ(f.view.rows.size(), 3u);
    EXPECT_EQ(f.view.rows[2], L"row info [1] continues notice");
}

TEST(InterpreterMessages, PercentInPlainLines)
{
    Fixture f;
    f.lines({ L"100%", L"%1 %2!d! %99", L"%", L"%0" });
    ASSERT_EQ(f.view.rows.size(), 4u);
    EXPECT_EQ(f.view.rows[0], L"row info [] 100%");
    EXPECT_EQ(f.view.rows[1], L"row info [] %1 %2!d! %99");
    EXPECT_EQ(f.view.rows[2], L"row info [] %");
    EXPECT_EQ(f.view.rows[3], L"row info [] %0");
}

TEST(InterpreterCounters, CountersShowOnFirstAndCount)
{
    Fixture f;
    f.lines({ L"Warning one", L"quiet thing", L"hidden thing", L"Warning two", L"Error: e" });
    f.interpreter.flushPendingMessage();
    std::vector<std::wstring> expected = {
        L"show warn",
        L"counter warn 1 Warnings",
        L"row warn [] Warning one",
        L"counter warn 2 Warnings",
        L"row warn [] Warning two",
        L"show error",
        L"counter error 1 Errors",
        L"row error [] Error: e",
    };
    EXPECT_EQ(f.view.calls, expected);
    EXPECT_EQ(f.interpreter.warningCount(), 2);
    EXPECT_EQ(f.interpreter.errorCount(), 1);
    EXPECT_EQ(f.interpreter.warningCountText(), L"2 Warnings");
    EXPECT_EQ(f.interpreter.errorCountText(), L"1 Errors");
}

TEST(InterpreterReport, EndOfRunMessagesAreTemplatesAndFlushFirst)
{
    Fixture f;
    f.lines({ L"Error: pending" });
    const base::MessageArg code[] = { std::uint32_t(4294967295u) };
    f.interpreter.reportMessage(L"Error %1!u!", code);
    f.interpreter.reportMessage(L"", code); // an empty template does nothing
    ASSERT_EQ(f.view.rows.size(), 2u);
    EXPECT_EQ(f.view.rows[0], L"row error [] Error: pending");
    EXPECT_EQ(f.view.rows[1], L"row error [] Error 4294967295");
    f.interpreter.reset(nullptr);
    EXPECT_EQ(f.interpreter.errorCount(), 0);
    EXPECT_EQ(f.interpreter.errorCountText(), L"");
    EXPECT_EQ(f.interpreter.previousLineKind(), converter::LineKind::Other);
}

TEST(InterpreterLog, BytesOfTheLog)
{
    TempFile log(L"log");
    {
        win::UniqueHandle file(CreateFileW(log.path().c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
            FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(file.valid());
        Fixture f;
        f.interpreter.reset(file.get());
        f.lines({ L"A", L"", L"日本語 %1", L"Page 2", L"   dropped" });
        const base::MessageArg none[] = { 0 };
        f.interpreter.reportMessage(L"process_success %1!u!", none); // not logged
    }
    EXPECT_EQ(log.read(), "\xEF\xBB\xBF" "A\r\n\r\n\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E %1\r\nPage 2\r\n   dropped\r\n");

    TempFile empty(L"log_empty");
    {
        win::UniqueHandle file(CreateFileW(empty.path().c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
            FILE_ATTRIBUTE_NORMAL, nullptr));
        Fixture f;
        f.interpreter.reset(file.get());
        f.interpreter.flushPendingMessage();
    }
    EXPECT_EQ(empty.read(), ""); // nothing printed: no byte-order mark either

    // A long Japanese line is logged whole; a log handle that cannot be written changes nothing.
    TempFile longLog(L"log_long");
    std::wstring longLine;
    for (int i = 0; i < 100000; ++i) {
        longLine += L"変換";
    }
    {
        win::UniqueHandle file(CreateFileW(longLog.path().c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
            CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        Fixture f;
        f.interpreter.reset(file.get());
        f.lines({ longLine });
    }
    EXPECT_EQ(longLog.read().size(), 3u + 600000u + 2u);

    // Surrogate pairs and lone surrogates are encoded as the platform encodes them.
    TempFile surrogates(L"log_surrogates");
    const wchar_t units[] = { L'a', 0xD83D, 0xDE00, L'b', 0xD800, L'c', 0xDC00, 0x7F, 0x80, 0x7FF, 0x800, 0xFFFF, 0xD83D };
    const std::wstring odd(units, std::size(units));
    {
        win::UniqueHandle file(CreateFileW(surrogates.path().c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
            CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        Fixture f;
        f.interpreter.reset(file.get());
        f.lines({ odd });
    }
    EXPECT_EQ(surrogates.read(), "\xEF\xBB\xBF" + base::toUtf8(odd) + "\r\n");
}

// A log that cannot be written, a log that could not be created and rules that could not
// be read: each is said once, as a warning row with the path and the system's reason.
TEST(InterpreterWarnings, UnwritableLogAndUnreadableRulesAreSaidOnce)
{
    TempFile log(L"log_readonly");
    log.write("old");
    win::UniqueHandle readOnly(CreateFileW(log.path().c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
        nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(readOnly.valid());
    Fixture f;
    f.interpreter.reset(readOnly.get(), log.path());
    EXPECT_TRUE(f.interpreter.logComplete());
    f.lines({ L"Info a", L"Info b" });
    EXPECT_FALSE(f.interpreter.logComplete());
    EXPECT_EQ(f.interpreter.warningCount(), 1);
    ASSERT_EQ(f.view.rows.size(), 3u);
    const std::wstring reason = base::formatOsErrorText(ERROR_ACCESS_DENIED);
    EXPECT_EQ(f.view.rows[1], L"row warn [] " + base::formatString(IDS_LOG_UNWRITABLE, { log.path(), reason }));

    const std::wstring missing = log.path() + L"-missing\\run.log";
    ASSERT_FALSE(f.rules.loadRules(missing));
    f.interpreter.reset(nullptr, missing, ERROR_PATH_NOT_FOUND);
    f.view.rows.clear();
    f.interpreter.reportStartWarnings();
    f.lines({ L"Info a" });
    EXPECT_EQ(f.interpreter.warningCount(), 2);
    EXPECT_FALSE(f.interpreter.logComplete());
    ASSERT_EQ(f.view.rows.size(), 2u);
    EXPECT_EQ(f.view.rows[0], L"row warn [] " + base::formatString(IDS_RULES_UNREADABLE,
        { missing, base::formatOsErrorText(ERROR_PATH_NOT_FOUND) }));
    EXPECT_EQ(f.view.rows[1], L"row warn [] " + base::formatString(IDS_LOG_UNWRITABLE,
        { missing, base::formatOsErrorText(ERROR_PATH_NOT_FOUND) }));
}

TEST(InterpreterMessages, LongRowTextsAreShortenedVisibly)
{
    Fixture f;
    f.lines({ L"Error: " + std::wstring(200000, L'x') });
    f.interpreter.flushPendingMessage();
    ASSERT_EQ(f.view.rows.size(), 1u);
    const std::wstring& row = f.view.rows[0];
    EXPECT_EQ(row.size(), std::wstring(L"row error [] ").size() + converter::OutputInterpreter::kMaxRowCharacters + 1);
    EXPECT_EQ(row.back(), base::kCutMark);
    EXPECT_EQ(f.interpreter.errorCount(), 1);
}
