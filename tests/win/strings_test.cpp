#include <gtest/gtest.h>

#include <windows.h>

#include <cwchar>
#include <string>
#include <vector>

#include "res/resource.h"
#include "base/StringTable.h"

using base::MessageArg;

namespace {

std::wstring format(std::wstring_view text, std::vector<MessageArg> args)
{
    return base::formatMessageText(text, args);
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
    EXPECT_EQ(format(L"a%nb%tc%rd%be%.%!", {}), L"a\r\nb\tc\rdbe.!");
    EXPECT_EQ(format(L"%1 and %2 and %99", { std::wstring(L"x") }), L"x and  and ");
    EXPECT_EQ(format(L"trailing %", {}), L""); // rejected, as by the platform
    EXPECT_EQ(format(L"%1!d", { 5 }), L"");
    EXPECT_EQ(format(L"%1!*.*s!", {}), L"");
}

namespace {

// The platform's formatter over an argument array large enough for %1..%99 and their
// width and precision slots; texts become pointers, numbers values.
std::wstring platformFormat(const std::wstring& text, const std::vector<MessageArg>& args)
{
    std::vector<DWORD_PTR> array(256, 0);
    for (size_t i = 0; i < args.size(); ++i) {
        if (const auto* s = std::get_if<std::wstring>(&args[i])) {
            array[i] = reinterpret_cast<DWORD_PTR>(s->c_str());
        } else if (const auto* d = std::get_if<std::int32_t>(&args[i])) {
            array[i] = static_cast<DWORD_PTR>(static_cast<std::uint32_t>(*d));
        } else {
            array[i] = static_cast<DWORD_PTR>(std::get<std::uint32_t>(args[i]));
        }
    }
    wchar_t* buffer = nullptr;
    const DWORD length = FormatMessageW(FORMAT_MESSAGE_FROM_STRING | FORMAT_MESSAGE_ARGUMENT_ARRAY
            | FORMAT_MESSAGE_ALLOCATE_BUFFER,
        text.c_str(), 0, 0, reinterpret_cast<wchar_t*>(&buffer), 0, reinterpret_cast<va_list*>(array.data()));
    std::wstring result;
    if (length > 0 && buffer != nullptr) {
        result.assign(buffer, length);
    }
    if (buffer != nullptr) {
        LocalFree(buffer);
    }
    return result;
}

} // namespace

// Our formatter gives what the platform's gives for every template whose inserts are given.
TEST(MessageFormat, SameAsPlatformFormatter)
{
    const std::wstring a = L"alpha";
    const std::wstring b = L"b";
    const std::vector<MessageArg> texts = { a, b, std::wstring(L"third"), std::wstring(L""), std::wstring(L"日本") };
    const std::vector<MessageArg> numbers = { 42, -7, 0, 2147483647, -2147483647 - 1 };
    const std::vector<MessageArg> unsignedNumbers = { 4294967295u, 0u, 17u, 3u, 255u };
    const std::vector<MessageArg> widths = { 8, 3, std::wstring(L"abcdefgh"), 5, 2 };
    const wchar_t* textTemplates[] = { L"%1", L"%1 %2 %3 %4 %5", L"%2%1", L"[%1!s!]", L"[%1!10s!]", L"[%1!-10s!]",
        L"[%1!.2s!]", L"[%1!8.3s!]", L"[%5!s!]", L"100%% sure", L"a%nb", L"a%rb", L"a%tb", L"a%bb", L"stop%0here",
        L"%.%!% %a%z", L"trailing %", L"%1%", L"%1!", L"%1!s", L"line\r\nbreak", L"lf\nonly", L"cr\ronly",
        L"%1%2%3%4%5%1%2", L"%01", L"%1x%2y", L"!%1!", L"%%1", L"%n%n", L"%1!ls!", L"%1!ws!", L"%1!S!",
        L"%1!s!%2!s!", L"tab\there", L"%1 %% %2", L"a\n\rb", L"a\r\r\nb", L"%1!hs!", L"%5!10.1s!|", L"%1!-+#0 s!" };
    for (const wchar_t* t : textTemplates) {
        EXPECT_EQ(format(t, texts), platformFormat(t, texts)) << "template: " << std::string(t, t + wcslen(t));
    }
    const wchar_t* numberTemplates[] = { L"%1!d!", L"%2!d!", L"%1!u!", L"%1!x!", L"%1!X!", L"%1!o!", L"%1!5d!",
        L"%1!-5d!|", L"%1!05d!", L"%2!05d!", L"%1!+d!", L"%1! d!", L"%2!+d!", L"%1!#x!", L"%1!#o!", L"%1!.5d!",
        L"%1!8.5d!", L"%2!i!", L"%4!d! %5!d!", L"%4!u!", L"%5!x!", L"%1!c!", L"%1!ld!", L"%1!hd!", L"%3!d!",
        L"%3!5.0d!|", L"%1!lu!", L"%1!I32d!", L"%2!hd!", L"%5!x!", L"%2!hhd!", L"%2!#X!", L"%3!#x!", L"%3!#o!", L"%1!#o!", L"%2!-08d!|", L"%1!+08d!", L"%2!08.3d!", L"%1!lc!", L"%1!C!", L"%2!I64d!" };
    for (const wchar_t* t : numberTemplates) {
        EXPECT_EQ(format(t, numbers), platformFormat(t, numbers)) << "template: " << std::string(t, t + wcslen(t));
    }
    const wchar_t* unsignedTemplates[] = { L"%1!u!", L"%1!d!", L"%1!x!", L"%2!u!", L"%3!08X!", L"%5!o!",
        L"process_error %1!u!" };
    for (const wchar_t* t : unsignedTemplates) {
        EXPECT_EQ(format(t, unsignedNumbers), platformFormat(t, unsignedNumbers))
            << "template: " << std::string(t, t + wcslen(t));
    }
    const wchar_t* widthTemplates[] = { L"[%1!*d!]", L"[%1!-*d!]", L"[%2!*.*s!]", L"[%1!*s!]" };
    const std::vector<MessageArg> starWidth = { 6, 42 };
    EXPECT_EQ(format(widthTemplates[0], starWidth), platformFormat(widthTemplates[0], starWidth));
    EXPECT_EQ(format(widthTemplates[1], starWidth), platformFormat(widthTemplates[1], starWidth));
    const std::vector<MessageArg> starBoth = { std::wstring(L"x"), 8, 3, std::wstring(L"abcdefgh") };
    EXPECT_EQ(format(widthTemplates[2], starBoth), platformFormat(widthTemplates[2], starBoth));
    const std::vector<MessageArg> starText = { 7, std::wstring(L"ab") };
    EXPECT_EQ(format(widthTemplates[3], starText), platformFormat(widthTemplates[3], starText));
    (void)widths;
}

// Random templates of text, escapes, line breaks and string inserts: the same as the platform.
// (A conversion whose own text holds further printf directives is left out: the platform
// would read values that were never given.)
TEST(MessageFormat, RandomTemplatesSameAsPlatform)
{
    std::vector<MessageArg> args;
    for (int i = 1; i <= 99; ++i) {
        args.emplace_back(L"<" + std::to_wstring(i) + L">");
    }
    const wchar_t* pieces[] = { L"a", L"b ", L"%", L"%%", L"%n", L"%r", L"%t", L"%b", L"%.", L"%!", L"% ", L"%0", L"%1",
        L"%2", L"%9", L"%10", L"%99", L"%1!s!", L"%3!5s!", L"%4!-6s!", L"%5!.1s!", L"%6!ls!", L"%7!ws!", L"%8!s!!", L"\r",
        L"\n", L"\r\n", L"\n\r", L"9", L"0", L"日本", L"%x", L"%2!sz!" };
    std::uint32_t state = 20261207;
    auto next = [&] {
        state = state * 1664525u + 1013904223u;
        return state >> 8;
    };
    for (int round = 0; round < 2000; ++round) {
        std::wstring text;
        const unsigned count = 1 + next() % 8;
        for (unsigned i = 0; i < count; ++i) {
            text += pieces[next() % std::size(pieces)];
        }
        ASSERT_EQ(format(text, args), platformFormat(text, args)) << "round " << round;
    }
}

// Inserts that were not given give empty text, and nothing reads beyond the arguments.
TEST(MessageFormat, MissingInsertsAreEmpty)
{
    EXPECT_EQ(format(L"[%3][%99!d!][%1!*.*s!]", { std::wstring(L"only") }), L"[][][]");
    EXPECT_EQ(format(L"%1!*d!", { 5 }), L"");
    EXPECT_EQ(format(L"%100", { std::wstring(L"x") }), L"0"); // %10 (missing), then "0"
}

TEST(StringTable, EnglishTexts)
{
    EXPECT_EQ(base::loadString(IDS_APP_TITLE), L"Korvello Converter");
    EXPECT_EQ(base::formatString(IDS_PROGRESS_TITLE, { std::wstring(L"book.djvu") }), L"book.djvu - Korvello Converter");
    EXPECT_EQ(base::loadString(65000), L"");
}

TEST(StringTableJapanese, JapaneseTexts)
{
    EXPECT_EQ(base::loadString(IDS_SHELL_VERB), L"DjVu形式に変換...");
}
