// Gives meaning to the converter's output lines: page count and page progress, messages
// that span several lines, classification through the rule set, the warning and error
// counters, the message rows, and the processing log (UTF-8 with a byte-order mark).
// Runs on the conversion worker thread; what it shows goes through a ProgressView (the
// run's batcher), never to a window.
#pragma once

#include <span>
#include <string>
#include <string_view>

#include "converter/MessageRuleSet.h"
#include "converter/ProgressView.h"
#include "base/FileWrite.h"
#include "base/MessageFormat.h"

namespace converter {

enum class LineKind { Other = 0, Page = 1, Warning = 2, Notice = 3 };

class OutputInterpreter {
public:
    OutputInterpreter(ProgressView& view, MessageRuleSet& rules);
    OutputInterpreter(const OutputInterpreter&) = delete;
    OutputInterpreter& operator=(const OutputInterpreter&) = delete;

    // Start values for a run. The log file is not owned; null or an invalid handle
    // (INVALID_HANDLE_VALUE): no log. logPath is where the log was to be (empty: no log asked for) and
    // logOpenError why it could not be created.
    void reset(base::FileHandle logFile, const std::wstring& logPath = std::wstring(), unsigned long logOpenError = 0);

    // The warnings a run starts with, each one row counted as a warning: the rule file
    // could not be read, the log could not be created.
    void reportStartWarnings();
    // Whether the log path holds this run's whole log so far: a path was given, the file
    // was created and no write failed.
    bool logComplete() const { return !logPath_.empty() && logFile_ != nullptr && !logFailed_; }
    // An allocation failed while a line or a message was handled: one error row with a
    // fixed text instead of the message, and the pending message is given up.
    void reportOutOfMemory() noexcept;

    // Writes the log lines collected since the last call in one write (the end of a drain
    // pass): the log on disk then holds every whole line received so far.
    void flushLog();

    // One converter line, without its line break (possibly empty). Logged whatever it is
    // (collected for the next flushLog).
    // An allocation failure while it is handled gives an error row instead of its message.
    void interpretLine(std::wstring_view line);

    // A message of the front end's own (an end-of-run message): the template is formatted
    // with the inserts, then any pending message is emitted, then the text is added.
    // An empty template does nothing.
    void reportMessage(std::wstring_view templateText, std::span<const base::MessageArg> inserts);
    // Converter text as a message: shown literally, never read as a template.
    void reportLiteralMessage(std::wstring_view text);

    // Emits the message being collected from several lines, if any.
    void flushPendingMessage();
    // Classifies, counts and shows one message.
    void addMessage(std::wstring_view text);

    int totalPages() const { return totalPages_; }
    int currentPage() const { return currentPage_; }
    int warningCount() const { return warningCount_; }
    int errorCount() const { return errorCount_; }
    const std::wstring& errorCountText() const { return errorCountText_; }
    const std::wstring& warningCountText() const { return warningCountText_; }
    LineKind previousLineKind() const { return previousLineKind_; }
    const std::wstring& pendingMessage() const { return pendingMessage_; }

    // The decimal number at the start of a text: leading white space and one sign
    // allowed, 0 when there is none. Saturates instead of overflowing.
    static int integerValue(std::wstring_view text);

    // A row's description is cut to this many characters (and marked so).
    static constexpr size_t kMaxRowCharacters = 1024;

private:
    void interpretOneLine(std::wstring_view line);
    void writeLog(std::wstring_view line);
    // A warning of the front end's own: counted and shown without going through the rules.
    void addWarningRow(const std::wstring& text);
    void countAndShow(MessageType type, const std::wstring& text);

    ProgressView& view_;
    MessageRuleSet& rules_;
    int totalPages_ = 0;
    int currentPage_ = 0;
    LineKind previousLineKind_ = LineKind::Other;
    std::wstring pendingMessage_;
    int warningCount_ = 0;
    int errorCount_ = 0;
    std::wstring warningCountText_;
    std::wstring errorCountText_;
    base::FileHandle logFile_ = nullptr;
    std::wstring logPath_;
    unsigned long logOpenError_ = 0;
    bool logFailed_ = false; // a write failed: the log is given up and said so once
    bool logBomWritten_ = false;
    std::wstring outOfMemoryText_; // loaded at reset, so that reporting needs no allocation for it
    std::string logBuffer_;
    std::wstring pageStatusTemplate_; // string 223
};

} // namespace converter
