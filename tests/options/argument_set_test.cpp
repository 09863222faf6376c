// ArgumentSet splitting and bookkeeping, removeOption, line breaks, number conversion
// and the option table's data: plain logic without controls.
#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include <windows.h>
#include <shellapi.h>

#include "options/ArgumentQuoting.h"
#include "options/ArgumentSet.h"
#include "options/CommandLineComposer.h"
#include "ui/DialogCommandLineBoxes.h"
#include "options/OptionEngine.h"
#include "options/OptionTable.h"
#include "res/resource.h"

using options::ArgumentSet;
using Words = std::vector<std::wstring>;

TEST(ParameterText, SplitsAtBlanksAndSortsOptionsFromFiles)
{
    const ArgumentSet set = ArgumentSet::fromParameterText(L"--dpi=300 in.pdf\t--words  \t out.djvu -x");
    EXPECT_EQ(set.options(), (Words{L"--dpi=300", L"--words", L"-x"}));
    EXPECT_EQ(set.fileArguments(), (Words{L"in.pdf", L"out.djvu"}));
    EXPECT_EQ(set.optionCount(), 3u);
    EXPECT_EQ(set.fileArgumentCount(), 2u);
    for (size_t i = 0; i < set.optionCount(); ++i) {
        EXPECT_FALSE(set.consumed(i));
    }
}

TEST(ParameterText, EmptyAndBlankTextsGiveEmptySets)
{
    for (const wchar_t* text : {L"", L" ", L"\t \t"}) {
        const ArgumentSet set = ArgumentSet::fromParameterText(text);
        EXPECT_TRUE(set.options().empty()) << text;
        EXPECT_TRUE(set.fileArguments().empty()) << text;
    }
    // Leading and trailing blanks add nothing.
    const ArgumentSet set = ArgumentSet::fromParameterText(L"  --a  ");
    EXPECT_EQ(set.options(), (Words{L"--a"}));
    EXPECT_TRUE(set.fileArguments().empty());
}

TEST(ParameterText, QuotesGroupBlanksAndStayInTheArgument)
{
    const ArgumentSet set = ArgumentSet::fromParameterText(
        L"--resourcedir=\"C:\\My Fonts\\x\" \"C:\\in put.pdf\" --bg-slices=\"a\tb\" a\"b c\"d");
    EXPECT_EQ(set.options(), (Words{L"--resourcedir=\"C:\\My Fonts\\x\"", L"--bg-slices=\"a\tb\""}));
    EXPECT_EQ(set.fileArguments(), (Words{L"\"C:\\in put.pdf\"", L"a\"b c\"d"}));
}

TEST(ParameterText, LaterWordBeginningWithQuoteKeepsItsBlanks)
{
    // Exactly as for the first word of the text.
    const ArgumentSet first = ArgumentSet::fromParameterText(L"\"C:\\a b\\in.pdf\" --x");
    const ArgumentSet later = ArgumentSet::fromParameterText(L"--x \"C:\\a b\\in.pdf\"");
    EXPECT_EQ(first.fileArguments(), (Words{L"\"C:\\a b\\in.pdf\""}));
    EXPECT_EQ(later.fileArguments(), (Words{L"\"C:\\a b\\in.pdf\""}));
    EXPECT_EQ(later.options(), (Words{L"--x"}));
}

TEST(ParameterText, UnpairedQuoteEndsWithTheText)
{
    // The open argument runs to the end of the text and keeps its quote.
    ArgumentSet set = ArgumentSet::fromParameterText(L"--a \"b c\t--d ");
    EXPECT_EQ(set.options(), (Words{L"--a"}));
    EXPECT_EQ(set.fileArguments(), (Words{L"\"b c\t--d "}));

    set = ArgumentSet::fromParameterText(L"--resourcedir=\"C:\\My Res");
    EXPECT_EQ(set.options(), (Words{L"--resourcedir=\"C:\\My Res"}));

    set = ArgumentSet::fromParameterText(L"\"");
    EXPECT_EQ(set.fileArguments(), (Words{L"\""}));
    EXPECT_TRUE(set.options().empty());
}

TEST(ParameterText, BackslashAtTheEndOfAWordEscapesNothingInTheNext)
{
    // As the platform splits it: the quote that follows the blank opens a quoted part.
    const std::wstring text = L"--resourcedir=C:\\dir\\ \"a b\" next";
    const ArgumentSet set = ArgumentSet::fromParameterText(text);
    EXPECT_EQ(set.options(), (Words{L"--resourcedir=C:\\dir\\"}));
    EXPECT_EQ(set.fileArguments(), (Words{L"\"a b\"", L"next"}));
    int count = 0;
    LPWSTR* argv = CommandLineToArgvW((L"prog.exe " + text).c_str(), &count);
    ASSERT_NE(argv, nullptr);
    EXPECT_EQ(count, 4);
    LocalFree(argv);
    // Composed and split again, the text stays the same.
    EXPECT_EQ(ArgumentSet::fromParameterText(set.unconsumedText()).unconsumedText(), set.unconsumedText());
}

TEST(CommandLineArguments, SortedWithoutSplitting)
{
    const ArgumentSet set = ArgumentSet::fromCommandLine(
        {L"C:\\a b\\in.pdf", L"--dpi=600", L"-", L"", L"C:\\out.djvu", L"--resourcedir=C:\\x y", L"third"});
    // Options are held as argument text: quoted again where the platform removed quotes.
    EXPECT_EQ(set.options(), (Words{L"--dpi=600", L"-", L"--resourcedir=\"C:\\x y\""}));
    EXPECT_EQ(set.fileArguments(), (Words{L"C:\\a b\\in.pdf", L"", L"C:\\out.djvu", L"third"}));
    EXPECT_TRUE(ArgumentSet::fromCommandLine({}).options().empty());
}

TEST(ArgumentSetBookkeeping, ConsumedFlagsAndUnconsumedText)
{
    // A parameter text's other words keep their places; a command line's file
    // arguments are files, never shown.
    ArgumentSet set = ArgumentSet::fromParameterText(L"--a --b file --c");
    EXPECT_EQ(set.unconsumedText(), L"--a --b file --c");
    set.markConsumed(1);
    EXPECT_TRUE(set.consumed(1));
    EXPECT_FALSE(set.consumed(0));
    EXPECT_EQ(set.unconsumedText(), L"--a file --c");
    set.markConsumed(0);
    EXPECT_EQ(set.unconsumedText(), L"file --c");
    set.markConsumed(2);
    EXPECT_EQ(set.unconsumedText(), L"file");
    ArgumentSet process = ArgumentSet::fromCommandLine({L"--a", L"in.pdf", L"--title=My Document"});
    EXPECT_EQ(process.unconsumedText(), L"--a --title=\"My Document\"");
    // Indexes past the end are harmless.
    set.markConsumed(99);
    EXPECT_FALSE(set.consumed(99));
}

TEST(ArgumentSetBookkeeping, SetFileArgumentExtendsWithEmptyTexts)
{
    ArgumentSet set;
    set.setFileArgument(1, L"out.djvu");
    EXPECT_EQ(set.fileArguments(), (Words{L"", L"out.djvu"}));
    set.setFileArgument(0, L"in.pdf");
    EXPECT_EQ(set.fileArguments(), (Words{L"in.pdf", L"out.djvu"}));
    set.setFileArgument(0, L"other.pdf");
    EXPECT_EQ(set.fileArguments(), (Words{L"other.pdf", L"out.djvu"}));

    ArgumentSet three = ArgumentSet::fromCommandLine({L"a", L"b", L"c"});
    three.setFileArgument(1, L"B");
    EXPECT_EQ(three.fileArguments(), (Words{L"a", L"B", L"c"}));
}

TEST(RemoveOption, RemovesTheFirstOccurrenceOnly)
{
    std::wstring text = L"--dpi=300 --quality=65 --words";
    options::removeOption(text, L"--quality");
    EXPECT_EQ(text, L"--dpi=300  --words");

    text = L"--quality=1 --quality=2";
    options::removeOption(text, L"--quality");
    EXPECT_EQ(text, L" --quality=2");

    text = L"--a --quality\t--b";
    options::removeOption(text, L"--quality");
    EXPECT_EQ(text, L"--a \t--b");

    text = L"--a --quality";
    options::removeOption(text, L"--quality");
    EXPECT_EQ(text, L"--a ");

    text = L"--a --quality=7\t--b";
    options::removeOption(text, L"--quality");
    EXPECT_EQ(text, L"--a \t--b");

    text = L"--quality=7";
    options::removeOption(text, L"--quality");
    EXPECT_EQ(text, L"");
}

TEST(RemoveOption, LeavesLongerWordsAndOtherCasesAlone)
{
    std::wstring text = L"--qualityx=3 --quality=4";
    options::removeOption(text, L"--quality");
    EXPECT_EQ(text, L"--qualityx=3 --quality=4"); // only the first occurrence is looked at

    text = L"--Quality=4";
    options::removeOption(text, L"--quality");
    EXPECT_EQ(text, L"--Quality=4");

    text = L"--fg-quality=lossless --quality=65";
    options::removeOption(text, L"--bg-quality");
    EXPECT_EQ(text, L"--fg-quality=lossless --quality=65");

    text = L"";
    options::removeOption(text, L"--quality");
    EXPECT_EQ(text, L"");

    text = L"--a";
    options::removeOption(text, L"");
    EXPECT_EQ(text, L"--a");
}

TEST(LineBreaks, BecomeSingleSpaces)
{
    EXPECT_EQ(options::lineBreaksToSpaces(L"--a\r\n--b"), L"--a --b");
    EXPECT_EQ(options::lineBreaksToSpaces(L"--a\n--b\r--c"), L"--a --b --c");
    EXPECT_EQ(options::lineBreaksToSpaces(L"\r\n\r\n"), L"  ");
    EXPECT_EQ(options::lineBreaksToSpaces(L"\n\r"), L"  ");
    EXPECT_EQ(options::lineBreaksToSpaces(L"a\r\r\nb"), L"a  b");
    EXPECT_EQ(options::lineBreaksToSpaces(L"\tx "), L"\tx ");
}

TEST(NumberConversion, LeadingBlanksSignDigitsThenStop)
{
    using options::parseOptionNumber;
    EXPECT_EQ(parseOptionNumber(L"050"), 50);
    EXPECT_EQ(parseOptionNumber(L"7x"), 7);
    EXPECT_EQ(parseOptionNumber(L"abc"), 0);
    EXPECT_EQ(parseOptionNumber(L""), 0);
    EXPECT_EQ(parseOptionNumber(L" \t\r\n+12"), 12);
    EXPECT_EQ(parseOptionNumber(L"-5"), -5);
    EXPECT_EQ(parseOptionNumber(L"+"), 0);
    EXPECT_EQ(parseOptionNumber(L"- 5"), 0);
    EXPECT_EQ(parseOptionNumber(L"065abc"), 65);
    EXPECT_EQ(parseOptionNumber(L"1,000"), 1);
}

TEST(NumberConversion, LongDigitRunsSaturate)
{
    using options::parseOptionNumber;
    EXPECT_EQ(parseOptionNumber(L"2147483647"), INT_MAX);
    EXPECT_EQ(parseOptionNumber(L"2147483648"), INT_MAX);
    EXPECT_EQ(parseOptionNumber(L"-2147483648"), INT_MIN);
    EXPECT_EQ(parseOptionNumber(L"-2147483649"), INT_MIN);
    // 2^32 + 65 would wrap to 65 in 32 bits.
    EXPECT_EQ(parseOptionNumber(L"4294967361"), INT_MAX);
    EXPECT_EQ(parseOptionNumber(L"18446744073709551681"), INT_MAX);
    EXPECT_EQ(parseOptionNumber(std::wstring(5000, L'9')), INT_MAX);
    EXPECT_EQ(parseOptionNumber(L"-" + std::wstring(5000, L'9')), INT_MIN);
    EXPECT_EQ(parseOptionNumber(L"000000000000000000000000042"), 42);
}

TEST(OptionTableData, BasicPageOrderKindsAndRanges)
{
    using options::OptionKind;
    const auto table = options::basicOptionTable();
    ASSERT_EQ(table.size(), 9u);
    const wchar_t* names[] = {L"--dpi", L"--threshold-level", L"--fg-quality", L"--bg-subsample", L"--quality", L"",
        L"--convert-links", L"--nosep", L"--fgbg-sep"};
    const OptionKind kinds[] = {OptionKind::Number, OptionKind::Number, OptionKind::Choice, OptionKind::Number,
        OptionKind::Number, OptionKind::FlagChoice, OptionKind::Flag, OptionKind::Flag, OptionKind::Flag};
    const int ids[] = {IDC_BASIC_DPI, IDC_BASIC_THRESHOLD, IDC_BASIC_FG_QUALITY, IDC_BASIC_SUBSAMPLE,
        IDC_BASIC_QUALITY, IDC_BASIC_TEXT_EXTRACTION, IDC_BASIC_CONVERT_LINKS, IDC_BASIC_NOSEP, IDC_BASIC_FGBG_SEP};
    for (size_t i = 0; i < table.size(); ++i) {
        EXPECT_EQ(table[i].name, names[i]) << i;
        EXPECT_EQ(table[i].kind, kinds[i]) << i;
        EXPECT_EQ(table[i].controlId, ids[i]) << i;
    }
    EXPECT_EQ(table[0].minimum, 1);
    EXPECT_EQ(table[0].maximum, 9999);
    EXPECT_EQ(table[0].spinId, 0);
    EXPECT_EQ(table[0].defaultIndex, 1);
    ASSERT_EQ(table[0].entries.size(), 3u);
    EXPECT_EQ(table[0].entries[1].keyword, L"300");
    EXPECT_EQ(table[4].spinId, IDC_BASIC_QUALITY_SPIN);
    EXPECT_EQ(table[4].minimum, 0);
    EXPECT_EQ(table[4].maximum, 100);
    EXPECT_EQ(table[4].defaultValue, 65);
    ASSERT_EQ(table[5].entries.size(), 4u);
    EXPECT_EQ(table[5].entries[3].keyword, L"--no-texts");
    EXPECT_EQ(table[5].entries[3].stringId, static_cast<UINT>(IDS_TEXT_NONE));
    ASSERT_EQ(table[2].entries.size(), 5u);
    EXPECT_EQ(table[2].entries[1].keyword, L"quasilossless");
    EXPECT_EQ(table[2].entries[4].stringId, static_cast<UINT>(IDS_FG_AGGRESSIVE));
}

TEST(OptionTableData, AdvancedPageStartsWithRenderingIntent)
{
    using options::OptionKind;
    const auto table = options::advancedOptionTable();
    ASSERT_EQ(table.size(), 8u);
    const wchar_t* names[] = {L"--pdf", L"--ignore-color-profiles", L"--fg-colors", L"--fg-image-colors",
        L"--pages-per-dict", L"--no-exact-color", L"--bg-slices", L"--resourcedir"};
    for (size_t i = 0; i < table.size(); ++i) {
        EXPECT_EQ(table[i].name, names[i]) << i;
    }
    EXPECT_EQ(table[0].kind, OptionKind::Choice);
    EXPECT_FALSE(table[0].generateDefault);
    EXPECT_EQ(table[4].minimum, 1);
    EXPECT_EQ(table[4].spinLow, 0);
    EXPECT_EQ(table[4].spinHigh, 99999);
    EXPECT_EQ(table[6].kind, OptionKind::Text);
    EXPECT_EQ(table[6].checkId, IDC_ADV_SLICES_CHECK);
    ASSERT_EQ(table[6].overrides.size(), 2u);
    EXPECT_EQ(table[6].overrides[0], L"--quality");
    EXPECT_EQ(table[6].overrides[1], L"--bg-quality");
    EXPECT_EQ(table[7].companionId, IDC_ADV_RESOURCE_BROWSE);
}

// Whatever the front end puts back into text must split into the same arguments
// when the converter parses its command line by the platform's rules.
TEST(ArgumentQuoting, TextSplitsBackIntoTheSameArgumentByThePlatformsRules)
{
    const Words arguments = {L"--title=My Document", L"--resourcedir=C:\\My Fonts\\", L"a\"b", L"\\\"x\\\\",
        L"", L"--x=\"quoted\"", L"C:\\a b\\\\", L"\t", L"--plain=C:\\dir\\", L"-- y=1", L"日本 語\\"};
    for (const std::wstring& argument : arguments) {
        for (const std::wstring& text : {options::argumentText(argument), options::quotedArgument(argument)}) {
            int count = 0;
            const std::wstring line = L"prog.exe " + text + L" next";
            LPWSTR* argv = CommandLineToArgvW(line.c_str(), &count);
            ASSERT_NE(argv, nullptr);
            ASSERT_EQ(count, 3) << text;
            EXPECT_EQ(std::wstring(argv[1]), argument) << text;
            EXPECT_EQ(std::wstring(argv[2]), L"next") << text;
            LocalFree(argv);
            EXPECT_EQ(options::unquotedArgument(text), argument) << text;
            // The parameter-text splitter sees one word too.
            EXPECT_EQ(ArgumentSet::fromParameterText(text + L" next").options().size()
                    + ArgumentSet::fromParameterText(text + L" next").fileArgumentCount(), 2u) << text;
        }
    }
    EXPECT_EQ(options::argumentText(L"--title=My Document"), L"--title=\"My Document\"");
    EXPECT_EQ(options::argumentText(L"--dpi=300"), L"--dpi=300");
    EXPECT_EQ(options::withoutSurroundingQuotes(L"\"C:\\a b.pdf\""), L"C:\\a b.pdf");
    EXPECT_EQ(options::withoutSurroundingQuotes(L"\""), L"\"");
}

TEST(CommandLineDisplay, OnlyOverlongWordsAreCutInTheMiddle)
{
    EXPECT_EQ(ui::commandLineForDisplay(L"--dpi=30  \"C:\\a b.pdf\"", 8), L"--dpi=30  \"C:\\a b.pdf\"");
    EXPECT_EQ(ui::commandLineForDisplay(L"--x \"C:\\abcdefghij.pdf\" --y", 8), L"--x \"C:\\...pdf\" --y");
    const std::wstring huge = L"\"C:\\" + std::wstring(30000, L'h') + L".pdf\"";
    EXPECT_EQ(ui::commandLineForDisplay(L"--a " + huge).size(), 4u + 1024u + 3u);
}

TEST(ParameterText, PlainQuotesAreReadPlainlyWhereTheEscapeRulesLeaveAQuoteOpen)
{
    // A folder ending in a backslash, quoted without escapes: by the escape rules the
    // closing quote would be a literal one and swallow --foo.
    ArgumentSet set = ArgumentSet::fromParameterText(L"--resourcedir=\"C:\\My Fonts\\\" --foo");
    EXPECT_EQ(set.options(), (Words{L"--resourcedir=\"C:\\My Fonts\\\\\"", L"--foo"}));
    EXPECT_EQ(options::unquotedArgument(L"\"C:\\My Fonts\\\\\""), L"C:\\My Fonts\\");

    // Text that the escape rules close is read by them, backslash-quote and all.
    set = ArgumentSet::fromParameterText(L"--title=\"say \\\"hi\\\"\" --foo");
    EXPECT_EQ(set.options(), (Words{L"--title=\"say \\\"hi\\\"\"", L"--foo"}));
}
