#include "converter/MessageRuleSet.h"

#include <oniguruma.h>

#include <utility>

#include "converter/PatternFirstBytes.h"
#include "res/resource.h"
#include "base/MessageFormat.h"
#include "base/StringTable.h"
#include "base/Text.h"
#include "base/TextHelpers.h"

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

std::string_view trimLine(std::string_view line)
{
    return base::trimmed(line, base::isLineBlank<char>);
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

// The first at most maxCharacters UTF-16 units of a text, never ending inside a
// surrogate pair.
std::wstring_view boundedPrefix(std::wstring_view text, size_t maxCharacters)
{
    if (text.size() <= maxCharacters) {
        return text;
    }
    size_t length = maxCharacters;
    if (length > 0 && text[length - 1] >= 0xD800 && text[length - 1] <= 0xDBFF) {
        --length;
    }
    return text.substr(0, length);
}

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
      literalPrefix_(literalPrefixOf(pattern_)), firstBytes_(patternFirstBytes(pattern_)),
      requiredWords_(patternRequiredWords(pattern_))
{
}

MessageRule::MessageRule(const MessageRule& other)
    : pattern_(other.pattern_), template_(other.template_), type_(other.type_), literalPrefix_(other.literalPrefix_),
      firstBytes_(other.firstBytes_), requiredWords_(other.requiredWords_)
{
}

MessageRule& MessageRule::operator=(const MessageRule& other)
{
    if (this != &other) {
        pattern_ = other.pattern_;
        template_ = other.template_;
        type_ = other.type_;
        literalPrefix_ = other.literalPrefix_;
        firstBytes_ = other.firstBytes_;
        requiredWords_ = other.requiredWords_;
        compiled_.reset(); // new contents: the old compiled pattern no longer fits
    }
    return *this;
}

bool checkPattern(std::string_view pattern, int& groupCount, std::string& error)
{
    groupCount = 0;
    error.clear();
    if (!initializeOniguruma()) {
        error = "the regular-expression library could not be initialised";
        return false;
    }
    OnigRegex regex = nullptr;
    OnigErrorInfo errorInfo{};
    const auto* begin = reinterpret_cast<const OnigUChar*>(pattern.data());
    const int result = onig_new(&regex, begin, begin + pattern.size(), kPatternOptions, ONIG_ENCODING_UTF8,
        ONIG_SYNTAX_DEFAULT, &errorInfo);
    if (result != ONIG_NORMAL) {
        OnigUChar message[ONIG_MAX_ERROR_MESSAGE_LEN] = {};
        onig_error_code_to_str(message, result, &errorInfo);
        error = reinterpret_cast<const char*>(message);
        return false;
    }
    groupCount = onig_number_of_captures(regex);
    onig_free(regex);
    return true;
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

bool MessageRule::mayBeginWith(int firstByte) const
{
    if (firstByte == kNoByte) {
        return literalPrefix_.empty() && !firstBytes_;
    }
    if (!literalPrefix_.empty() && static_cast<unsigned char>(literalPrefix_.front()) != firstByte) {
        return false;
    }
    return !firstBytes_ || (*firstBytes_)[static_cast<size_t>(firstByte)];
}

MessageRule::Outcome MessageRule::apply(std::string_view subject, std::wstring& output)
{
    output.clear();
    if (subject.substr(0, literalPrefix_.size()) != literalPrefix_) {
        return Outcome::NoMatch; // the anchored match could not succeed
    }
    if (firstBytes_ && (subject.empty() || !(*firstBytes_)[static_cast<unsigned char>(subject.front())])) {
        return Outcome::NoMatch;
    }
    if (requiredWords_ && !requiredWords_->mayMatch(subject)) {
        return Outcome::NoMatch;
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
        output = base::formatMessageText(base::fromUtf8(template_), {});
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
    std::vector<base::MessageArg> groups;
    const int groupCount = region.get()->num_regs - 1;
    groups.reserve(static_cast<size_t>(groupCount > 0 ? groupCount : 0));
    for (int group = 1; group <= groupCount; ++group) {
        const int from = region.get()->beg[group];
        const int to = region.get()->end[group];
        if (from == ONIG_REGION_NOTPOS || from < 0 || to < from || static_cast<size_t>(to) > subject.size()) {
            groups.emplace_back(std::wstring());
        } else {
            groups.emplace_back(base::fromUtf8(subject.substr(static_cast<size_t>(from), static_cast<size_t>(to - from))));
        }
    }
    output = base::formatMessageText(base::fromUtf8(template_), groups);
    return Outcome::Matched;
}

// ---- MessageRuleSet -----------------------------------------------------------------

MessageRuleSet::MessageRuleSet() : languageKey_(languageKeyOfResources()) {}

MessageRuleSet::MessageRuleSet(std::string languageKey) : languageKey_(std::move(languageKey)) {}

std::string MessageRuleSet::languageKeyOfResources()
{
    // The string table holds the language tag of its own language, so the rule texts are
    // chosen by the very lookup that chose the dialogs and messages, whatever the thread
    // locale says.
    const std::string tag = base::toUtf8(base::loadString(IDS_RULE_LANGUAGE));
    if (tag.empty()) {
        return tag;
    }
    return tag + "=";
}

void MessageRuleSet::resetPending()
{
    pendingPattern_.clear();
    pendingText_.clear();
    pendingType_ = MessageType::None;
    pendingComplete_ = false;
    pendingTypeUnknown_ = false;
}

void MessageRuleSet::commitPendingRule()
{
    if (pendingComplete_ && !(pendingTypeUnknown_ && pendingType_ == MessageType::None)) {
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
        } else {
            // A misspelt type must not make the rule decide without a type, which would
            // hide what it matches: such a rule is skipped, unless a valid type line
            // says what it is.
            pendingTypeUnknown_ = true;
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
    clearRules();
    std::string line;
    size_t position = 0;
    while (position < bytes.size()) {
        const size_t brk = bytes.find_first_of(std::string_view("\r\n", 2), position);
        const size_t end = brk == std::string_view::npos ? bytes.size() : brk;
        const std::string_view text = bytes.substr(position, end - position);
        if (text.find('\0') == std::string_view::npos) {
            parseRuleLine(text);
        } else {
            // A zero byte ends nothing but itself: it is left out of its line.
            line.clear();
            for (const char c : text) {
                if (c != '\0') {
                    line.push_back(c);
                }
            }
            parseRuleLine(line);
        }
        position = end + 1; // an unterminated last line counts like any other
    }
    commitPendingRule();
    indexRules();
}

void MessageRuleSet::clearRules()
{
    rules_.clear();
    for (std::vector<std::uint32_t>& candidates : rulesByFirstByte_) {
        candidates.clear();
    }
}

void MessageRuleSet::indexRules()
{
    for (int byte = 0; byte <= MessageRule::kNoByte; ++byte) {
        std::vector<std::uint32_t>& candidates = rulesByFirstByte_[static_cast<size_t>(byte)];
        candidates.clear();
        for (size_t index = 0; index < rules_.size(); ++index) {
            if (rules_[index].mayBeginWith(byte)) {
                candidates.push_back(static_cast<std::uint32_t>(index));
            }
        }
    }
}

MessageRuleSet::Classification MessageRuleSet::classifyMessage(std::wstring_view message)
{
    // Rules look at a bounded prefix of the message: a message of megabytes would
    // otherwise run the matcher into its limits, and a give-up is no match.
    subject_.clear();
    base::appendUtf8(subject_, boundedPrefix(message, kMaxMatchCharacters));
    const int firstByte = subject_.empty() ? MessageRule::kNoByte : static_cast<unsigned char>(subject_.front());
    std::wstring output;
    for (const std::uint32_t index : rulesByFirstByte_[static_cast<size_t>(firstByte)]) {
        MessageRule& rule = rules_[index];
        if (rule.apply(subject_, output) != MessageRule::Outcome::Matched) {
            continue;
        }
        if (!output.empty()) {
            return Classification{ std::move(output), rule.type() };
        }
        if (rule.type() == MessageType::Ignore && rule.templateText().empty()) {
            // An ignore rule without text still decides: the message is ignored.
            return Classification{ std::wstring(message), MessageType::Ignore };
        }
    }
    if (undecided_) {
        undecided_(message);
    }
    return Classification{ std::wstring(), MessageType::None };
}

} // namespace converter
