#include <gtest/gtest.h>

#include "ui/res/resource.h"
#include "win/Strings.h"

using win::MessageArg;

namespace {

std::wstring format(std::wstring_view text, std::vector<MessageArg> args)
{
    return win::formatMessageText(text, args);
}

} // namespace

TEST(MessageFormat, InsertsAndConversions)
{
    EXPECT_EQ(format(L"%1 - Korvello Converter", { std::wstring(L"book.djvu") }), L"book.djvu - Korvello Converter");
    EXPECT_EQ(format(L"Now processing page %1!d!/%2!d!...", { 3, 12 }), L"Now processing page 3/12...");
    EXPECT_EQ(format(L"%1!d! Errors", { -4 }), L"-4 Errors");
    EXPECT_EQ(format(L"process_error %1!u!", { 4294967295u }), L"process_error 4294967295");
    EXPECT_EQ(format(L"[%1!5d!][%1!-5d!][%1!05d!]", { 42 }), L"[   42][42   ][00042]");
    EXPECT_EQ(format(L"%1!*d!", { 4, 7 }), L"   7");
    EXPECT_EQ(format(L"%2 %1", { std::wstring(L"a"), std::wstring(L"b") }), L"b a");
}

TEST(MessageFormat, EscapesAndMissingInserts)
{
    EXPECT_EQ(format(L"100%% done%0 ignored", {}), L"100% done");
    EXPECT_EQ(format(L"a%nb%tc%rd%be%.%!", {}), L"a\r\nb\tc\rd e.!");
    EXPECT_EQ(format(L"%1 and %2 and %99", { std::wstring(L"x") }), L"x and  and ");
    EXPECT_EQ(format(L"trailing %", {}), L"trailing ");
    EXPECT_EQ(format(L"%1!*.*s!", {}), L"");
}

TEST(StringTable, EnglishTexts)
{
    EXPECT_EQ(win::loadString(IDS_APP_TITLE), L"Korvello Converter");
    EXPECT_EQ(win::formatString(IDS_PROGRESS_TITLE, { std::wstring(L"book.djvu") }), L"book.djvu - Korvello Converter");
    EXPECT_EQ(win::loadString(65000), L"");
}

TEST(StringTableJapanese, JapaneseTexts)
{
    EXPECT_EQ(win::loadString(IDS_SHELL_VERB), L"DjVu形式に変換...");
}
