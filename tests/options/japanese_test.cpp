// Under the Japanese interface the lists show the Japanese string table while the
// generated keywords stay the same.
#include <gtest/gtest.h>

#include "support/DefaultOptions.h"
#include "Harness.h"

using namespace test_options;

TEST(OptionListsJapanese, ListsShowJapaneseTextsAndGenerateKeywords)
{
    DialogPages pages;
    pages.create();
    EXPECT_EQ(pages.optionsText(), std::wstring(testing_support::kDefaultOptionsText));
    for (int index = 0; index < 4; ++index) {
        pages.basicControls.setSelection(IDC_BASIC_TEXT_EXTRACTION, index);
        const std::wstring shown = pages.basicControls.text(IDC_BASIC_TEXT_EXTRACTION);
        EXPECT_EQ(shown, base::loadString(IDS_TEXT_CHARS + index));
        EXPECT_FALSE(shown.empty());
    }
    pages.basicControls.setSelection(IDC_BASIC_FG_QUALITY, 2);
    const std::wstring shown = pages.basicControls.text(IDC_BASIC_FG_QUALITY);
    EXPECT_EQ(shown, base::loadString(IDS_FG_CONSERVATIVE));
    EXPECT_NE(shown, L"Conservative");
    EXPECT_NE(pages.optionsText().find(L"--fg-quality=conservative"), std::wstring::npos);
    // The keyword lists are the same in every language.
    pages.advancedControls.setSelection(IDC_ADV_RENDER_INTENT, 1);
    EXPECT_EQ(pages.advancedControls.text(IDC_ADV_RENDER_INTENT), L"screen");
}

TEST(OptionLists, EnglishTextsFromTheStringTable)
{
    DialogPages pages;
    pages.create();
    pages.basicControls.setSelection(IDC_BASIC_TEXT_EXTRACTION, 1);
    EXPECT_EQ(pages.basicControls.text(IDC_BASIC_TEXT_EXTRACTION), L"Word level (--words)");
    pages.basicControls.setSelection(IDC_BASIC_FG_QUALITY, 1);
    EXPECT_EQ(pages.basicControls.text(IDC_BASIC_FG_QUALITY), L"Quasi-Lossless");
}
