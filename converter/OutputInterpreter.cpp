#include "converter/OutputInterpreter.h"

#include <climits>
#include <cwctype>
#include <new>
#include <utility>

#include "res/resource.h"
#include "base/StringTable.h"
#include "base/Text.h"
#include "base/TextHelpers.h"

namespace converter {

namespace {

constexpr std::wstring_view kPageCountPrefix = L"Processing pages 1 through "; // 27 characters
constexpr std::wstring_view kPagePrefix = L"Page ";
constexpr std::wstring_view kWarningMarker = L"   **** Warning:";
constexpr std::wstring_view kNoticeMarker = L"   **** ";
constexpr std::wstring_view kContinuationPrefix = L"   ";
constexpr std::wstring_view kErrorMarker = L"Error: ";
constexpr size_t kMarkerLength = 8; // "   **** "

static_assert(kPageCountPrefix.size() == 27);

std::wstring_view trimMessage(std::wstring_view text)
{
    return base::trimmed(text, base::isLineBlank<wchar_t>);
}

std::wstring_view trimWhiteSpace(std::wstring_view text)
{
    return base::trimmed(text, [](wchar_t c) { return std::iswspace(static_cast<std::wint_t>(c)) != 0; });
}

} // namespace

OutputInterpreter::OutputInterpreter(ProgressView& view, MessageRuleSet& rules)
    : view_(view), rules_(rules), pageStatusTemplate_(base::loadString(IDS_PROCESSING_PAGE))
{
}

void OutputInterpreter::reset(base::FileHandle logFile, const std::wstring& logPath, unsigned long logOpenError)
{
    totalPages_ = 0;
    currentPage_ = 0;
    previousLineKind_ = LineKind::Other;
    pendingMessage_.clear();
    warningCount_ = 0;
    errorCount_ = 0;
    warningCountText_.clear();
    errorCountText_.clear();
    logFile_ = (logFile == base::invalidFileHandle()) ? nullptr : logFile;
    logPath_ = logPath;
    logOpenError_ = logOpenError;
    logFailed_ = false;
    outOfMemoryText_ = base::loadString(IDS_MESSAGE_OUT_OF_MEMORY);
    // Loaded once per run, on the thread that runs it, rather than for every page line.
    pageStatusTemplate_ = base::loadString(IDS_PROCESSING_PAGE);
    logBomWritten_ = false;
    logBuffer_.clear();
}

int OutputInterpreter::integerValue(std::wstring_view text)
{
    return base::saturatingInt32(text);
}

void OutputInterpreter::interpretLine(std::wstring_view line)
{
    try {
        interpretOneLine(line);
    } catch (const std::bad_alloc&) {
        // The line's message could not be made: an error row says so, the run goes on.
        reportOutOfMemory();
        previousLineKind_ = LineKind::Other;
    }
}

void OutputInterpreter::interpretOneLine(std::wstring_view line)
{
    LineKind kind = LineKind::Other;
    size_t at = 0;
    if (line.starts_with(kPageCountPrefix)) {
        totalPages_ = integerValue(line.substr(kPageCountPrefix.size()));
        view_.setProgressRange(totalPages_);
    } else if (line.starts_with(kPagePrefix) && line.find(L'x') == std::wstring_view::npos) {
        currentPage_ = integerValue(line.substr(kPagePrefix.size()));
        // The bar's position is the number of pages done; computed wide so that no page
        // number overflows.
        const long long position = static_cast<long long>(currentPage_) - 1;
        view_.setProgressPosition(position < INT_MIN ? INT_MIN : static_cast<int>(position));
        const base::MessageArg inserts[] = { currentPage_, totalPages_ };
        view_.setStatusText(base::formatMessageText(pageStatusTemplate_, inserts));
        kind = LineKind::Page;
    } else if ((at = line.find(kWarningMarker)) != std::wstring_view::npos) {
        flushPendingMessage();
        pendingMessage_.assign(line.substr(at + kMarkerLength));
        kind = LineKind::Warning;
    } else if (line.find(kNoticeMarker) != std::wstring_view::npos) {
        reportLiteralMessage(line.substr(kMarkerLength));
        kind = LineKind::Notice;
    } else if (line.starts_with(kContinuationPrefix)) {
        if (previousLineKind_ != LineKind::Other) {
            pendingMessage_.push_back(L' ');
            pendingMessage_.append(trimWhiteSpace(line));
        }
        kind = previousLineKind_;
    } else if ((at = line.find(kErrorMarker)) != std::wstring_view::npos) {
        flushPendingMessage();
        pendingMessage_.assign(line.substr(at));
    } else {
        reportLiteralMessage(line);
    }
    writeLog(line);
    previousLineKind_ = kind;
}

void OutputInterpreter::writeLog(std::wstring_view line)
{
    if (logFile_ == nullptr) {
        return;
    }
    if (!logBomWritten_) {
        logBuffer_.append("\xEF\xBB\xBF");
        logBomWritten_ = true;
    }
    base::appendUtf8(logBuffer_, line);
    logBuffer_.append("\r\n");
}

void OutputInterpreter::flushLog()
{
    if (logFile_ == nullptr || logBuffer_.empty()) {
        logBuffer_.clear();
        return;
    }
    // One write for the lines of a drain pass. A failing log does not stop the run, but
    // it is said once and given up, so that "Open Log" does not offer a log with lines
    // missing.
    unsigned long error = 0;
    if (!base::writeAll(logFile_, logBuffer_, error)) {
        logFailed_ = true;
        logFile_ = nullptr;
        logBuffer_.clear();
        addWarningRow(base::formatString(IDS_LOG_UNWRITABLE, {logPath_, base::formatOsErrorText(error)}));
        return;
    }
    logBuffer_.clear();
}

void OutputInterpreter::reportStartWarnings()
{
    if (rules_.loadError() != 0) {
        addWarningRow(base::formatString(IDS_RULES_UNREADABLE,
            {rules_.sourcePath(), base::formatOsErrorText(rules_.loadError())}));
    }
    if (!logPath_.empty() && logFile_ == nullptr && !logFailed_) {
        logFailed_ = true;
        const unsigned long error = logOpenError_ != 0 ? logOpenError_ : base::kErrorOpenFailed;
        addWarningRow(base::formatString(IDS_LOG_UNWRITABLE, {logPath_, base::formatOsErrorText(error)}));
    }
}

void OutputInterpreter::addWarningRow(const std::wstring& text)
{
    countAndShow(MessageType::Warn, text);
}

void OutputInterpreter::reportOutOfMemory() noexcept
{
    pendingMessage_.clear();
    pendingMessage_.shrink_to_fit();
    try {
        countAndShow(MessageType::Error, outOfMemoryText_);
    } catch (const std::bad_alloc&) {
        // Not even the row fits: the error counter has counted it.
    }
}

void OutputInterpreter::reportMessage(std::wstring_view templateText, std::span<const base::MessageArg> inserts)
{
    if (templateText.empty()) {
        return;
    }
    const std::wstring text = base::formatMessageText(templateText, inserts);
    flushPendingMessage();
    addMessage(text);
}

void OutputInterpreter::reportLiteralMessage(std::wstring_view text)
{
    if (text.empty()) {
        return;
    }
    flushPendingMessage();
    addMessage(text);
}

void OutputInterpreter::flushPendingMessage()
{
    if (!pendingMessage_.empty()) {
        const std::wstring message = std::move(pendingMessage_);
        pendingMessage_.clear();
        addMessage(message);
    }
}

void OutputInterpreter::addMessage(std::wstring_view text)
{
    const MessageRuleSet::Classification result = rules_.classifyMessage(trimMessage(text));
    if (result.type != MessageType::Info && result.type != MessageType::Warn && result.type != MessageType::Error) {
        return; // Ignore, None or anything unknown: no row, no count
    }
    countAndShow(result.type, result.text);
}

void OutputInterpreter::countAndShow(MessageType type, const std::wstring& text)
{
    if (type == MessageType::Warn || type == MessageType::Error) {
        const bool warning = type == MessageType::Warn;
        int& count = warning ? warningCount_ : errorCount_;
        if (count < INT_MAX) {
            ++count;
        }
        if (count == 1) {
            view_.showCounter(type);
        }
        std::wstring counterText = base::formatString(warning ? IDS_WARNING_COUNT : IDS_ERROR_COUNT, { count });
        view_.setCounterText(type, counterText);
        (warning ? warningCountText_ : errorCountText_) = std::move(counterText);
    }
    const std::wstring page = currentPage_ >= 1 ? std::to_wstring(currentPage_) : std::wstring();
    view_.addMessageRow(type, page, base::shortenText(trimMessage(text), kMaxRowCharacters));
}

} // namespace converter
