// Reset, generation and taking of every option kind, over the in-memory double and
// over real dialogs from templates 107 and 108.
#include <gtest/gtest.h>

#include "Harness.h"

using namespace test_options;
using options::ArgumentSet;

namespace {

const std::wstring kBasicDefaults =
    L"--dpi=300 --threshold-level=80 --fg-quality=lossless --bg-subsample=3 --quality=65 --words";
const std::wstring kAdvancedDefaults = L"--fg-colors=256 --fg-image-colors=256 --pages-per-dict=20";

} // namespace

template <class H>
class OptionRules : public ::testing::Test {
protected:
    OptionRules() { pages.create(); }

    // Applies a text to the Basic page alone and returns the set for its flags.
    ArgumentSet takeBasic(const wchar_t* text)
    {
        ArgumentSet set = ArgumentSet::fromParameterText(text);
        pages.basic.applyArguments(set);
        return set;
    }
    ArgumentSet takeAdvanced(const wchar_t* text)
    {
        ArgumentSet set = ArgumentSet::fromParameterText(text);
        pages.advanced.applyArguments(set);
        return set;
    }
    std::wstring basicText() { return pages.basic.generateArguments(); }
    std::wstring advancedText() { return pages.advanced.generateArguments(); }
    options::OptionControls& basic() { return pages.basicControls; }
    options::OptionControls& advanced() { return pages.advancedControls; }

    H pages;
};

TYPED_TEST_SUITE(OptionRules, HarnessTypes, HarnessNames);

TYPED_TEST(OptionRules, ResetPutsEveryControlToItsDefault)
{
    auto& b = this->basic();
    auto& a = this->advanced();
    EXPECT_EQ(b.text(IDC_BASIC_DPI), L"300");
    EXPECT_EQ(b.selection(IDC_BASIC_DPI), 1);
    EXPECT_EQ(b.text(IDC_BASIC_THRESHOLD), L"80");
    EXPECT_EQ(b.selection(IDC_BASIC_FG_QUALITY), 0);
    EXPECT_EQ(b.text(IDC_BASIC_SUBSAMPLE), L"3");
    EXPECT_EQ(b.text(IDC_BASIC_QUALITY), L"65");
    EXPECT_EQ(b.selection(IDC_BASIC_TEXT_EXTRACTION), 1);
    EXPECT_FALSE(b.isChecked(IDC_BASIC_CONVERT_LINKS));
    EXPECT_FALSE(b.isChecked(IDC_BASIC_NOSEP));
    EXPECT_FALSE(b.isChecked(IDC_BASIC_FGBG_SEP));
    EXPECT_EQ(a.selection(IDC_ADV_RENDER_INTENT), 0);
    EXPECT_EQ(a.text(IDC_ADV_RENDER_INTENT), L"printed");
    EXPECT_FALSE(a.isChecked(IDC_ADV_IGNORE_PROFILES));
    EXPECT_EQ(a.text(IDC_ADV_FG_COLORS), L"256");
    EXPECT_EQ(a.text(IDC_ADV_FG_IMAGE_COLORS), L"256");
    EXPECT_EQ(a.text(IDC_ADV_PAGES_PER_DICT), L"20");
    EXPECT_FALSE(a.isChecked(IDC_ADV_NO_EXACT_COLOR));
    EXPECT_FALSE(a.isChecked(IDC_ADV_SLICES_CHECK));
    EXPECT_FALSE(a.isChecked(IDC_ADV_RESOURCE_CHECK));
    EXPECT_FALSE(a.isEnabled(IDC_ADV_SLICES));
    EXPECT_FALSE(a.isEnabled(IDC_ADV_RESOURCE_DIR));
    EXPECT_FALSE(a.isEnabled(IDC_ADV_RESOURCE_BROWSE));
    EXPECT_EQ(this->basicText(), kBasicDefaults);
    EXPECT_EQ(this->advancedText(), kAdvancedDefaults);

    // A reset after changes restores the same state.
    this->takeBasic(L"--dpi=600 --threshold-level=9 --fg-quality=lossy --bg-subsample=1 --quality=5 --chars "
                    L"--convert-links --nosep --fgbg-sep");
    EXPECT_EQ(this->basicText(),
        L"--dpi=600 --threshold-level=9 --fg-quality=lossy --bg-subsample=1 --quality=5 --chars --convert-links "
        L"--nosep --fgbg-sep");
    this->pages.basic.reset();
    EXPECT_EQ(this->basicText(), kBasicDefaults);
}

TYPED_TEST(OptionRules, ListsShowTheirEntriesInOrder)
{
    // The rendering-intent list sorts its entries; "printed" comes first either way.
    this->advanced().setSelection(IDC_ADV_RENDER_INTENT, 1);
    EXPECT_EQ(this->advanced().text(IDC_ADV_RENDER_INTENT), L"screen");
    this->basic().setSelection(IDC_BASIC_TEXT_EXTRACTION, 3);
    EXPECT_EQ(this->basic().text(IDC_BASIC_TEXT_EXTRACTION), base::loadString(IDS_TEXT_NONE));
    this->basic().setSelection(IDC_BASIC_FG_QUALITY, 1);
    EXPECT_EQ(this->basic().text(IDC_BASIC_FG_QUALITY), base::loadString(IDS_FG_QUASILOSSLESS));
    this->basic().setSelection(IDC_BASIC_DPI, 2);
    EXPECT_EQ(this->basic().text(IDC_BASIC_DPI), L"600");
    EXPECT_EQ(this->basicText(),
        L"--dpi=600 --threshold-level=80 --fg-quality=quasilossless --bg-subsample=3 --quality=65 --no-texts");
}

TYPED_TEST(OptionRules, RangeEndsAreIncluded)
{
    // --quality=0 is generated and taken; --threshold-level=0 and --bg-subsample=7 are
    // neither, but consumed all the same.
    ArgumentSet set = this->takeBasic(L"--quality=0 --threshold-level=0 --bg-subsample=7");
    EXPECT_EQ(this->basic().text(IDC_BASIC_QUALITY), L"0");
    EXPECT_EQ(this->basic().text(IDC_BASIC_THRESHOLD), L"80");
    EXPECT_EQ(this->basic().text(IDC_BASIC_SUBSAMPLE), L"3");
    EXPECT_TRUE(set.consumed(0) && set.consumed(1) && set.consumed(2));
    EXPECT_EQ(this->basicText(),
        L"--dpi=300 --threshold-level=80 --fg-quality=lossless --bg-subsample=3 --quality=0 --words");

    this->basic().setText(IDC_BASIC_THRESHOLD, L"0");
    this->basic().setText(IDC_BASIC_SUBSAMPLE, L"7");
    EXPECT_EQ(this->basicText(), L"--dpi=300 --fg-quality=lossless --quality=0 --words");
    this->basic().setText(IDC_BASIC_THRESHOLD, L"100");
    this->basic().setText(IDC_BASIC_SUBSAMPLE, L"6");
    this->basic().setText(IDC_BASIC_QUALITY, L"101");
    EXPECT_EQ(this->basicText(), L"--dpi=300 --threshold-level=100 --fg-quality=lossless --bg-subsample=6 --words");
}

TYPED_TEST(OptionRules, ResolutionTextIsFree)
{
    this->basic().setText(IDC_BASIC_DPI, L"450");
    EXPECT_EQ(this->basicText(), L"--dpi=450 --threshold-level=80 --fg-quality=lossless --bg-subsample=3 "
                                 L"--quality=65 --words");
    this->basic().setText(IDC_BASIC_DPI, L"10000");
    EXPECT_EQ(this->basicText().find(L"--dpi"), std::wstring::npos);
    this->basic().setText(IDC_BASIC_DPI, L"9999");
    EXPECT_EQ(this->basicText().substr(0, 10), L"--dpi=9999");
    this->basic().setText(IDC_BASIC_DPI, L"");
    EXPECT_EQ(this->basicText().find(L"--dpi"), std::wstring::npos);
    this->basic().setText(IDC_BASIC_DPI, L"0450dpi");
    EXPECT_EQ(this->basicText().substr(0, 10), L"--dpi=450 ");
    this->basic().setText(IDC_BASIC_DPI, L"-5");
    EXPECT_EQ(this->basicText().find(L"--dpi"), std::wstring::npos);
}

TYPED_TEST(OptionRules, SpinButtonsMoveWithinTheirRange)
{
    // Spinning up from 999 shows 1000 without digit grouping.
    this->advanced().setText(IDC_ADV_FG_COLORS, L"999");
    this->pages.spin(this->advanced(), IDC_ADV_FG_COLORS, IDC_ADV_FG_COLORS_SPIN, 1);
    EXPECT_EQ(this->advanced().text(IDC_ADV_FG_COLORS), L"1000");
    EXPECT_EQ(this->advancedText(), L"--fg-colors=1000 --fg-image-colors=256 --pages-per-dict=20");

    // The dictionary-pages spin button reaches 0, which is not generated.
    this->advanced().setText(IDC_ADV_PAGES_PER_DICT, L"2");
    this->pages.spin(this->advanced(), IDC_ADV_PAGES_PER_DICT, IDC_ADV_PAGES_PER_DICT_SPIN, -1);
    EXPECT_EQ(this->advanced().text(IDC_ADV_PAGES_PER_DICT), L"1");
    EXPECT_EQ(this->advancedText(), L"--fg-colors=1000 --fg-image-colors=256 --pages-per-dict=1");
    this->pages.spin(this->advanced(), IDC_ADV_PAGES_PER_DICT, IDC_ADV_PAGES_PER_DICT_SPIN, -3);
    EXPECT_EQ(this->advanced().text(IDC_ADV_PAGES_PER_DICT), L"0");
    EXPECT_EQ(this->advancedText(), L"--fg-colors=1000 --fg-image-colors=256");

    // 99999 is the top of both the spin range and the accepted range.
    this->advanced().setText(IDC_ADV_PAGES_PER_DICT, L"99998");
    this->pages.spin(this->advanced(), IDC_ADV_PAGES_PER_DICT, IDC_ADV_PAGES_PER_DICT_SPIN, 3);
    EXPECT_EQ(this->advanced().text(IDC_ADV_PAGES_PER_DICT), L"99999");
    EXPECT_EQ(this->advancedText(), L"--fg-colors=1000 --fg-image-colors=256 --pages-per-dict=99999");
    this->advanced().setText(IDC_ADV_PAGES_PER_DICT, L"100000");
    EXPECT_EQ(this->advancedText(), L"--fg-colors=1000 --fg-image-colors=256");

    // The Basic page's spin buttons stop at their ends too.
    this->pages.spin(this->basic(), IDC_BASIC_SUBSAMPLE, IDC_BASIC_SUBSAMPLE_SPIN, 10);
    EXPECT_EQ(this->basic().text(IDC_BASIC_SUBSAMPLE), L"6");
    this->pages.spin(this->basic(), IDC_BASIC_QUALITY, IDC_BASIC_QUALITY_SPIN, -70);
    EXPECT_EQ(this->basic().text(IDC_BASIC_QUALITY), L"0");
    EXPECT_EQ(this->basicText(),
        L"--dpi=300 --threshold-level=80 --fg-quality=lossless --bg-subsample=6 --quality=0 --words");
}

TYPED_TEST(OptionRules, TakenNumbersKeepTheirTextAsWritten)
{
    ArgumentSet set = this->takeBasic(L"--quality=065abc");
    EXPECT_TRUE(set.consumed(0));
    EXPECT_EQ(this->basic().text(IDC_BASIC_QUALITY), L"065abc");
    EXPECT_EQ(this->basicText(),
        L"--dpi=300 --threshold-level=80 --fg-quality=lossless --bg-subsample=3 --quality=65 --words");

    set = this->takeBasic(L"--quality=abc");
    EXPECT_EQ(this->basic().text(IDC_BASIC_QUALITY), L"abc");
    EXPECT_EQ(this->basicText(),
        L"--dpi=300 --threshold-level=80 --fg-quality=lossless --bg-subsample=3 --quality=0 --words");

    set = this->takeBasic(L"--dpi=+0600");
    EXPECT_EQ(this->basic().text(IDC_BASIC_DPI), L"+0600");
    EXPECT_EQ(this->basicText().substr(0, 10), L"--dpi=600 ");
}

TYPED_TEST(OptionRules, EmptyValues)
{
    // --quality= empties the field (the empty rest is 0, in range): nothing is generated.
    ArgumentSet set = this->takeBasic(L"--quality= --threshold-level=");
    EXPECT_TRUE(set.consumed(0));
    EXPECT_TRUE(set.consumed(1));
    EXPECT_EQ(this->basic().text(IDC_BASIC_QUALITY), L"");
    EXPECT_EQ(this->basic().text(IDC_BASIC_THRESHOLD), L"80");
    EXPECT_EQ(this->basicText(), L"--dpi=300 --threshold-level=80 --fg-quality=lossless --bg-subsample=3 --words");
}

TYPED_TEST(OptionRules, LastValidValueWins)
{
    ArgumentSet set = this->takeBasic(L"--dpi=600 --dpi=200 --dpi=0 --quality=10 --quality=x7 --quality=101");
    for (size_t i = 0; i < set.optionCount(); ++i) {
        EXPECT_TRUE(set.consumed(i)) << i;
    }
    EXPECT_EQ(this->basic().text(IDC_BASIC_DPI), L"200");
    EXPECT_EQ(this->basic().text(IDC_BASIC_QUALITY), L"x7");

    set = this->takeBasic(L"--fg-quality=lossy --fg-quality=Lossless --fg-quality= --fg-quality");
    EXPECT_TRUE(set.consumed(0) && set.consumed(1) && set.consumed(2));
    EXPECT_FALSE(set.consumed(3));
    EXPECT_EQ(this->basic().selection(IDC_BASIC_FG_QUALITY), 3);

    set = this->takeBasic(L"--lines --chars --Words --no-texts=1");
    EXPECT_TRUE(set.consumed(0) && set.consumed(1));
    EXPECT_FALSE(set.consumed(2) || set.consumed(3));
    EXPECT_EQ(this->basic().selection(IDC_BASIC_TEXT_EXTRACTION), 0);
    EXPECT_EQ(this->basicText(),
        L"--dpi=300 --threshold-level=80 --fg-quality=lossless --bg-subsample=3 --quality=65 --chars");
}

TYPED_TEST(OptionRules, CapitalKeywordIsConsumedAndIgnored)
{
    ArgumentSet set = this->takeBasic(L"--fg-quality=Lossless");
    EXPECT_TRUE(set.consumed(0));
    EXPECT_EQ(this->basic().selection(IDC_BASIC_FG_QUALITY), 0);
    set = this->takeAdvanced(L"--pdf=Screen --pdf=screen --pdf=paper");
    EXPECT_TRUE(set.consumed(0) && set.consumed(1) && set.consumed(2));
    EXPECT_EQ(this->advanced().selection(IDC_ADV_RENDER_INTENT), 1);
}

TYPED_TEST(OptionRules, FlagTakesOnlyTheFirstEqualOption)
{
    ArgumentSet set = this->takeBasic(L"--nosep --nosep --nosep=1 --convert-links");
    EXPECT_TRUE(set.consumed(0));
    EXPECT_FALSE(set.consumed(1));
    EXPECT_FALSE(set.consumed(2));
    EXPECT_TRUE(set.consumed(3));
    EXPECT_TRUE(this->basic().isChecked(IDC_BASIC_NOSEP));
    EXPECT_TRUE(this->basic().isChecked(IDC_BASIC_CONVERT_LINKS));
    EXPECT_FALSE(this->basic().isChecked(IDC_BASIC_FGBG_SEP));
    EXPECT_EQ(set.unconsumedText(), L"--nosep --nosep=1");
}

TYPED_TEST(OptionRules, BareNamesAreNotTaken)
{
    ArgumentSet set = this->takeBasic(L"--dpi 600 --fg-quality --quality");
    EXPECT_EQ(set.unconsumedText(), L"--dpi 600 --fg-quality --quality");
    EXPECT_EQ(this->basic().text(IDC_BASIC_DPI), L"300");
    set = this->takeAdvanced(L"--bg-slices --resourcedir --pdf");
    EXPECT_EQ(set.unconsumedText(), L"--bg-slices --resourcedir --pdf");
    EXPECT_FALSE(this->advanced().isChecked(IDC_ADV_SLICES_CHECK));
}

TYPED_TEST(OptionRules, DisabledControlsContributeNothing)
{
    this->basic().setEnabled(IDC_BASIC_QUALITY, false);
    this->basic().setEnabled(IDC_BASIC_FG_QUALITY, false);
    this->basic().setEnabled(IDC_BASIC_TEXT_EXTRACTION, false);
    this->basic().setChecked(IDC_BASIC_NOSEP, true);
    this->basic().setEnabled(IDC_BASIC_NOSEP, false);
    EXPECT_EQ(this->basicText(), L"--dpi=300 --threshold-level=80 --bg-subsample=3");
    this->basic().setEnabled(IDC_BASIC_QUALITY, true);
    this->basic().setEnabled(IDC_BASIC_FG_QUALITY, true);
    this->basic().setEnabled(IDC_BASIC_TEXT_EXTRACTION, true);
    this->basic().setEnabled(IDC_BASIC_NOSEP, true);
    EXPECT_EQ(this->basicText(), kBasicDefaults + L" --nosep");
}

TYPED_TEST(OptionRules, TextOptionsQuoteBlanks)
{
    this->pages.userCheck(IDC_ADV_SLICES_CHECK, true);
    this->advanced().setText(IDC_ADV_SLICES, L"72+11,10");
    EXPECT_EQ(this->advancedText(), kAdvancedDefaults + L" --bg-slices=72+11,10");
    this->advanced().setText(IDC_ADV_SLICES, L"72 11");
    EXPECT_EQ(this->advancedText(), kAdvancedDefaults + L" --bg-slices=\"72 11\"");
    this->advanced().setText(IDC_ADV_SLICES, L"72\t11");
    EXPECT_EQ(this->advancedText(), kAdvancedDefaults + L" --bg-slices=\"72\t11\"");
    // Quotes inside are escaped, so the converter gets the text as typed.
    this->advanced().setText(IDC_ADV_SLICES, L"a\"b");
    EXPECT_EQ(this->advancedText(), kAdvancedDefaults + L" --bg-slices=\"a\\\"b\"");
    // A folder ending in a backslash keeps it: doubled before the closing quote, so
    // the file arguments after it are not swallowed; read back as typed.
    this->pages.userCheck(IDC_ADV_RESOURCE_CHECK, true);
    this->advanced().setText(IDC_ADV_RESOURCE_DIR, L"C:\\My Fonts\\");
    this->advanced().setText(IDC_ADV_SLICES, L"");
    const std::wstring generated = this->advancedText();
    EXPECT_EQ(generated, kAdvancedDefaults + L" --resourcedir=\"C:\\My Fonts\\\\\"");
    this->advanced().setText(IDC_ADV_RESOURCE_DIR, L"");
    this->takeAdvanced(generated.c_str());
    EXPECT_EQ(this->advanced().text(IDC_ADV_RESOURCE_DIR), L"C:\\My Fonts\\");
    this->pages.userCheck(IDC_ADV_RESOURCE_CHECK, false);
    this->advanced().setText(IDC_ADV_SLICES, L"");
    EXPECT_EQ(this->advancedText(), kAdvancedDefaults);
}

TYPED_TEST(OptionRules, QuotedFolderRoundTrips)
{
    ArgumentSet set = this->takeAdvanced(L"--resourcedir=\"C:\\My Fonts\\CMaps\"");
    EXPECT_TRUE(set.consumed(0));
    EXPECT_EQ(this->advanced().text(IDC_ADV_RESOURCE_DIR), L"C:\\My Fonts\\CMaps");
    EXPECT_TRUE(this->advanced().isChecked(IDC_ADV_RESOURCE_CHECK));
    EXPECT_TRUE(this->advanced().isEnabled(IDC_ADV_RESOURCE_DIR));
    EXPECT_TRUE(this->advanced().isEnabled(IDC_ADV_RESOURCE_BROWSE));
    EXPECT_EQ(this->advancedText(), kAdvancedDefaults + L" --resourcedir=\"C:\\My Fonts\\CMaps\"");
}

TYPED_TEST(OptionRules, QuotedValuesAreReadByThePlatformsRules)
{
    this->takeAdvanced(L"--bg-slices=\"72\"x");
    EXPECT_EQ(this->advanced().text(IDC_ADV_SLICES), L"72x");
    this->takeAdvanced(L"--bg-slices=\"\"");
    EXPECT_EQ(this->advanced().text(IDC_ADV_SLICES), L"");
    EXPECT_FALSE(this->advanced().isChecked(IDC_ADV_SLICES_CHECK));
    this->takeAdvanced(L"--bg-slices=\"");
    EXPECT_EQ(this->advanced().text(IDC_ADV_SLICES), L"");
    // Quotes later in a value only group; an escaped one is literal.
    this->takeAdvanced(L"--bg-slices=7\"2\"");
    EXPECT_EQ(this->advanced().text(IDC_ADV_SLICES), L"72");
    this->takeAdvanced(L"--bg-slices=7\\\"2");
    EXPECT_EQ(this->advanced().text(IDC_ADV_SLICES), L"7\"2");
    EXPECT_TRUE(this->advanced().isChecked(IDC_ADV_SLICES_CHECK));
}

TYPED_TEST(OptionRules, EmptyTextValueClearsTheFieldAndLeavesTheBoxUnchecked)
{
    this->advanced().setText(IDC_ADV_SLICES, L"old");
    ArgumentSet set = this->takeAdvanced(L"--bg-slices=");
    EXPECT_TRUE(set.consumed(0));
    EXPECT_EQ(this->advanced().text(IDC_ADV_SLICES), L"");
    EXPECT_FALSE(this->advanced().isChecked(IDC_ADV_SLICES_CHECK));
    EXPECT_FALSE(this->advanced().isEnabled(IDC_ADV_SLICES));

    // The last matching value decides the box; each one sets the field.
    set = this->takeAdvanced(L"--bg-slices=5 --bg-slices=");
    EXPECT_EQ(this->advanced().text(IDC_ADV_SLICES), L"");
    EXPECT_FALSE(this->advanced().isChecked(IDC_ADV_SLICES_CHECK));
    set = this->takeAdvanced(L"--bg-slices= --bg-slices=5");
    EXPECT_EQ(this->advanced().text(IDC_ADV_SLICES), L"5");
    EXPECT_TRUE(this->advanced().isChecked(IDC_ADV_SLICES_CHECK));
}

TYPED_TEST(OptionRules, CheckBoxesEnableTheirFields)
{
    auto& a = this->advanced();
    this->pages.userCheck(IDC_ADV_SLICES_CHECK, true);
    EXPECT_TRUE(a.isEnabled(IDC_ADV_SLICES));
    EXPECT_FALSE(a.isEnabled(IDC_ADV_RESOURCE_DIR));
    a.setText(IDC_ADV_SLICES, L"72");
    EXPECT_EQ(this->advancedText(), kAdvancedDefaults + L" --bg-slices=72");

    this->pages.userCheck(IDC_ADV_SLICES_CHECK, false);
    EXPECT_FALSE(a.isEnabled(IDC_ADV_SLICES));
    EXPECT_EQ(a.text(IDC_ADV_SLICES), L"72");
    EXPECT_EQ(this->advancedText(), kAdvancedDefaults);

    this->pages.userCheck(IDC_ADV_SLICES_CHECK, true);
    EXPECT_EQ(this->advancedText(), kAdvancedDefaults + L" --bg-slices=72");

    this->pages.userCheck(IDC_ADV_RESOURCE_CHECK, true);
    EXPECT_TRUE(a.isEnabled(IDC_ADV_RESOURCE_DIR));
    EXPECT_TRUE(a.isEnabled(IDC_ADV_RESOURCE_BROWSE));
    a.setText(IDC_ADV_RESOURCE_DIR, L"C:\\res");
    EXPECT_EQ(this->advancedText(), kAdvancedDefaults + L" --bg-slices=72 --resourcedir=C:\\res");
    this->pages.userCheck(IDC_ADV_RESOURCE_CHECK, false);
    EXPECT_FALSE(a.isEnabled(IDC_ADV_RESOURCE_DIR));
    EXPECT_FALSE(a.isEnabled(IDC_ADV_RESOURCE_BROWSE));
    EXPECT_EQ(this->advancedText(), kAdvancedDefaults + L" --bg-slices=72");
}

TYPED_TEST(OptionRules, AppliedTextOptionsCheckAndEnable)
{
    ArgumentSet set = this->takeAdvanced(L"--bg-slices=x --resourcedir=C:\\res");
    auto& a = this->advanced();
    EXPECT_TRUE(set.consumed(0) && set.consumed(1));
    EXPECT_TRUE(a.isChecked(IDC_ADV_SLICES_CHECK));
    EXPECT_TRUE(a.isChecked(IDC_ADV_RESOURCE_CHECK));
    EXPECT_EQ(a.text(IDC_ADV_SLICES), L"x");
    EXPECT_EQ(a.text(IDC_ADV_RESOURCE_DIR), L"C:\\res");
    EXPECT_TRUE(a.isEnabled(IDC_ADV_SLICES));
    EXPECT_TRUE(a.isEnabled(IDC_ADV_RESOURCE_DIR));
    EXPECT_TRUE(a.isEnabled(IDC_ADV_RESOURCE_BROWSE));
    EXPECT_EQ(this->advancedText(), kAdvancedDefaults + L" --bg-slices=x --resourcedir=C:\\res");

    // The defaults uncheck both boxes and disable the fields, which keep their texts.
    this->takeAdvanced(L"");
    EXPECT_FALSE(a.isChecked(IDC_ADV_SLICES_CHECK));
    EXPECT_FALSE(a.isChecked(IDC_ADV_RESOURCE_CHECK));
    EXPECT_FALSE(a.isEnabled(IDC_ADV_SLICES));
    EXPECT_FALSE(a.isEnabled(IDC_ADV_RESOURCE_DIR));
    EXPECT_FALSE(a.isEnabled(IDC_ADV_RESOURCE_BROWSE));
    EXPECT_EQ(a.text(IDC_ADV_SLICES), L"x");
    EXPECT_EQ(a.text(IDC_ADV_RESOURCE_DIR), L"C:\\res");
    EXPECT_EQ(this->advancedText(), kAdvancedDefaults);
}

TYPED_TEST(OptionRules, AdvancedFlagsAndNumbers)
{
    ArgumentSet set = this->takeAdvanced(L"--no-exact-color --ignore-color-profiles --fg-colors=0 "
                                         L"--fg-image-colors=4000 --pages-per-dict=99999 --fg-colors=4001");
    for (size_t i = 0; i < set.optionCount(); ++i) {
        EXPECT_TRUE(set.consumed(i)) << i;
    }
    EXPECT_EQ(this->advancedText(), L"--ignore-color-profiles --fg-colors=0 --fg-image-colors=4000 "
                                    L"--pages-per-dict=99999 --no-exact-color");
    this->takeAdvanced(L"--pages-per-dict=0");
    EXPECT_EQ(this->advanced().text(IDC_ADV_PAGES_PER_DICT), L"20");
}

TYPED_TEST(OptionRules, SlicesBoxOverridesBackgroundQuality)
{
    std::wstring earlier = L"--quality=65 --bg-quality=3 --x";
    EXPECT_FALSE(this->pages.advanced.suppressOverriddenOptions(earlier));
    EXPECT_EQ(earlier, L"--quality=65 --bg-quality=3 --x");
    EXPECT_FALSE(this->pages.basic.suppressOverriddenOptions(earlier));

    // Checked, with or without a text, and even while the field is disabled.
    this->advanced().setChecked(IDC_ADV_SLICES_CHECK, true);
    EXPECT_TRUE(this->pages.advanced.suppressOverriddenOptions(earlier));
    EXPECT_EQ(earlier, L"  --x");
    EXPECT_TRUE(this->pages.advanced.suppressOverriddenOptions(earlier));
    EXPECT_EQ(earlier, L"  --x");
}

TYPED_TEST(OptionRules, HugeNumbersFallOutsideEveryRange)
{
    // 2^32 + 65 and 2^32 + 300 would read as 65 and 300 if they wrapped around.
    ArgumentSet set = this->takeBasic(L"--quality=50 --quality=4294967361 --dpi=4294967596");
    EXPECT_TRUE(set.consumed(1) && set.consumed(2));
    EXPECT_EQ(this->basic().text(IDC_BASIC_QUALITY), L"50");
    EXPECT_EQ(this->basic().text(IDC_BASIC_DPI), L"300");
    this->basic().setText(IDC_BASIC_DPI, L"4294967596");
    this->basic().setText(IDC_BASIC_QUALITY, L"99999999999999999999999999");
    EXPECT_EQ(this->basicText(), L"--threshold-level=80 --fg-quality=lossless --bg-subsample=3 --words");
    this->advanced().setText(IDC_ADV_FG_COLORS, L"-4294967296");
    EXPECT_EQ(this->advancedText(), L"--fg-image-colors=256 --pages-per-dict=20");
}

TYPED_TEST(OptionRules, RenderingIntentIsGeneratedFirstWhenNotDefault)
{
    ArgumentSet set = this->takeAdvanced(L"--no-exact-color --pdf=screen");
    EXPECT_TRUE(set.consumed(0) && set.consumed(1));
    EXPECT_EQ(this->advanced().selection(IDC_ADV_RENDER_INTENT), 1);
    EXPECT_EQ(this->advancedText(), L"--pdf=screen " + kAdvancedDefaults + L" --no-exact-color");

    // The default "printed" stays out of the text, whether taken or reset.
    set = this->takeAdvanced(L"--pdf=screen --pdf=printed");
    EXPECT_TRUE(set.consumed(0) && set.consumed(1));
    EXPECT_EQ(this->advanced().selection(IDC_ADV_RENDER_INTENT), 0);
    EXPECT_EQ(this->advancedText(), kAdvancedDefaults);

    // The user's choice in the list reaches the text.
    this->advanced().setSelection(IDC_ADV_RENDER_INTENT, 1);
    EXPECT_EQ(this->advancedText(), L"--pdf=screen " + kAdvancedDefaults);
    this->advanced().setSelection(IDC_ADV_RENDER_INTENT, -1);
    EXPECT_EQ(this->advancedText(), kAdvancedDefaults);
}
