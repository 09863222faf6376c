// Composing the options text and the converter command line, and applying parameter
// texts back to the pages, over the double and over real dialogs 107, 108 and 109.
#include <gtest/gtest.h>

#include "support/DefaultOptions.h"
#include "Harness.h"

using namespace test_options;
using options::ArgumentSet;

namespace {

const std::wstring kDefaults(testing_support::kDefaultOptionsText);

} // namespace

template <class H>
class CommandLine : public ::testing::Test {
protected:
    CommandLine() { pages.create(); }
    H pages;
};

TYPED_TEST_SUITE(CommandLine, HarnessTypes, HarnessNames);

TYPED_TEST(CommandLine, DefaultOptionsTextByteForByte)
{
    EXPECT_EQ(kDefaults,
        L"--dpi=300 --threshold-level=80 --fg-quality=lossless --bg-subsample=3 --quality=65 --words "
        L"--fg-colors=256 --fg-image-colors=256 --pages-per-dict=20");
    EXPECT_EQ(this->pages.composer.composeParameterText(false), kDefaults);
    // With the additional parameters empty the text ends in a single space.
    EXPECT_EQ(this->pages.composer.composeParameterText(true), kDefaults + L" ");
    this->pages.setFiles(L"C:\\in.pdf", L"C:\\in.djvu");
    EXPECT_EQ(this->pages.composer.composeCommandLine(false), kDefaults + L" \"C:\\in.pdf\" \"C:\\in.djvu\"");
    EXPECT_EQ(this->pages.composer.composeCommandLine(true), kDefaults + L"  \"C:\\in.pdf\" \"C:\\in.djvu\"");
}

TYPED_TEST(CommandLine, WorkedExampleByteForByte)
{
    this->pages.userCheck(IDC_ADV_SLICES_CHECK, true);
    this->pages.advancedControls.setText(IDC_ADV_SLICES, L"72");
    this->pages.setAdditional(L"--foo");
    this->pages.setFiles(L"C:\\in.pdf", L"C:\\in.djvu");
    EXPECT_EQ(this->pages.composer.composeCommandLine(true),
        L"--dpi=300 --threshold-level=80 --fg-quality=lossless --bg-subsample=3  --words --fg-colors=256 "
        L"--fg-image-colors=256 --pages-per-dict=20 --bg-slices=72 --foo \"C:\\in.pdf\" \"C:\\in.djvu\"");
    // Without the additional parameters, as the Generated Command Line box shows it.
    this->pages.composer.refreshGeneratedCommandLine();
    EXPECT_EQ(this->pages.generatedBox(),
        L"--dpi=300 --threshold-level=80 --fg-quality=lossless --bg-subsample=3  --words --fg-colors=256 "
        L"--fg-image-colors=256 --pages-per-dict=20 --bg-slices=72 \"C:\\in.pdf\" \"C:\\in.djvu\"");
}

TYPED_TEST(CommandLine, ApplyingTheDefaultTextReproducesIt)
{
    this->pages.setAdditional(L"--left-over");
    this->pages.composer.applyParameterText(kDefaults);
    EXPECT_EQ(this->pages.additional(), L"");
    EXPECT_EQ(this->pages.composer.composeParameterText(false), kDefaults);
}

TYPED_TEST(CommandLine, ApplyingTheEmptyTextRestoresDefaultsAndKeepsFiles)
{
    this->pages.setFiles(L"C:\\a.pdf", L"C:\\b.djvu");
    this->pages.composer.applyParameterText(L"--dpi=600 --chars --nosep --pdf=screen --bg-slices=4 --zz");
    EXPECT_EQ(this->pages.additional(), L"--zz");
    EXPECT_NE(this->pages.composer.composeParameterText(false), kDefaults);
    this->pages.composer.applyParameterText(L"");
    EXPECT_EQ(this->pages.additional(), L"");
    EXPECT_EQ(this->pages.composer.composeParameterText(false), kDefaults);
    EXPECT_EQ(this->pages.basicControls.text(IDC_BASIC_INPUT), L"C:\\a.pdf");
    EXPECT_EQ(this->pages.basicControls.text(IDC_BASIC_OUTPUT), L"C:\\b.djvu");
    // The apply refreshed the Generated Command Line box.
    EXPECT_EQ(this->pages.generatedBox(), kDefaults + L" \"C:\\a.pdf\" \"C:\\b.djvu\"");
}

TYPED_TEST(CommandLine, BareOptionWithBlankValue)
{
    // --dpi 600: "--dpi" is not taken; both words come back in place, so a history
    // entry typed that way loses nothing.
    this->pages.composer.applyParameterText(L"--dpi 600");
    EXPECT_EQ(this->pages.basicControls.text(IDC_BASIC_DPI), L"300");
    EXPECT_EQ(this->pages.additional(), L"--dpi 600");
    EXPECT_EQ(this->pages.composer.composeParameterText(true), kDefaults + L" --dpi 600");
}

TYPED_TEST(CommandLine, RepeatedNumberShowsTheLast)
{
    this->pages.composer.applyParameterText(L"--dpi=600 --dpi=200");
    EXPECT_EQ(this->pages.basicControls.text(IDC_BASIC_DPI), L"200");
    EXPECT_EQ(this->pages.additional(), L"");
}

TYPED_TEST(CommandLine, UnknownAndOutOfRangeOptions)
{
    this->pages.composer.applyParameterText(L"--foo=1 --quality=101 --nosep");
    EXPECT_TRUE(this->pages.basicControls.isChecked(IDC_BASIC_NOSEP));
    EXPECT_EQ(this->pages.basicControls.text(IDC_BASIC_QUALITY), L"65");
    EXPECT_EQ(this->pages.additional(), L"--foo=1");
}

TYPED_TEST(CommandLine, AdditionalLinesBecomeSpaces)
{
    this->pages.setAdditional(L"--a\r\n--b");
    EXPECT_EQ(this->pages.composer.composeParameterText(true), kDefaults + L" --a --b");
    this->pages.setAdditional(L"--a\r\n\r\n--b\r\n");
    EXPECT_EQ(this->pages.composer.composeParameterText(true), kDefaults + L" --a  --b ");
    // Not trimmed, not checked, not de-duplicated.
    this->pages.setAdditional(L" --a  --a x");
    EXPECT_EQ(this->pages.composer.composeParameterText(true), kDefaults + L"  --a  --a x");
}

TYPED_TEST(CommandLine, CheckedSlicesWithoutTextDropTheBackgroundQuality)
{
    this->pages.userCheck(IDC_ADV_SLICES_CHECK, true);
    this->pages.advancedControls.setText(IDC_ADV_SLICES, L"");
    const std::wstring text = this->pages.composer.composeParameterText(true);
    EXPECT_EQ(text,
        L"--dpi=300 --threshold-level=80 --fg-quality=lossless --bg-subsample=3  --words --fg-colors=256 "
        L"--fg-image-colors=256 --pages-per-dict=20 ");
    EXPECT_EQ(text.find(L"--quality"), std::wstring::npos);
    EXPECT_EQ(text.find(L"--bg-quality"), std::wstring::npos);
    EXPECT_EQ(text.find(L"--bg-slices"), std::wstring::npos);
}

TYPED_TEST(CommandLine, AdditionalQualityIsNotStrippedAndTakenOnApply)
{
    this->pages.userCheck(IDC_ADV_SLICES_CHECK, true);
    this->pages.advancedControls.setText(IDC_ADV_SLICES, L"72");
    this->pages.setAdditional(L"--quality=50 --bg-quality=9");
    const std::wstring entry = this->pages.composer.composeParameterText(true);
    EXPECT_EQ(entry,
        L"--dpi=300 --threshold-level=80 --fg-quality=lossless --bg-subsample=3  --words --fg-colors=256 "
        L"--fg-image-colors=256 --pages-per-dict=20 --bg-slices=72 --quality=50 --bg-quality=9");

    // Applying that history entry: the Basic page takes the last --quality.
    this->pages.composer.applyParameterText(entry);
    EXPECT_EQ(this->pages.basicControls.text(IDC_BASIC_QUALITY), L"50");
    EXPECT_TRUE(this->pages.advancedControls.isChecked(IDC_ADV_SLICES_CHECK));
    EXPECT_EQ(this->pages.additional(), L"--bg-quality=9");
}

TYPED_TEST(CommandLine, EmptyFileBoxesStillGiveQuotedNames)
{
    this->pages.setFiles(L"", L"");
    EXPECT_EQ(this->pages.composer.composeCommandLine(false), kDefaults + L" \"\" \"\"");
    this->pages.setFiles(L"C:\\My Docs\\a.pdf", L"");
    EXPECT_EQ(this->pages.composer.composeCommandLine(false), kDefaults + L" \"C:\\My Docs\\a.pdf\" \"\"");
}

TYPED_TEST(CommandLine, QuotedLaterWordIsOneArgumentAndKeptInPlace)
{
    this->pages.composer.applyParameterText(L"--x \"C:\\a b\\c --nosep.pdf\" --y");
    EXPECT_FALSE(this->pages.basicControls.isChecked(IDC_BASIC_NOSEP));
    EXPECT_EQ(this->pages.additional(), L"--x \"C:\\a b\\c --nosep.pdf\" --y");
    // A quoted option (as the command line's "--title=My Document" comes back) too.
    this->pages.composer.applyParameterText(L"\"--title=My Document\" --title=\"a \\\" b\"");
    EXPECT_EQ(this->pages.additional(), L"\"--title=My Document\" --title=\"a \\\" b\"");
}

TYPED_TEST(CommandLine, UnpairedQuoteRunsToTheEnd)
{
    this->pages.composer.applyParameterText(L"--nosep --resourcedir=\"C:\\My Res --convert-links");
    EXPECT_TRUE(this->pages.basicControls.isChecked(IDC_BASIC_NOSEP));
    // The open quote swallowed "--convert-links" into the folder option.
    EXPECT_FALSE(this->pages.basicControls.isChecked(IDC_BASIC_CONVERT_LINKS));
    EXPECT_TRUE(this->pages.advancedControls.isChecked(IDC_ADV_RESOURCE_CHECK));
    EXPECT_EQ(this->pages.advancedControls.text(IDC_ADV_RESOURCE_DIR), L"C:\\My Res --convert-links");
    EXPECT_EQ(this->pages.additional(), L"");

    this->pages.composer.applyParameterText(L"--zz=\"a b");
    EXPECT_EQ(this->pages.additional(), L"--zz=\"a b");
}

TYPED_TEST(CommandLine, RenderingIntentReachesTheCommandLine)
{
    this->pages.composer.applyParameterText(L"--pdf=screen");
    EXPECT_EQ(this->pages.additional(), L"");
    EXPECT_EQ(this->pages.composer.composeParameterText(false),
        L"--dpi=300 --threshold-level=80 --fg-quality=lossless --bg-subsample=3 --quality=65 --words "
        L"--pdf=screen --fg-colors=256 --fg-image-colors=256 --pages-per-dict=20");
    // And survives a round trip through the history.
    const std::wstring entry = this->pages.composer.composeParameterText(true);
    this->pages.composer.applyParameterText(L"");
    this->pages.composer.applyParameterText(entry);
    EXPECT_EQ(this->pages.advancedControls.selection(IDC_ADV_RENDER_INTENT), 1);
    EXPECT_EQ(this->pages.composer.composeParameterText(true), entry);
}

TYPED_TEST(CommandLine, EmptyAdvancedTextLeavesTrailingSpace)
{
    this->pages.advancedControls.setText(IDC_ADV_FG_COLORS, L"");
    this->pages.advancedControls.setText(IDC_ADV_FG_IMAGE_COLORS, L"");
    this->pages.advancedControls.setText(IDC_ADV_PAGES_PER_DICT, L"0");
    const std::wstring basicDefaults =
        L"--dpi=300 --threshold-level=80 --fg-quality=lossless --bg-subsample=3 --quality=65 --words";
    EXPECT_EQ(this->pages.composer.composeParameterText(false), basicDefaults + L" ");
    EXPECT_EQ(this->pages.composer.composeParameterText(true), basicDefaults + L"  ");
    this->pages.setFiles(L"i", L"o");
    EXPECT_EQ(this->pages.composer.composeCommandLine(false), basicDefaults + L"  \"i\" \"o\"");
}

TYPED_TEST(CommandLine, CreationTakesTheProcessArgumentsOnce)
{
    // A second sheet built on the same set: the flags stay set, the repeated flag
    // option stays over for the additional parameters both times.
    ArgumentSet process = ArgumentSet::fromCommandLine({L"C:\\in.pdf", L"--nosep", L"--nosep", L"--zz", L"--dpi=600"});
    this->pages.create(process);
    EXPECT_EQ(this->pages.additional(), L"--nosep --zz");
    EXPECT_EQ(this->pages.basicControls.text(IDC_BASIC_DPI), L"600");
    this->pages.basic.applyArguments(process);
    this->pages.advanced.applyArguments(process);
    this->pages.composer.showUnconsumedOptions(process);
    EXPECT_EQ(this->pages.additional(), L"--nosep --zz");
    EXPECT_EQ(process.fileArguments().size(), 1u);
}

TYPED_TEST(CommandLine, ApplyDoesNotTouchTheProcessSet)
{
    ArgumentSet process = ArgumentSet::fromCommandLine({L"--zz", L"--nosep"});
    this->pages.create(process);
    EXPECT_FALSE(process.consumed(0));
    EXPECT_TRUE(process.consumed(1));
    this->pages.composer.applyParameterText(L"--zz");
    EXPECT_FALSE(process.consumed(0));
    EXPECT_EQ(this->pages.additional(), L"--zz");
    EXPECT_FALSE(this->pages.basicControls.isChecked(IDC_BASIC_NOSEP));
}
