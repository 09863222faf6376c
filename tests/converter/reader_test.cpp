// The output reader fed in passes as the worker feeds it: line breaks, carried tails,
// zero bytes, decoding, and independence of how the bytes are chunked.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "converter/OutputInterpreter.h"
#include "converter/OutputReader.h"
#include "converter/RecordingView.h"
#include "support/ScratchFiles.h"
#include "win/Handle.h"
#include "base/Text.h"

using converter::OutputReader;

namespace {

// Bytes as they arrive from the converter: what was written since the last pass is
// consumed by the next one, so lines may be split anywhere between passes.
struct Pipe {
    void write(std::string_view bytes) { pending.append(bytes); }
    std::string pending;
};

void drain(Pipe& pipe, converter::OutputReader& reader)
{
    reader.consumeBytes(pipe.pending);
    pipe.pending.clear();
}

struct Collector {
    converter::OutputReader reader{ [this](std::wstring_view line) { lines.emplace_back(line); } };
    std::vector<std::wstring> lines;
};

std::vector<std::wstring> linesOf(std::string_view bytes)
{
    Collector c;
    c.reader.consumeBytes(bytes);
    c.reader.finishOutput();
    return c.lines;
}

using Lines = std::vector<std::wstring>;

} // namespace

TEST(ReaderBreaks, TableOfLineBreaks)
{
    EXPECT_EQ(linesOf("A\r\nB\r\n"), (Lines{ L"A", L"B" }));
    EXPECT_EQ(linesOf("A\n\nB\n"), (Lines{ L"A", L"B" }));
    EXPECT_EQ(linesOf("A\r\rB\r"), (Lines{ L"A", L"", L"B" }));
    EXPECT_EQ(linesOf("A\n\rB\n"), (Lines{ L"A", L"", L"B" }));
    EXPECT_EQ(linesOf("A\r\n\nB\n"), (Lines{ L"A", L"", L"B" }));
    EXPECT_EQ(linesOf("\r\nA"), (Lines{ L"", L"A" }));
    EXPECT_EQ(linesOf("A\r\n\r\nB"), (Lines{ L"A", L"", L"B" }));
}

TEST(ReaderPipe, AWholeLineInOnePassAndItsTailLater)
{
    Pipe pipe;
    Collector c;
    const std::string line(2500, 'z');
    pipe.write(line + "\r\n" + std::string(498, 'y'));
    drain(pipe, c.reader);
    ASSERT_EQ(c.lines.size(), 1u);
    EXPECT_EQ(c.lines[0], std::wstring(2500, L'z'));
    // The unterminated tail waits for the next pass, and the end of the run.
    drain(pipe, c.reader); // an empty pipe: nothing
    EXPECT_EQ(c.lines.size(), 1u);
    pipe.write("y\n");
    drain(pipe, c.reader);
    ASSERT_EQ(c.lines.size(), 2u);
    EXPECT_EQ(c.lines[1], std::wstring(499, L'y'));
    pipe.write("last");
    drain(pipe, c.reader);
    EXPECT_EQ(c.lines.size(), 2u);
    c.reader.finishOutput();
    ASSERT_EQ(c.lines.size(), 3u);
    EXPECT_EQ(c.lines[2], L"last");
    c.reader.finishOutput();
    EXPECT_EQ(c.lines.size(), 3u);
}

TEST(ReaderPipe, BreakSplitBetweenPassesCountsOnce)
{
    Pipe pipe;
    Collector c;
    pipe.write("A\r");
    drain(pipe, c.reader);
    pipe.write("\nB\n");
    drain(pipe, c.reader);
    pipe.write("\r");
    drain(pipe, c.reader);
    c.reader.finishOutput();
    EXPECT_EQ(c.lines, (Lines{ L"A", L"B", L"" }));
}

TEST(ReaderPipe, ZeroBytesAreLeftOutAndEndNothing)
{
    EXPECT_EQ(linesOf(std::string("ab\0cd\r\nef\n\0\nx\0", 15)), (Lines{ L"abcd", L"ef", L"", L"x" }));
    // The same whatever the reads: a zero byte in one read, the rest of its line in a later one.
    Pipe pipe;
    Collector c;
    pipe.write(std::string("ab\0c", 4));
    drain(pipe, c.reader);
    pipe.write("d\ne\n");
    drain(pipe, c.reader);
    EXPECT_EQ(c.lines, (Lines{ L"abcd", L"e" }));
}

TEST(ReaderPipe, TenMegabytesWithoutLineBreak)
{
    Pipe pipe;
    Collector c;
    const std::string block(1 << 20, 'k');
    for (int i = 0; i < 10; ++i) {
        pipe.write(block);
        drain(pipe, c.reader);
    }
    EXPECT_TRUE(c.lines.empty());
    pipe.write("\n");
    drain(pipe, c.reader);
    ASSERT_EQ(c.lines.size(), 1u);
    EXPECT_EQ(c.lines[0].size(), 10u << 20);
}

TEST(ReaderDecoding, InvalidBytesAreSubstitutedNotDropped)
{
    Lines lines = linesOf("ok\xFF\x80 end\n");
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].substr(0, 2), L"ok");
    EXPECT_EQ(lines[0].substr(lines[0].size() - 4), L" end");
}

TEST(ReaderDecoding, SystemCodePageWhateverTheThreadLocale)
{
    // The converter writes in the system's ANSI code page; a thread locale with another
    // one (other format settings) must not change the decoding.
    const LCID saved = GetThreadLocale();
    const LCID other = GetACP() == 932 ? MAKELCID(0x409, SORT_DEFAULT) : MAKELCID(0x411, SORT_DEFAULT);
    ASSERT_TRUE(SetThreadLocale(other));
    const std::string bytes = "\x82\xA0\xE9";
    const Lines lines = linesOf(bytes + "\n");
    SetThreadLocale(saved);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0], base::fromCodePage(GetACP(), bytes));
}

TEST(ReaderDecodingJapanese, ShiftJisAcrossReadsAndPasses)
{
    ASSERT_EQ(GetACP(), 932u);
    // "変換" in code page 932 is 95 CF 8A B7; split inside the first character.
    Pipe pipe;
    Collector c;
    pipe.write(std::string(1023, 'a') + "\x95");
    drain(pipe, c.reader);
    pipe.write("\xCF\x8A\xB7\r\n\x95");
    drain(pipe, c.reader);
    c.reader.finishOutput();
    ASSERT_EQ(c.lines.size(), 2u);
    EXPECT_EQ(c.lines[0], std::wstring(1023, L'a') + L"変換");
    EXPECT_EQ(c.lines[1].size(), 1u); // a lone lead byte: one substituted character
}

// Any chunking of a stream, into reads and passes, gives the same lines and the same log.
TEST(ReaderChunking, RandomChunkingGivesSameLinesAndLog)
{
    std::mt19937 random(424242);
    const char* pieces[] = { "Page 1", "Processing pages 1 through 9.", "   **** Warning: w", "   cont", "Error: e",
        "text %1 %", "\r", "\n", "\r\n", "\n\r", "\r\r", "\0", "\xFF", "\x95", "x" };
    converter::MessageRuleSet rules("en-us=");
    rules.loadRulesFromText("expression=(.+)\ntype=info\ndefault=%1\n");
    for (int round = 0; round < 40; ++round) {
        std::string stream;
        const int count = 50 + static_cast<int>(random() % 400);
        for (int i = 0; i < count; ++i) {
            const char* piece = pieces[random() % std::size(pieces)];
            if (*piece == '\0') {
                stream.push_back('\0');
            } else {
                stream += piece;
            }
        }
        if (round % 5 == 0) {
            stream += std::string(3000, 'L'); // a long unterminated tail
        }

        auto runOnce = [&](bool chunked, std::vector<std::wstring>& lines, std::vector<std::wstring>& rows) {
            testing_support::TempFile log(L"chunk_log");
            RecordingView view;
            converter::OutputInterpreter interpreter(view, rules);
            {
                win::UniqueHandle file(CreateFileW(log.path().c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                    CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
                interpreter.reset(file.get());
                converter::OutputReader reader([&](std::wstring_view line) {
                    lines.emplace_back(line);
                    interpreter.interpretLine(line);
                });
                Pipe pipe;
                if (!chunked) {
                    pipe.write(stream);
                    drain(pipe, reader);
                } else {
                    size_t offset = 0;
                    while (offset < stream.size()) {
                        const size_t size = 1 + random() % (random() % 2 == 0 ? 5 : 2000);
                        pipe.write(std::string_view(stream).substr(offset, size));
                        offset += size;
                        if (random() % 3 != 0) {
                            drain(pipe, reader);
                        }
                    }
                    drain(pipe, reader);
                }
                reader.finishOutput();
                interpreter.flushPendingMessage();
                interpreter.flushLog();
            }
            rows = view.rows;
            return log.read();
        };
        std::vector<std::wstring> wholeLines, wholeRows, chunkLines, chunkRows;
        const std::string wholeLog = runOnce(false, wholeLines, wholeRows);
        const std::string chunkLog = runOnce(true, chunkLines, chunkRows);
        ASSERT_EQ(wholeLines, chunkLines) << "round " << round;
        ASSERT_EQ(wholeRows, chunkRows) << "round " << round;
        ASSERT_EQ(wholeLog, chunkLog) << "round " << round;
        // Every line is in the log, with the byte-order mark first.
        if (!wholeLines.empty()) {
            EXPECT_EQ(wholeLog.substr(0, 3), "\xEF\xBB\xBF");
        }
    }
}

// Shift-JIS converter output under a Japanese locale: decoded, interpreted, logged as UTF-8.
TEST(ReaderDecodingJapanese, ShiftJisLinesReachTheLogAsUtf8)
{
    testing_support::TempFile log(L"sjis_log");
    converter::MessageRuleSet rules("ja=");
    rules.loadRulesFromText("expression=Warning: (.*)\ntype=warn\ndefault=W %1\nja=\xE8\xAD\xA6\xE5\x91\x8A %1\n");
    RecordingView view;
    converter::OutputInterpreter interpreter(view, rules);
    {
        win::UniqueHandle file(CreateFileW(log.path().c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
            FILE_ATTRIBUTE_NORMAL, nullptr));
        interpreter.reset(file.get());
        converter::OutputReader reader([&](std::wstring_view line) { interpreter.interpretLine(line); });
        Pipe pipe;
        // "   **** Warning: 変換" and a plain "変換" line, in code page 932.
        pipe.write("   **** Warning: \x95\xCF\x8A\xB7\r\n\x95\xCF\x8A\xB7\r\n");
        drain(pipe, reader);
        reader.finishOutput();
        interpreter.flushPendingMessage();
        interpreter.flushLog();
    }
    ASSERT_EQ(view.rows.size(), 1u);
    EXPECT_EQ(view.rows[0], L"row warn [] 警告 変換");
    EXPECT_EQ(log.read(), "\xEF\xBB\xBF   **** Warning: \xE5\xA4\x89\xE6\x8F\x9B\r\n\xE5\xA4\x89\xE6\x8F\x9B\r\n");
}
