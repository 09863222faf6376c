#include "converter/MessageRuleSet.h"

#include <windows.h>

#include <shlwapi.h>

#include <oniguruma.h>

#include <utility>

#include "win/Handle.h"
#include "win/Strings.h"
#include "win/Text.h"

namespace converter {

namespace {

// ONIG_OPTION_SINGLELINE | ONIG_OPTION_CAPTURE_GROUP: "^" and "$" are the start and end
// of the message; plain groups are captured also in patterns with named groups.
constexpr OnigOptionType kPatternOptions = ONIG_OPTION_SINGLELINE | ONIG_OPTION_CAPTURE_GROUP;
static_assert(kPatternOptions == 0x108);

// A match gives up (and counts as no match) after this many backtracking steps or
// this many entries on the match stack, so that a catastrophic pattern or a huge
// message cannot hold up the worker. Real messages need a tiny fraction of either.
constexpr unsigned long kRetryLimitInMatch = 200000;
constexpr unsigned int kMatchStackLimit = 1000000;

// Oniguruma is initialised once per process, on first use, for UTF-8 only.
bool initializeOniguruma()
{
    static const bool initialized = [] {
        OnigEncoding encodings[] = { ONIG_ENCODING_UTF8 };
        const int result = onig_initialize(encodings, 1);
        onig_set_retry_limit_in_match(kRetryLimitInMatch);
        onig_set_retry_limit_in_search(kRetryLimitInMatch);
        onig_set_match_stack_limit_size(kMatchStackLimit);
        return result == ONIG_NORMAL;
    }();
    return initialized;
}

bool isLineTrimChar(char c) { return c == '\r' || c == '\n' || c == '\t' || c == ' '; }

std::string_view trimLine(std::string_view line)
{
    while (!line.empty() && isLineTrimChar(line.front())) {
        line.remove_prefix(1);
    }
    while (!line.empty() && isLineTrimChar(line.back())) {
        line.remove_suffix(1);
    }
    return line;
}

// The rest of the line after the first occurrence of the keyword, or nothing.
bool valueAfter(std::string_view line, std::string_view keyword, std::string_view& value)
{
    const size_t at = line.find(keyword);
    if (at == std::string_view::npos) {
        return false;
    }
    value = line.substr(at + keyword.size());
    return true;
}

using LcidToRfc1766AFunction = HRESULT(WINAPI*)(LCID, LPSTR, INT);

} // namespace

// ---- CompiledPattern and MatchRegion -------------------------------------------

CompiledPattern::CompiledPattern(CompiledPattern&& other) noexcept : regex_(std::exchange(other.regex_, nullptr)) {}

CompiledPattern& CompiledPattern::operator=(CompiledPattern&& other) noexcept
{
    if (this != &other) {
        reset(std::exchange(other.regex_, nullptr));
    }
    return *this;
}

CompiledPattern::~CompiledPattern() { reset(); }

void CompiledPattern::reset(re_pattern_buffer* regex)
{
    if (regex_ != nullptr) {
        onig_free(regex_);
    }
    regex_ = regex;
}

MatchRegion::MatchRegion() : region_(onig_region_new()) {}

MatchRegion::~MatchRegion()
{
    if (region_ != nullptr) {
        onig_region_free(region_, 1);
    }
}

// ---- MessageRule ------------------------------------------------------------------

std::string literalPrefixOf(std::string_view pattern)
{
    if (pattern.find('|') != std::string_view::npos) {
        return std::string(); // an alternative may begin differently
    }
    std::string prefix;
    for (const char c : pattern) {
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')
            || (c != '\0' && std::string_view(" _-:,;'\"=/<>!@%&~`").find(c) != std::string_view::npos);
        if (!plain) {
            if ((c == '?' || c == '*' || c == '+' || c == '{') && !prefix.empty()) {
                prefix.pop_back(); // the quantifier applies to the last character
            }
            break;
        }
        prefix.push_back(c);
    }
    return prefix;
}

MessageRule::MessageRule(std::string pattern, std::string templateText, MessageType type)
    : pattern_(std::move(pattern)), template_(std::move(templateText)), type_(type),
      literalPrefix_(literalPrefixOf(pattern_))
{
}

MessageRule::MessageRule(const MessageRule& other)
    : pattern_(other.pattern_), template_(other.template_), type_(other.type_), literalPrefix_(other.literalPrefix_)
{
}

MessageRule& MessageRule::operator=(const MessageRule& other)
{
    if (this != &other) {
        pattern_ = other.pattern_;
        template_ = other.template_;
        type_ = other.type_;
        literalPrefix_ = other.literalPrefix_;
        compiled_.reset(); // new contents: the old compiled pattern no longer fits
    }
    return *this;
}

bool MessageRule::compile()
{
    if (compiled_) {
        return true;
    }
    if (!initializeOniguruma()) {
        return false;
    }
    OnigRegex regex = nullptr;
    OnigErrorInfo errorInfo{};
    const auto* begin = reinterpret_cast<const OnigUChar*>(pattern_.data());
    const int result = onig_new(&regex, begin, begin + pattern_.size(), kPatternOptions, ONIG_ENCODING_UTF8,
        ONIG_SYNTAX_DEFAULT, &errorInfo);
    if (result != ONIG_NORMAL) {
        // onig_new frees what it made on failure; try again with the next message.
        return false;
    }
    compiled_.reset(regex);
    return true;
}

MessageRule::Outcome MessageRule::apply(std::string_view subject, std::wstring& output)
{
    output.clear();
    if (subject.substr(0, literalPrefix_.size()) != literalPrefix_) {
        return Outcome::NoMatch; // the anchored match could not succeed
    }
    if (!compile()) {
        return Outcome::NoMatch;
    }
    const auto* start = reinterpret_cast<const OnigUChar*>(subject.data());
    const auto* end = start + subject.size();
    // A template without "%" inserts no group: match without a region, which spares an
    // allocation for most attempts (ignore rules and plain texts).
    if (template_.find('%') == std::string::npos) {
        if (onig_match(compiled_.get(), start, end, start, nullptr, ONIG_OPTION_NONE) < 0) {
            return Outcome::NoMatch;
        }
        output = win::formatMessageText(win::fromUtf8(template_), {});
        return Outcome::Matched;
    }
    MatchRegion region;
    if (!region) {
        return Outcome::NoMatch;
    }
    const int result = onig_match(compiled_.get(), start, end, start, region.get(), ONIG_OPTION_NONE);
    if (result < 0) {
        return Outcome::NoMatch; // no match, or a match that gave up at a limit
    }
    std::vector<win::MessageArg> groups;
    const int groupCount = region.get()->num_regs - 1;
    groups.reserve(static_cast<size_t>(groupCount > 0 ? groupCount : 0));
    for (int group = 1; group <= groupCount; ++group) {
        const int from = region.get()->beg[group];
        const int to = region.get()->end[group];
        if (from == ONIG_REGION_NOTPOS || from < 0 || to < from || static_cast<size_t>(to) > subject.size()) {
            groups.emplace_back(std::wstring());
        } else {
            groups.emplace_back(win::fromUtf8(subject.substr(static_cast<size_t>(from), static_cast<size_t>(to - from))));
        }
    }
    output = win::formatMessageText(win::fromUtf8(template_), groups);
    return Outcome::Matched;
}

// ---- MessageRuleSet -----------------------------------------------------------------

MessageRuleSet::MessageRuleSet() : languageKey_(languageKeyOfThread()) {}

MessageRuleSet::MessageRuleSet(std::string languageKey) : languageKey_(std::move(languageKey)) {}

std::string MessageRuleSet::languageKeyOfThread()
{
    win::UniqueLibrary mlang(L"mlang.dll");
    if (!mlang) {
        return std::string();
    }
    const FARPROC procedure = GetProcAddress(mlang.get(), "LcidToRfc1766A");
    if (procedure == nullptr) {
        return std::string();
    }
    // Through the generic function pointer type, which converts to any other.
    const auto lcidToRfc1766 = reinterpret_cast<LcidToRfc1766AFunction>(reinterpret_cast<void (*)()>(procedure));
    char tag[32] = {};
    if (lcidToRfc1766(GetThreadLocale(), tag, 32) != S_OK) {
        return std::string();
    }
    tag[31] = '\0';
    std::string key(tag);
    if (key.empty()) {
        return key;
    }
    return key + "=";
}

std::wstring MessageRuleSet::defaultRuleFilePath()
{
    wchar_t path[MAX_PATH + 1] = {};
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) {
        return std::wstring();
    }
    wchar_t* fileName = PathFindFileNameW(path);
    std::wstring result(path, static_cast<size_t>(fileName - path));
    return result + L"langmap.txt";
}

void MessageRuleSet::resetPending()
{
    pendingPattern_.clear();
    pendingText_.clear();
    pendingType_ = MessageType::None;
    pendingComplete_ = false;
}

void MessageRuleSet::commitPendingRule()
{
    if (pendingComplete_) {
        rules_.emplace_back(std::move(pendingPattern_), std::move(pendingText_), pendingType_);
    }
    resetPending();
}

void MessageRuleSet::parseRuleLine(std::string_view rawLine)
{
    const std::string_view line = trimLine(rawLine);
    std::string_view value;
    if (valueAfter(line, "expression=", value)) {
        commitPendingRule();
        pendingPattern_.assign(value);
        return;
    }
    if (valueAfter(line, "type=", value)) {
        if (value == "error") {
            pendingType_ = MessageType::Error;
        } else if (value == "warn") {
            pendingType_ = MessageType::Warn;
        } else if (value == "info") {
            pendingType_ = MessageType::Info;
        } else if (value == "ignore") {
            pendingType_ = MessageType::Ignore;
            pendingComplete_ = true;
        }
        return;
    }
    if (valueAfter(line, "default=", value)) {
        if (pendingText_.empty()) {
            pendingText_.assign(value);
            pendingComplete_ = true;
        }
        return;
    }
    // Without a language tag only the default texts apply: an empty key would
    // otherwise match every line.
    if (!languageKey_.empty() && valueAfter(line, languageKey_, value)) {
        pendingText_.assign(value);
        pendingComplete_ = true;
    }
}

void MessageRuleSet::loadRulesFromText(std::string_view bytes)
{
    resetPending();
    rules_.clear();
    std::string line;
    // The text is taken in pieces of 1024 bytes, as the file is read: a zero byte ends
    // the usable text of its piece.
    constexpr size_t kPiece = 1024;
    for (size_t offset = 0; offset < bytes.size(); offset += kPiece) {
        std::string_view piece = bytes.substr(offset, kPiece);
        const size_t zero = piece.find('\0');
        if (zero != std::string_view::npos) {
            piece = piece.substr(0, zero);
        }
        size_t position = 0;
        while (position < piece.size()) {
            const size_t brk = piece.find_first_of("\r\n", position);
            if (brk == std::string_view::npos) {
                line.append(piece.substr(position));
                break;
            }
            if (line.empty()) {
                parseRuleLine(piece.substr(position, brk - position));
            } else {
                line.append(piece.substr(position, brk - position));
                parseRuleLine(line);
                line.clear();
            }
            position = brk + 1;
        }
    }
    if (!line.empty()) {
        parseRuleLine(line); // an unterminated last line counts like any other
    }
    commitPendingRule();
}

void MessageRuleSet::loadRules(const std::wstring& path)
{
    resetPending();
    rules_.clear();
    win::UniqueHandle file(CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        return;
    }
    std::string contents;
    char piece[1024];
    for (;;) {
        DWORD read = 0;
        if (!ReadFile(file.get(), piece, sizeof(piece), &read, nullptr) || read == 0) {
            break;
        }
        contents.append(piece, read);
    }
    // Parsed in the same 1024-byte pieces in which a file is read.
    loadRulesFromText(contents);
}

MessageRuleSet::Classification MessageRuleSet::classifyMessage(const std::wstring& message)
{
    const std::string subject = win::toUtf8(message);
    std::wstring output;
    for (MessageRule& rule : rules_) {
        if (rule.apply(subject, output) != MessageRule::Outcome::Matched) {
            continue;
        }
        if (!output.empty()) {
            return Classification{ std::move(output), rule.type() };
        }
        if (rule.type() == MessageType::Ignore && rule.templateText().empty()) {
            // An ignore rule without text still decides: the message is ignored.
            return Classification{ message, MessageType::Ignore };
        }
    }
    return Classification{ message, MessageType::None };
}

} // namespace converter
