// The message classification rules of the rule file "langmap.txt": every message is
// matched against the rules in file order, and the first rule whose template gives a
// non-empty text decides the message's type and the text shown instead of it.
#pragma once

#include <array>
#include <bitset>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "converter/MessageType.h"
#include "converter/PatternFirstBytes.h"

struct re_pattern_buffer; // Oniguruma's compiled pattern (regex_t)
struct re_registers;      // Oniguruma's match region (OnigRegion)

namespace converter {

// Owns a compiled Oniguruma pattern; frees it with onig_free.
class CompiledPattern {
public:
    CompiledPattern() = default;
    explicit CompiledPattern(re_pattern_buffer* regex) : regex_(regex) {}
    CompiledPattern(const CompiledPattern&) = delete;
    CompiledPattern& operator=(const CompiledPattern&) = delete;
    CompiledPattern(CompiledPattern&& other) noexcept;
    CompiledPattern& operator=(CompiledPattern&& other) noexcept;
    ~CompiledPattern();

    re_pattern_buffer* get() const { return regex_; }
    explicit operator bool() const { return regex_ != nullptr; }
    void reset(re_pattern_buffer* regex = nullptr);

private:
    re_pattern_buffer* regex_ = nullptr;
};

// Owns a match region from onig_region_new; frees it with onig_region_free(region, 1).
class MatchRegion {
public:
    MatchRegion();
    MatchRegion(const MatchRegion&) = delete;
    MatchRegion& operator=(const MatchRegion&) = delete;
    ~MatchRegion();

    re_registers* get() const { return region_; }
    explicit operator bool() const { return region_ != nullptr; }

private:
    re_registers* region_ = nullptr;
};

// One rule: a pattern (UTF-8, compiled on first use), a template (UTF-8, may hold
// %1..%99 for the pattern's groups) and the type of the messages it decides.
// Copying copies pattern, template and type; the copy compiles its own pattern.
class MessageRule {
public:
    MessageRule() = default;
    MessageRule(std::string pattern, std::string templateText, MessageType type);
    MessageRule(const MessageRule& other);
    MessageRule& operator=(const MessageRule& other);
    MessageRule(MessageRule&&) noexcept = default;
    MessageRule& operator=(MessageRule&&) noexcept = default;

    const std::string& pattern() const { return pattern_; }
    const std::string& templateText() const { return template_; }
    MessageType type() const { return type_; }
    bool isCompiled() const { return static_cast<bool>(compiled_); }

    enum class Outcome { NoMatch, Matched };
    // Matches the pattern anchored at the start of the UTF-8 subject. On a match the
    // template is formatted with the groups into output (which may be empty).
    // A pattern that does not compile, or a match that gives up, is no match.
    Outcome apply(std::string_view subject, std::wstring& output);
    // False when no match can begin with this byte (kNoByte: the empty subject), as far
    // as the pattern tells without matching.
    static constexpr int kNoByte = 256;
    bool mayBeginWith(int firstByte) const;

private:
    bool compile();

    std::string pattern_;
    std::string template_;
    MessageType type_ = MessageType::None;
    CompiledPattern compiled_;
    // Text every match begins with (may be empty), and the bytes a match can begin with
    // (none known: every message is tried): most messages are turned away by one
    // comparison instead of a regular-expression match.
    std::string literalPrefix_;
    std::optional<std::bitset<256>> firstBytes_;
    // Words one of which every match holds (none known: not searched for).
    std::optional<RequiredWords> requiredWords_;
};

// The leading characters of a pattern that can only match themselves, up to the first
// character with a special meaning (less a character that a quantifier makes optional).
// Empty for patterns with alternatives.
std::string literalPrefixOf(std::string_view pattern);

// Compiles a pattern as the rules do. On success gives the number of its groups and
// true; otherwise Oniguruma's message and false.
bool checkPattern(std::string_view pattern, int& groupCount, std::string& error);

class MessageRuleSet {
public:
    struct Classification {
        std::wstring text;
        MessageType type = MessageType::None;
    };

    // Rules see at most this many characters from the start of a message.
    static constexpr size_t kMaxMatchCharacters = 65536;

    // The language key is that of the string table in use (string IDS_RULE_LANGUAGE).
    MessageRuleSet();
    // A given language key such as "ja=" (or empty).
    explicit MessageRuleSet(std::string languageKey);
    MessageRuleSet(const MessageRuleSet&) = delete;
    MessageRuleSet& operator=(const MessageRuleSet&) = delete;

    // Replaces the rules by those of the file. A file that cannot be opened or read
    // gives no rules and false; loadError() then holds the OS error. (Windows only.)
    bool loadRules(const std::wstring& path);
    // Replaces the rules by those of the given file contents.
    void loadRulesFromText(std::string_view bytes);

    // The text to show and the type of a message; no text and None when no rule
    // decides (most messages of a long run: nothing is copied for them).
    Classification classifyMessage(std::wstring_view message);

    const std::string& languageKey() const { return languageKey_; }
    // The file of the last loadRules and its OS error (0 when it was read).
    const std::wstring& sourcePath() const { return sourcePath_; }
    unsigned long loadError() const { return loadError_; }
    size_t ruleCount() const { return rules_.size(); }
    const MessageRule& rule(size_t index) const { return rules_[index]; }

    // Called with every message no rule decides (for tools that list them).
    void setUndecidedObserver(std::function<void(std::wstring_view)> observer) { undecided_ = std::move(observer); }

    // "langmap.txt" in the directory of the running executable. (Windows only.)
    static std::wstring defaultRuleFilePath();
    // The language tag of the string table in use followed by "=", or empty.
    static std::string languageKeyOfResources();

private:
    void resetPending();
    void commitPendingRule();
    void parseRuleLine(std::string_view line);
    void clearRules();
    void indexRules();

    std::string languageKey_;
    std::string pendingPattern_;
    std::string pendingText_;
    MessageType pendingType_ = MessageType::None;
    bool pendingComplete_ = false;
    bool pendingTypeUnknown_ = false; // a type line with a value that names no type
    std::vector<MessageRule> rules_;
    std::function<void(std::wstring_view)> undecided_;
    // For each first byte of a subject (and kNoByte), the rules that may match it, in
    // file order: a message is tried against those alone.
    std::array<std::vector<std::uint32_t>, MessageRule::kNoByte + 1> rulesByFirstByte_;
    std::string subject_; // the message in UTF-8, reused from message to message
    std::wstring sourcePath_;
    unsigned long loadError_ = 0;
};

} // namespace converter
