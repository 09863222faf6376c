// Turning messages away by a pattern's possible first bytes: what the reading of a
// pattern gives, and that it never turns away a message the matcher would accept.
#include <gtest/gtest.h>

#include <oniguruma.h>

#include <random>
#include <string>
#include <utility>
#include <vector>

#include "converter/MessageRuleSet.h"
#include "converter/PatternFirstBytes.h"
#include "support/ScratchFiles.h"
#include "win/Module.h"

using converter::patternFirstBytes;
using converter::patternRequiredWords;

namespace {

std::string bytesOf(const std::bitset<256>& set)
{
    std::string bytes;
    for (size_t b = 0; b < 256; ++b) {
        if (set[b]) {
            bytes.push_back(static_cast<char>(b));
        }
    }
    return bytes;
}

// The patterns of the shipped rule file beside the test program.
std::vector<std::string> shippedPatterns()
{
    const std::string text = testing_support::readFileBytes(win::pathBesideModule(L"langmap.txt"));
    std::vector<std::string> patterns;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        end = end == std::string::npos ? text.size() : end;
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        if (line.rfind("expression=", 0) == 0) {
            patterns.push_back(line.substr(11));
        }
        start = end + 1;
    }
    return patterns;
}

} // namespace

TEST(PatternFirstBytes, WhatAPatternCanBeginWith)
{
    EXPECT_EQ(bytesOf(*patternFirstBytes("Warning: (.+)")), "W");
    EXPECT_EQ(bytesOf(*patternFirstBytes("(?:Warning: |Error: )x")), "EW");
    std::string nonAscii;
    for (int b = 0x80; b < 0x100; ++b) {
        nonAscii.push_back(static_cast<char>(b));
    }
    // Ignoring case, a letter may also meet letters outside ASCII that fold to it.
    EXPECT_EQ(bytesOf(*patternFirstBytes("(?:Warning: )?(?i:this file)")), "TWt" + nonAscii);
    EXPECT_EQ(bytesOf(*patternFirstBytes("process_abort (\\d+)")), "p");
    EXPECT_EQ(bytesOf(*patternFirstBytes("\\d+ pages")).substr(0, 10), "0123456789");
    EXPECT_EQ(bytesOf(*patternFirstBytes("^\\bx?y")), "xy");
    EXPECT_EQ(bytesOf(*patternFirstBytes("(?!Error)W")), "W");
    EXPECT_EQ(bytesOf(*patternFirstBytes("\\>>")), ">");
    EXPECT_EQ(bytesOf(*patternFirstBytes("(?<n>a|(?:b|c)?d)e")), "abcd");
    // Patterns that may match nothing, or that this reading does not follow, are always run.
    EXPECT_EQ(bytesOf(*patternFirstBytes("x'?([^'\\s]+)")), "x"); // a class later on is read past
    EXPECT_EQ(patternFirstBytes("[A-Z]?x")->count(), 256u);
    EXPECT_EQ(patternFirstBytes("(?i:\xC7\xB0)")->count(), 256u); // meets "J" and a combining caron
    // Inline options run to the end of their group, across "|"; braces are intervals or
    // text by what they hold.
    for (const char* always : {"", "a?", "(?:x|)", ".*", "[unclosed", "\\u0041", "(?<=a)b", "(?x) a", "(?i)", "a|b?",
             "(", "a)", "\\", "x{2,a}", "(?i)warning|fatal", "(?i)w|f", "x(?i)a|b", "(?-i)a", "(?m)a", "a{2}?b",
             "x{3,0}y", "^{1,2,3}x", "a{0,2}b", "a{2}b", "a}", "[]a-z]x", "[[:alpha:]]", "[a&&b]", "[\\x41]", "\\1a",
             "(a)\\k<1>", "(?>a)", "(?~a)", "^*a", "a+*", "\xC3"}) {
        EXPECT_FALSE(patternFirstBytes(always).has_value()) << always;
    }
}

// The examples of misread patterns: the message each rule matches is decided by it.
TEST(PatternFirstBytes, MisreadPatternsOnceHidMessages)
{
    const std::pair<const char*, const wchar_t*> cases[] = {{"(?i)warning|fatal", L"Fatal: disk full"},
        {"a{2}?b", L"b"}, {"x{3,0}y", L"y"}, {"^{1,2,3}x", L"{1,2,3}x"}, {"(?i:\xC7\xB0)", L"J\u030C"}};
    for (const auto& [pattern, message] : cases) {
        converter::MessageRuleSet rules("ja=");
        rules.loadRulesFromText(std::string("expression=") + pattern + "\ntype=warn\ndefault=shown\n");
        EXPECT_EQ(rules.classifyMessage(message).type, converter::MessageType::Warn) << pattern;
    }
}

TEST(PatternRequiredWords, AGroupOfPlainWordsThePatternRequires)
{
    const auto xref = patternRequiredWords("(?!Error: /)(?:Warning: |Error: )?.*(?i:xref|cross-reference)");
    ASSERT_TRUE(xref.has_value());
    EXPECT_EQ(xref->words, (std::vector<std::string>{"xref", "cross-reference"}));
    EXPECT_TRUE(xref->ignoreCase);
    EXPECT_TRUE(xref->mayMatch("Warning: bad XRef table"));
    EXPECT_TRUE(xref->mayMatch("a Cross-Reference"));
    EXPECT_FALSE(xref->mayMatch("flood filler 17"));
    EXPECT_TRUE(xref->mayMatch("non-ASCII \xC3\xA9 always tried"));
    const auto plain = patternRequiredWords(".*(done|ready)");
    ASSERT_TRUE(plain.has_value());
    EXPECT_FALSE(plain->mayMatch("DONE"));
    EXPECT_TRUE(plain->mayMatch("all done"));
    // Optional or repeated groups, groups with meaning inside, and alternatives at the
    // top level require nothing.
    for (const char* none : {".*(?:a|b)?", ".*(a|b)+", ".*(a.|b)", "x|.*(a|b)", ".*(a|b)|y", "(?=ab)c", ".*(a|)",
             "(x|.*(a|b))", "(.*(a|b)?)", "(.*(a|b)*c)", "((?=.*(a|b)).*)", "(?:.*(a|b)|c)"}) {
        EXPECT_FALSE(patternRequiredWords(none).has_value()) << none;
    }
    // Inside a group that every match passes through (a capture for the template).
    const auto inside = patternRequiredWords("(?:Warning: |Error: )?(.*(?i:not supported|unsupported).*)");
    ASSERT_TRUE(inside.has_value());
    EXPECT_EQ(inside->words, (std::vector<std::string>{"not supported", "unsupported"}));
    EXPECT_TRUE(inside->ignoreCase);
    const auto nested = patternRequiredWords("(x[(|]((?:q|r)) y)");
    ASSERT_TRUE(nested.has_value());
    EXPECT_EQ(nested->words, (std::vector<std::string>{"q", "r"}));
}

// Soundness against the matcher itself: whatever the matcher accepts begins with a byte
// of the set, for every shipped pattern and random messages built from the words the
// rules look for, case changes and letters that fold to ASCII.
TEST(PatternFirstBytes, NeverTurnsAwayAMessageTheMatcherAccepts)
{
    ASSERT_EQ(ONIG_NORMAL, onig_initialize(std::vector<OnigEncoding>{ONIG_ENCODING_UTF8}.data(), 1));
    std::vector<std::string> patterns = shippedPatterns();
    ASSERT_GT(patterns.size(), 20u);
    patterns.insert(patterns.end(), {"(?i:ss)x", "(?i:k)", "(?i:st)", "\\d", "(?i)file"});
    const std::vector<std::string> pieces = {"Warning: ", "Error: ", "error: ", "WARNING: ", "Page ", "page",
        "Processing", "processing", "Korvello", "copyright", "COPYRIGHT", "xref", "stream", "length", "font ",
        "Font ", "not embedded", "substituting", "for", "the ", "The ", "this file", "/undefined in ", "/VMerror",
        "unknown operator", "'", " ", "\t", "1", "42", "\xC3\x9F", "\xC5\xBF", "\xE2\x84\xAA", "\xEF\xAC\x86",
        "\xEF\xBC\x91", ">>", "XREF", "Cross-reference", "cross-Reference", "process_success ", "Conversion done", "ss", "K", "x", "."};
    std::mt19937 random(20261207);
    int compared = 0;
    for (const std::string& pattern : patterns) {
        OnigRegex regex = nullptr;
        OnigErrorInfo error{};
        const auto* p = reinterpret_cast<const OnigUChar*>(pattern.data());
        ASSERT_EQ(ONIG_NORMAL, onig_new(&regex, p, p + pattern.size(), ONIG_OPTION_SINGLELINE | ONIG_OPTION_CAPTURE_GROUP,
                                   ONIG_ENCODING_UTF8, ONIG_SYNTAX_DEFAULT, &error))
            << pattern;
        const auto first = patternFirstBytes(pattern);
        const auto required = patternRequiredWords(pattern);
        for (int round = 0; round < 20000; ++round) {
            std::string message;
            const int count = static_cast<int>(random() % 5);
            for (int i = 0; i < count; ++i) {
                message += pieces[random() % pieces.size()];
            }
            const auto* s = reinterpret_cast<const OnigUChar*>(message.data());
            const bool matches = onig_match(regex, s, s + message.size(), s, nullptr, ONIG_OPTION_NONE) >= 0;
            if (matches && required) {
                EXPECT_TRUE(required->mayMatch(message)) << pattern << " on " << message;
            }
            if (matches && first) {
                ASSERT_FALSE(message.empty()) << pattern;
                EXPECT_TRUE((*first)[static_cast<unsigned char>(message.front())]) << pattern << " on " << message;
                ++compared;
            }
        }
        onig_free(regex);
    }
    EXPECT_GT(compared, 5000);
}
