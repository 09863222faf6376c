// The rule file format, classification and the language key.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "converter/MessageRuleSet.h"
#include "support/ScratchFiles.h"
#include "res/resource.h"
#include "win/Handle.h"
#include "base/StringTable.h"
#include "base/Text.h"

using converter::MessageRuleSet;
using testing_support::TempFile;

namespace {

const char kExampleRules[] = "expression=process_success (\\d+)\n"
                             "type=info\n"
                             "default=Finished in %1 seconds.\n"
                             "ja=\xE5\x87\xA6\xE7\x90\x86\xE6\x99\x82\xE9\x96\x93 %1 \xE7\xA7\x92\n";

converter::MessageRuleSet::Classification classify(converter::MessageRuleSet& rules, const std::wstring& text)
{
    return rules.classifyMessage(text);
}

} // namespace

TEST(RulesParsing, ExampleRuleEnglishAndJapaneseKeys)
{
    converter::MessageRuleSet english("en-us=");
    english.loadRulesFromText(kExampleRules);
    ASSERT_EQ(english.ruleCount(), 1u);
    auto result = classify(english, L"process_success 12");
    EXPECT_EQ(result.text, L"Finished in 12 seconds.");
    EXPECT_EQ(result.type, converter::MessageType::Info);

    converter::MessageRuleSet japanese("ja=");
    japanese.loadRulesFromText(kExampleRules);
    result = classify(japanese, L"process_success 12");
    EXPECT_EQ(result.text, L"処理時間 12 秒");
    EXPECT_EQ(result.type, converter::MessageType::Info);
}

TEST(RulesParsing, TypeKeywordsAndOrderOfLines)
{
    converter::MessageRuleSet rules("ja=");
    rules.loadRulesFromText("before=\n"
                            "expression=A\n"
                            "ja=japanese A\n"
                            "default=default A\n" // after a language line: does not replace it
                            "type=error\n"
                            "expression=B\n"
                            "default=first B\n"
                            "default=second B\n" // the first non-empty default counts
                            "type=warn\n"
                            "type=Error\n" // wrong letter case: ignored
                            "expression=C\n"
                            "default=default C\n"
                            "ja=japanese C\n" // replaces the default
                            "ja=last C\n"     // the last language line counts
                            "type=info\n"
                            "type=bogus\n"
                            "expression=D\n"
                            "type=warn\n" // no text: dropped
                            "expression=E\n"
                            "type=ignore\n" // ignore without text: kept
                            "expression=F\n"
                            "default=no type\n");
    ASSERT_EQ(rules.ruleCount(), 5u);
    EXPECT_EQ(rules.rule(0).pattern(), "A");
    EXPECT_EQ(rules.rule(0).templateText(), "japanese A");
    EXPECT_EQ(rules.rule(0).type(), converter::MessageType::Error);
    EXPECT_EQ(rules.rule(1).templateText(), "first B");
    EXPECT_EQ(rules.rule(1).type(), converter::MessageType::Warn);
    EXPECT_EQ(rules.rule(2).templateText(), "last C");
    EXPECT_EQ(rules.rule(2).type(), converter::MessageType::Info);
    EXPECT_EQ(rules.rule(3).pattern(), "E");
    EXPECT_EQ(rules.rule(3).type(), converter::MessageType::Ignore);
    EXPECT_EQ(rules.rule(3).templateText(), "");
    EXPECT_EQ(rules.rule(4).pattern(), "F");
    EXPECT_EQ(rules.rule(4).type(), converter::MessageType::None);
}

TEST(RulesParsing, LineBreaksWhitespaceAndUnterminatedLastLine)
{
    const std::string lf = "expression=^Warn(ing)\n  type=warn \t\ndefault=  W%1\n";
    std::string crlf;
    for (char c : lf) {
        if (c == '\n') {
            crlf += "\r\n";
        } else {
            crlf += c;
        }
    }
    std::string cr = lf;
    for (char& c : cr) {
        if (c == '\n') {
            c = '\r';
        }
    }
    for (const std::string& text : { lf, crlf, cr, lf.substr(0, lf.size() - 1) }) {
        converter::MessageRuleSet rules("ja=");
        rules.loadRulesFromText(text);
        ASSERT_EQ(rules.ruleCount(), 1u);
        EXPECT_EQ(rules.rule(0).pattern(), "^Warn(ing)");
        EXPECT_EQ(rules.rule(0).templateText(), "  W%1"); // leading blanks after the keyword stay
        EXPECT_EQ(rules.rule(0).type(), converter::MessageType::Warn);
    }
}

TEST(RulesParsing, KeywordsInsideTextsAndLinesBeforeTheFirstExpression)
{
    converter::MessageRuleSet rules("ja=");
    rules.loadRulesFromText("default=orphan\n"
                            "expression=X\n"
                            "ja=a text with type=error inside\n" // taken as a type line (invalid value)
                            "expression=Y\n"
                            "ja=a text with default=inside\n" // taken as a default line
                            "type=info\n");
    ASSERT_EQ(rules.ruleCount(), 2u);
    EXPECT_EQ(rules.rule(0).pattern(), "");
    EXPECT_EQ(rules.rule(0).templateText(), "orphan");
    EXPECT_EQ(rules.rule(1).pattern(), "Y");
    EXPECT_EQ(rules.rule(1).templateText(), "inside");
}

TEST(RulesParsing, EmptyLanguageKeyUsesOnlyDefaultTexts)
{
    converter::MessageRuleSet rules("");
    rules.loadRulesFromText("expression=A\r\ntype=info\r\ndefault=the default\r\nja=japanese\r\nsome comment\r\n"
                            "expression=B\r\ntype=info\r\nja=only japanese\r\n");
    ASSERT_EQ(rules.ruleCount(), 1u);
    EXPECT_EQ(rules.rule(0).templateText(), "the default");
}

TEST(RulesParsing, LongLinesAndZeroBytes)
{
    std::string longText(3000000, 'x');
    converter::MessageRuleSet rules("ja=");
    rules.loadRulesFromText("expression=L\ntype=warn\ndefault=" + longText + "\n");
    ASSERT_EQ(rules.ruleCount(), 1u);
    EXPECT_EQ(rules.rule(0).templateText().size(), longText.size());

    // A zero byte ends nothing but itself: it is left out, and the rules after it load.
    std::string file = "expression=Z\ntype=info\ndefault=bef";
    file.push_back('\0');
    file += "ore\nexpression=after\ntype=warn\ndefault=kept\n";
    file.resize(1500, '\0');
    file += "\nexpression=late\ntype=warn\ndefault=kept\n";
    rules.loadRulesFromText(file);
    ASSERT_EQ(rules.ruleCount(), 3u);
    EXPECT_EQ(rules.rule(0).templateText(), "before");
    EXPECT_EQ(rules.rule(1).pattern(), "after");
    EXPECT_EQ(rules.rule(2).pattern(), "late");
}

TEST(RulesParsing, AnUnknownTypeSkipsTheRule)
{
    // A misspelt type must not hide what the rule matches: the later rules decide.
    for (const char* type : { "Warn", " warn", "warning", "" }) {
        converter::MessageRuleSet rules("en-us=");
        rules.loadRulesFromText(std::string("expression=E\ntype=") + type + "\ndefault=hidden\n"
            "expression=E\ntype=error\ndefault=shown\n");
        const auto result = rules.classifyMessage(L"E");
        EXPECT_EQ(result.type, converter::MessageType::Error) << type;
        EXPECT_EQ(result.text, L"shown") << type;
    }
}

TEST(RulesFile, LoadsFromDiskAndMissingFileGivesNoRules)
{
    TempFile file(L"rules");
    file.write(kExampleRules);
    converter::MessageRuleSet rules("en-us=");
    rules.loadRules(file.path());
    EXPECT_EQ(rules.ruleCount(), 1u);

    EXPECT_EQ(rules.loadError(), 0u);

    // A file that an editor holds open for writing, sharing it, is read.
    {
        win::UniqueHandle editor(CreateFileW(file.path().c_str(), GENERIC_READ | GENERIC_WRITE,
            FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(editor.valid());
        EXPECT_TRUE(rules.loadRules(file.path()));
        EXPECT_EQ(rules.ruleCount(), 1u);
    }
    // One held without any sharing cannot be read: no rules, and the reason is kept.
    {
        win::UniqueHandle holder(CreateFileW(file.path().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(holder.valid());
        EXPECT_FALSE(rules.loadRules(file.path()));
        EXPECT_EQ(rules.ruleCount(), 0u);
        EXPECT_EQ(rules.loadError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
    }
    EXPECT_FALSE(rules.loadRules(file.path() + L".missing"));
    EXPECT_EQ(rules.ruleCount(), 0u);
    EXPECT_EQ(rules.loadError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(rules.sourcePath(), file.path() + L".missing");
    auto result = rules.classifyMessage(L"process_success 3");
    EXPECT_EQ(result.type, converter::MessageType::None);
    EXPECT_TRUE(result.text.empty());

    const std::wstring path = converter::MessageRuleSet::defaultRuleFilePath();
    ASSERT_GE(path.size(), 11u);
    EXPECT_EQ(path.substr(path.size() - 12), L"\\langmap.txt");
}

TEST(RulesClassify, AnchoredFirstRuleDecidesAndUnmatchedIsNone)
{
    converter::MessageRuleSet rules("en-us=");
    rules.loadRulesFromText("expression=Warning\ntype=warn\ndefault=first\n"
                            "expression=Warning: (.*)\ntype=error\ndefault=second %1\n"
                            "expression=Hidden\ndefault=hidden text\n");
    EXPECT_EQ(rules.classifyMessage(L"Warning: x").text, L"first");
    EXPECT_EQ(rules.classifyMessage(L"Warning: x").type, converter::MessageType::Warn);
    EXPECT_EQ(rules.classifyMessage(L"A Warning: x").type, converter::MessageType::None);
    EXPECT_EQ(rules.classifyMessage(L"warning: x").type, converter::MessageType::None); // case-sensitive
    auto hidden = rules.classifyMessage(L"Hidden thing");
    EXPECT_EQ(hidden.type, converter::MessageType::None); // a rule with text but no type hides the message
    EXPECT_EQ(hidden.text, L"hidden text");
}

TEST(RulesClassify, EmptyOutputPassesOnAndIgnoreWithoutTextDecides)
{
    converter::MessageRuleSet rules("en-us=");
    rules.loadRulesFromText("expression=M(\\d*)\ntype=error\ndefault=%1\n"
                            "expression=M\ntype=ignore\n"
                            "expression=M\ntype=info\ndefault=never\n"
                            "expression=N(x)?\ntype=warn\ndefault=[%1][%2][%9]\n");
    auto digits = rules.classifyMessage(L"M42");
    EXPECT_EQ(digits.type, converter::MessageType::Error);
    EXPECT_EQ(digits.text, L"42");
    auto ignored = rules.classifyMessage(L"M");
    EXPECT_EQ(ignored.type, converter::MessageType::Ignore);
    // A group that did not take part and inserts beyond the groups give empty text.
    auto missing = rules.classifyMessage(L"N");
    EXPECT_EQ(missing.type, converter::MessageType::Warn);
    EXPECT_EQ(missing.text, L"[][][]");
}

TEST(RulesClassify, LazyCompilationBadPatternsAndCopies)
{
    converter::MessageRuleSet rules("en-us=");
    rules.loadRulesFromText("expression=(unclosed\ntype=error\ndefault=bad\n"
                            "expression=Good\ntype=info\ndefault=good\n"
                            "expression=Unreached\ntype=info\ndefault=u\n");
    EXPECT_FALSE(rules.rule(1).isCompiled());
    EXPECT_EQ(rules.classifyMessage(L"Good").text, L"good");
    EXPECT_FALSE(rules.rule(0).isCompiled()); // tried again for every message
    EXPECT_TRUE(rules.rule(1).isCompiled());
    EXPECT_FALSE(rules.rule(2).isCompiled());
    converter::MessageRule copy = rules.rule(1);
    EXPECT_FALSE(copy.isCompiled());
    EXPECT_EQ(copy.pattern(), "Good");
    std::wstring output;
    EXPECT_EQ(copy.apply("Good!", output), converter::MessageRule::Outcome::Matched);
    EXPECT_EQ(output, L"good");
}

TEST(RulesClassify, CaretDollarAndInlineCaseFolding)
{
    converter::MessageRuleSet rules("en-us=");
    rules.loadRulesFromText("expression=^(?i:error) (\\w+)$\ntype=error\ndefault=E %1\n");
    EXPECT_EQ(rules.classifyMessage(L"ERROR code").text, L"E code");
    EXPECT_EQ(rules.classifyMessage(L"ERROR code more").type, converter::MessageType::None);
    EXPECT_EQ(rules.classifyMessage(L"error a\nb").type, converter::MessageType::None); // $ is the end of the text
}

TEST(RulesClassify, LiteralPrefixTurnsAwayOnlyWhatCannotMatch)
{
    using converter::literalPrefixOf;
    EXPECT_EQ(literalPrefixOf("process_success (\\d+)"), "process_success ");
    EXPECT_EQ(literalPrefixOf("Error: /undefined"), "Error: /undefined");
    EXPECT_EQ(literalPrefixOf("Warnings?: x"), "Warning") << "the optional s is left out";
    EXPECT_EQ(literalPrefixOf("ab+c"), "a");
    EXPECT_EQ(literalPrefixOf("abc{2}"), "ab");
    EXPECT_EQ(literalPrefixOf("Error|Warning"), "") << "alternatives";
    EXPECT_EQ(literalPrefixOf("(?i:error)"), "");
    EXPECT_EQ(literalPrefixOf("^Page"), "");
    EXPECT_EQ(literalPrefixOf("a.b"), "a");
    EXPECT_EQ(literalPrefixOf("a\\.b"), "a");
    EXPECT_EQ(literalPrefixOf("#x y"), "");

    // The same decisions with and without the shortcut: patterns whose prefix is long
    // against messages that share some of it.
    converter::MessageRuleSet rules("en-us=");
    rules.loadRulesFromText("expression=Warnings?: (.*)\ntype=warn\ndefault=W %1\n"
                            "expression=ab+c\ntype=info\ndefault=abc\n"
                            "expression=Error: (\\w+)\ntype=error\ndefault=E %1\n");
    EXPECT_EQ(rules.classifyMessage(L"Warning: x").text, L"W x");
    EXPECT_EQ(rules.classifyMessage(L"Warnings: y").text, L"W y");
    EXPECT_EQ(rules.classifyMessage(L"Warn").type, converter::MessageType::None);
    EXPECT_EQ(rules.classifyMessage(L"abbbc").text, L"abc");
    EXPECT_EQ(rules.classifyMessage(L"ac").type, converter::MessageType::None);
    EXPECT_EQ(rules.classifyMessage(L"Error: font").text, L"E font");
    EXPECT_EQ(rules.classifyMessage(L"Error:").type, converter::MessageType::None);
    EXPECT_EQ(rules.classifyMessage(L"").type, converter::MessageType::None);
}

TEST(RulesBadInput, PercentInConverterTextAndTemplates)
{
    converter::MessageRuleSet rules("en-us=");
    rules.loadRulesFromText("expression=Msg (.*)\ntype=warn\ndefault=got %1 and %2\n"
                            "expression=Trail\ntype=error\ndefault=rejected %\n"
                            "expression=Tr\ntype=info\ndefault=next rule\n"
                            "expression=Esc\ntype=info\ndefault=a%0b\n"
                            "expression=Nl\ntype=info\ndefault=x%ny %!%%\n");
    // The message's own "%1" is an insert's text and is never formatted again.
    EXPECT_EQ(rules.classifyMessage(L"Msg 100%1 %n %s").text, L"got 100%1 %n %s and ");
    // A template the formatter rejects gives no text, so the next rule decides.
    EXPECT_EQ(rules.classifyMessage(L"Trail").text, L"next rule");
    EXPECT_EQ(rules.classifyMessage(L"Esc").text, L"a");
    EXPECT_EQ(rules.classifyMessage(L"Nl").text, L"x\r\ny !%");
}

TEST(RulesBadInput, CatastrophicPatternsGiveUp)
{
    converter::MessageRuleSet rules("en-us=");
    rules.loadRulesFromText("expression=(a+)+b\ntype=error\ndefault=slow\n"
                            "expression=(x|x)*y\ntype=error\ndefault=slow2\n"
                            "expression=a\ntype=info\ndefault=fallback\n");
    const std::wstring subject(5000, L'a');
    auto result = rules.classifyMessage(subject);
    EXPECT_EQ(result.text, L"fallback");
    EXPECT_EQ(rules.classifyMessage(std::wstring(100000, L'x')).type, converter::MessageType::None);
    // Patterns with huge or nested repeats compile (or fail) quickly and never match wrongly.
    converter::MessageRuleSet repeats("en-us=");
    repeats.loadRulesFromText("expression=(((a{1,1000}){1,1000}){1,1000})b\ntype=error\ndefault=r1\n"
                              "expression=a{100000}{100000}\ntype=error\ndefault=r2\n"
                              "expression=(?:x{9999}){9999}\ntype=error\ndefault=r3\n"
                              "expression=(?<n>a)\\k<n>+(?=b)\ntype=error\ndefault=r4\n"
                              "expression=a\ntype=info\ndefault=plain\n");
    EXPECT_EQ(repeats.classifyMessage(std::wstring(3000, L'a')).text, L"plain");
    // A 10 MB message through a pattern that scans it.
    converter::MessageRuleSet scan("en-us=");
    scan.loadRulesFromText("expression=.*Z\ntype=error\ndefault=z\nexpression=.\ntype=info\ndefault=any\n");
    EXPECT_EQ(scan.classifyMessage(std::wstring(10 * 1024 * 1024, L'q')).text, L"any");
}

TEST(RulesBadInput, InvalidUtf8AndNulBytesInFile)
{
    std::string file = "expression=Bad\xFF\xFE(.)\ntype=warn\ndefault=t\xC3\n"
                       "expression=\xE3\x81\xAB(.)\ntype=info\ndefault=\xC0\xAFok %1\n";
    converter::MessageRuleSet rules("en-us=");
    rules.loadRulesFromText(file);
    ASSERT_EQ(rules.ruleCount(), 2u);
    EXPECT_EQ(rules.classifyMessage(L"Bad\xFFFD\xFFFDx").type, converter::MessageType::None);
    auto result = rules.classifyMessage(L"にx");
    EXPECT_EQ(result.type, converter::MessageType::Info);
    EXPECT_NE(result.text.find(L"ok x"), std::wstring::npos);
    // Lone surrogates in a message are encoded with substitutions and never crash.
    EXPECT_EQ(rules.classifyMessage(std::wstring(L"\xD800\xDC00\xDFFF", 3)).type, converter::MessageType::None);
}

TEST(RulesBadInput, RandomRuleFilesAndMessagesNeverCrash)
{
    std::mt19937 random(20261207);
    const char* pieces[] = { "expression=", "type=", "default=", "ja=", "info", "warn", "error", "ignore", "%", "%1",
        "%99", "%0", "%n", "!", "%1!*.*s!", "%1!", "(", ")", "(.)", "*", "+", "(a+)+", "\\", "[", "]", "{2,}", "?<n>",
        "\r", "\n", "\r\n", "", "\xFF", "\xC3", "\xE3\x81", "a", "b", " ", "\t", "(?i)" };
    const std::wstring messages[] = { L"", L"a", L"ab%1", L"aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaac", L"error x", L"%0%n!" };
    for (int round = 0; round < 300; ++round) {
        std::string file;
        const int count = static_cast<int>(random() % 60);
        for (int i = 0; i < count; ++i) {
            const size_t which = random() % std::size(pieces);
            if (std::string_view(pieces[which]).empty()) {
                file.push_back('\0');
            } else {
                file += pieces[which];
            }
            if (random() % 4 == 0) {
                file.push_back(static_cast<char>(random() % 256));
            }
        }
        converter::MessageRuleSet rules((round % 2) == 0 ? "ja=" : "");
        rules.loadRulesFromText(file);
        for (const std::wstring& message : messages) {
            auto result = rules.classifyMessage(message);
            EXPECT_TRUE(result.type >= converter::MessageType::None && result.type <= converter::MessageType::Ignore);
        }
    }
}

TEST(RulesBadInput, HugeMessagesAndWidthInsertsStayBounded)
{
    // A message of megabytes is matched on its first characters, so it is still graded;
    // width inserts repeated over it are cut, visibly, instead of needing gigabytes.
    std::string templateText;
    for (int i = 0; i < 200; ++i) {
        templateText += "%1!9999s!";
    }
    converter::MessageRuleSet rules("en-us=");
    rules.loadRulesFromText("expression=Error: (.*)\ntype=error\ndefault=" + templateText + "\n");
    const auto result = rules.classifyMessage(L"Error: " + std::wstring(5000000, L'e'));
    EXPECT_EQ(result.type, converter::MessageType::Error);
    EXPECT_EQ(result.text.size(), base::kMaxFormattedCharacters + 1);
    EXPECT_EQ(result.text.back(), base::kCutMark);
}

// The rule texts follow the language of the string table that the dialogs use, whatever
// the thread's locale (under Wine the resources follow the thread locale, so both move).
TEST(RulesLanguage, KeyFollowsTheStringTable)
{
    const LCID saved = GetThreadLocale();
    for (const LCID locale : { MAKELCID(0x411, SORT_DEFAULT), MAKELCID(0x409, SORT_DEFAULT) }) {
        SetThreadLocale(locale);
        converter::MessageRuleSet rules;
        const bool japanese = base::loadString(IDS_TYPE_WARNING) == L"警告";
        EXPECT_EQ(rules.languageKey(), japanese ? "ja=" : "en-us=") << locale;
    }
    SetThreadLocale(saved);
}

TEST(RulesLanguageJapanese, JapaneseKeyFromTheResources)
{
    converter::MessageRuleSet rules;
    EXPECT_EQ(rules.languageKey(), "ja=");
    rules.loadRulesFromText(kExampleRules);
    EXPECT_EQ(rules.classifyMessage(L"process_success 7").text, L"処理時間 7 秒");
}
