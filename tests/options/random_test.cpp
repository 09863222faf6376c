// Randomised checks with fixed seeds: generated texts survive an apply unchanged, and
// arbitrary parameter texts never upset the pages and keep unknown options in order.
#include <gtest/gtest.h>

#include <random>
#include <set>
#include <string>
#include <vector>

#include "Harness.h"

using namespace test_options;
using options::ArgumentSet;

namespace {

class Random {
public:
    explicit Random(unsigned seed) : engine_(seed) {}
    int between(int low, int high) { return std::uniform_int_distribution<int>(low, high)(engine_); }
    bool chance(int percent) { return between(1, 100) <= percent; }
    template <class T>
    const T& pick(const std::vector<T>& items)
    {
        return items[static_cast<size_t>(between(0, static_cast<int>(items.size()) - 1))];
    }
    std::wstring textOf(std::wstring_view alphabet, int minLength, int maxLength)
    {
        std::wstring text;
        const int length = between(minLength, maxLength);
        for (int i = 0; i < length; ++i) {
            text.push_back(alphabet[static_cast<size_t>(between(0, static_cast<int>(alphabet.size()) - 1))]);
        }
        return text;
    }

private:
    std::mt19937 engine_;
};

// A text that converts to value: as the spin button writes it, or as a user or a
// take might leave it (leading zeros, a sign, trailing letters).
std::wstring numberText(Random& random, int value)
{
    switch (random.between(0, 4)) {
    case 0:
        return L"0" + std::to_wstring(value);
    case 1:
        return L"+" + std::to_wstring(value);
    case 2:
        return std::to_wstring(value) + L"abc";
    default:
        return std::to_wstring(value);
    }
}

// Random control states whose generated text is complete: numbers in range, a
// selection in every list, and a non-empty text behind every checked Text box.
void randomiseControls(Pages& pages, Random& random)
{
    for (options::OptionPage* page : {static_cast<options::OptionPage*>(&pages.basic), static_cast<options::OptionPage*>(&pages.advanced)}) {
        options::OptionControls& controls = page->controls();
        for (const options::OptionSpec& option : page->table()) {
            switch (option.kind) {
            case options::OptionKind::Number:
                if (option.spinId == 0 && random.chance(50)) {
                    controls.setSelection(option.controlId,
                        random.between(0, static_cast<int>(option.entries.size()) - 1));
                } else {
                    controls.setText(option.controlId,
                        numberText(random, random.between(option.minimum, option.maximum)));
                }
                break;
            case options::OptionKind::Choice:
            case options::OptionKind::FlagChoice:
                controls.setSelection(option.controlId, random.between(0, static_cast<int>(option.entries.size()) - 1));
                break;
            case options::OptionKind::Flag:
                controls.setChecked(option.controlId, random.chance(50));
                break;
            case options::OptionKind::Text: {
                const bool checked = random.chance(60);
                std::wstring text = random.textOf(L"0123456789+,:=-abcXYZ \t\\.", 1, 12);
                controls.setText(option.controlId, text);
                controls.setChecked(option.checkId, checked);
                break;
            }
            }
        }
    }
    pages.advanced.applyEnablingRule();
}

// What an independent reading of the option rules leaves unconsumed.
// The words of a parameter text: split at blanks outside quotes (a quote after an
// odd number of backslashes is literal), quotes kept.
std::vector<std::wstring> wordsOf(const std::wstring& text)
{
    std::vector<std::wstring> words;
    std::wstring word;
    bool quoted = false;
    size_t backslashes = 0;
    for (const wchar_t c : text) {
        if ((c == L' ' || c == L'\t') && !quoted) {
            if (!word.empty()) {
                words.push_back(word);
            }
            word.clear();
            backslashes = 0;
            continue;
        }
        quoted = c == L'"' && backslashes % 2 == 0 ? !quoted : quoted;
        backslashes = c == L'\\' ? backslashes + 1 : 0;
        word.push_back(c);
    }
    if (!word.empty()) {
        words.push_back(word);
    }
    return words;
}

// What a text leaves for the additional parameters: every word, in place, but the
// options the pages take.
std::wstring expectedLeftOver(const std::wstring& text)
{
    static const std::vector<std::wstring> valued = {L"--dpi=", L"--threshold-level=", L"--fg-quality=",
        L"--bg-subsample=", L"--quality=", L"--pdf=", L"--fg-colors=", L"--fg-image-colors=", L"--pages-per-dict=",
        L"--bg-slices=", L"--resourcedir="};
    static const std::set<std::wstring> extraction = {L"--chars", L"--words", L"--lines", L"--no-texts"};
    static const std::set<std::wstring> flags = {
        L"--convert-links", L"--nosep", L"--fgbg-sep", L"--ignore-color-profiles", L"--no-exact-color"};
    std::set<std::wstring> flagsSeen;
    std::wstring left;
    for (const std::wstring& option : wordsOf(text)) {
        bool taken = option.front() == L'-' && extraction.count(option) != 0;
        for (const std::wstring& prefix : valued) {
            taken = taken || option.starts_with(prefix);
        }
        if (option.front() == L'-' && flags.count(option) != 0) {
            taken = flagsSeen.insert(option).second;
        }
        if (!taken) {
            left += (left.empty() ? L"" : L" ") + option;
        }
    }
    return left;
}

const std::vector<std::wstring> kTokens = {
    // recognised, valid
    L"--dpi=600", L"--dpi=450", L"--threshold-level=1", L"--fg-quality=lossy", L"--bg-subsample=6", L"--quality=0",
    L"--quality=050", L"--chars", L"--lines", L"--no-texts", L"--convert-links", L"--nosep", L"--fgbg-sep",
    L"--pdf=screen", L"--pdf=printed", L"--ignore-color-profiles", L"--fg-colors=4000", L"--fg-image-colors=0",
    L"--pages-per-dict=1", L"--no-exact-color", L"--bg-slices=72", L"--bg-slices=\"1 2\"",
    L"--resourcedir=C:\\res", L"--resourcedir=\"C:\\My Res\"",
    // recognised, unusable values
    L"--dpi=0", L"--dpi=99999999999", L"--quality=abc", L"--quality=", L"--fg-quality=Lossless", L"--pdf=paper",
    L"--bg-slices=", L"--threshold-level=-3", L"--resourcedir=\"",
    // bare names and near misses
    L"--dpi", L"--quality", L"--bg-slices", L"--pdf", L"--Nosep", L"--dpix=2", L"--words2", L"--nosep=1",
    // unknown
    L"--foo", L"--bar=1", L"-x", L"-", L"--bg-quality=5", L"--force",
    // quotes and files
    L"\"", L"\"a b\"", L"x\"y", L"in.pdf", L"600", L"C:\\x y",
};
const std::vector<std::wstring> kSeparators = {L" ", L" ", L"\t", L"  ", L" \t ", L""};

} // namespace

template <class H>
class RandomRoundTrip : public ::testing::Test {
protected:
    RandomRoundTrip() { pages.create(); }
    H pages;
};

TYPED_TEST_SUITE(RandomRoundTrip, HarnessTypes, HarnessNames);

TYPED_TEST(RandomRoundTrip, GeneratedTextReappliesToItself)
{
    Random random(20261207);
    for (int round = 0; round < 300; ++round) {
        randomiseControls(this->pages, random);
        const std::wstring text = this->pages.composer.composeParameterText(false);
        this->pages.composer.applyParameterText(L"");
        this->pages.composer.applyParameterText(text);
        ASSERT_EQ(this->pages.additional(), L"") << "round " << round << ": " << text;
        ASSERT_EQ(this->pages.composer.composeParameterText(false), text) << "round " << round;
    }
}

TYPED_TEST(RandomRoundTrip, AdditionalParametersComeBackInOrder)
{
    Random random(7);
    for (int round = 0; round < 200; ++round) {
        randomiseControls(this->pages, random);
        std::vector<std::wstring> unknown;
        std::wstring box;
        const int count = random.between(0, 5);
        for (int i = 0; i < count; ++i) {
            std::wstring option = L"--u" + random.textOf(L"abcxyz-", 1, 6);
            if (random.chance(40)) {
                option += L"=" + random.textOf(L"0123456789abc:\\.", 0, 5);
            }
            unknown.push_back(option);
            box += option + random.pick(std::vector<std::wstring>{L" ", L"\r\n", L"  ", L"\t", L"\n"});
        }
        this->pages.setAdditional(box);
        const std::wstring options = this->pages.composer.composeParameterText(false);
        const std::wstring entry = this->pages.composer.composeParameterText(true);
        this->pages.composer.applyParameterText(L"");
        this->pages.composer.applyParameterText(entry);
        std::wstring joined;
        for (const std::wstring& option : unknown) {
            joined += (joined.empty() ? L"" : L" ") + option;
        }
        ASSERT_EQ(this->pages.additional(), joined) << "round " << round << ": " << entry;
        ASSERT_EQ(this->pages.composer.composeParameterText(false), options) << "round " << round;
    }
}

TYPED_TEST(RandomRoundTrip, ArbitraryTextsKeepUnknownOptionsInOrder)
{
    Random random(4242);
    for (int round = 0; round < 400; ++round) {
        std::wstring text = random.pick(std::vector<std::wstring>{L"", L" ", L"\t"});
        const int count = random.between(0, 14);
        for (int i = 0; i < count; ++i) {
            text += random.pick(kTokens) + random.pick(kSeparators);
        }
        this->pages.composer.applyParameterText(text);
        const std::wstring expected = expectedLeftOver(text);
        ASSERT_EQ(this->pages.additional(), expected) << "round " << round << ": " << text;
        // The pages' own text carries only options they own (an unknown option can
        // only appear glued into a Text option's value).
        const std::wstring generated = this->pages.composer.composeParameterText(false);
        ASSERT_EQ(expectedLeftOver(generated), L"")
            << "round " << round << ": " << text << "\n generated: " << generated;
        const std::wstring full = this->pages.composer.composeParameterText(true);
        ASSERT_EQ(full, generated + L" " + expected) << "round " << round;
        ASSERT_TRUE(this->pages.generatedBox().starts_with(generated)) << "round " << round;
    }
}
