// A rule file and one message: the input up to its last line break is the rule file,
// the rest the message. The checker's lint reads the rule file too.
// The filters that turn a message away before the matcher runs (literal prefix, first
// bytes, required words, the first-byte index) never turn away a message the matcher
// itself would match (fuzz_patterns makes the patterns for this). Properties: the text
// shown is bounded, an undecided message comes back unchanged (unless a rule without
// type decided it), classification takes bounded time.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "FuzzSupport.h"
#include <oniguruma.h>

#include "converter/MessageRuleSet.h"
#include "tools/langmap-check/RuleLint.h"
#include "base/MessageFormat.h"
#include "base/Text.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const size_t brk = input.rfind('\n');
    const std::string_view ruleText = brk == std::string_view::npos ? std::string_view() : input.substr(0, brk);
    const std::string_view messageBytes = brk == std::string_view::npos ? input : input.substr(brk + 1);

    converter::MessageRuleSet rules("ja=");
    rules.loadRulesFromText(ruleText);
    FUZZ_REQUIRE(rules.ruleCount() <= ruleText.size() / 11 + 1); // every rule has its "expression=" line
    const std::wstring message = base::fromUtf8(messageBytes);
    const fuzz::Stopwatch watch;
    const auto result = rules.classifyMessage(message);
    FUZZ_REQUIRE(watch.seconds() < fuzz::kSecondsPerInput * (1 + rules.ruleCount() / 8.0));
    // Every rule against the matcher alone, compiled as the rules compile their patterns.
    const std::string subject = base::toUtf8(message);
    const auto* start = reinterpret_cast<const OnigUChar*>(subject.data());
    for (size_t i = 0; i < rules.ruleCount() && i < 64; ++i) {
        converter::MessageRule rule = rules.rule(i);
        std::wstring output;
        const bool matched = rule.apply(subject, output) == converter::MessageRule::Outcome::Matched;
        OnigRegex regex = nullptr;
        OnigErrorInfo error{};
        const auto* pattern = reinterpret_cast<const OnigUChar*>(rule.pattern().data());
        if (onig_new(&regex, pattern, pattern + rule.pattern().size(), ONIG_OPTION_SINGLELINE | ONIG_OPTION_CAPTURE_GROUP,
                ONIG_ENCODING_UTF8, ONIG_SYNTAX_DEFAULT, &error) != ONIG_NORMAL) {
            continue;
        }
        const int direct = onig_match(regex, start, start + subject.size(), start, nullptr, ONIG_OPTION_NONE);
        onig_free(regex);
        if (direct >= 0) {
            FUZZ_REQUIRE(matched);
            FUZZ_REQUIRE(rule.mayBeginWith(subject.empty() ? converter::MessageRule::kNoByte
                                                           : static_cast<unsigned char>(subject[0])));
        }
    }

    bool untypedRule = false; // a rule with texts and no type decides without a type
    for (size_t i = 0; i < rules.ruleCount(); ++i) {
        untypedRule = untypedRule || rules.rule(i).type() == converter::MessageType::None;
    }
    if (result.type == converter::MessageType::None) {
        FUZZ_REQUIRE(result.text.empty() || untypedRule); // undecided: no text
        FUZZ_REQUIRE(result.text.size() <= base::kMaxFormattedCharacters + 1);
    } else {
        FUZZ_REQUIRE(result.type == converter::MessageType::Info || result.type == converter::MessageType::Warn
            || result.type == converter::MessageType::Error || result.type == converter::MessageType::Ignore);
        FUZZ_REQUIRE(result.text.size() <= base::kMaxFormattedCharacters + 1 || result.text == message);
    }
    // The checker's lint: any rule file is read to its end, every finding names a line
    // of the file. Only small files: its reachability check tries every rule against
    // the samples of every later one, which would slow the search for everything else.
    if (ruleText.size() > 2048) {
        return 0;
    }
    size_t lines = 1;
    for (const char c : ruleText) {
        lines += (c == '\n' || c == '\r') ? 1 : 0;
    }
    for (const langmap::Finding& finding : langmap::lintRules(ruleText, "ja=")) {
        FUZZ_REQUIRE(finding.line <= lines);
        FUZZ_REQUIRE(!finding.text.empty());
    }
    return 0;
}
