// The shipped rule file: end-of-run messages in both languages and the converter's
// messages graded as intended.
#include <gtest/gtest.h>

#include <string>

#include "converter/MessageRuleSet.h"
#include "converter/OutputInterpreter.h"
#include "converter/RecordingView.h"

namespace {

converter::MessageRuleSet& shippedRules(const char* key)
{
    // Loaded from beside the test program, where the build copies the shipped file.
    static converter::MessageRuleSet english("en-us=");
    static converter::MessageRuleSet japanese("ja=");
    static bool loaded = [] {
        english.loadRules(converter::MessageRuleSet::defaultRuleFilePath());
        japanese.loadRules(converter::MessageRuleSet::defaultRuleFilePath());
        return true;
    }();
    (void)loaded;
    return std::string(key) == "ja=" ? japanese : english;
}

struct Expect {
    const wchar_t* message;
    converter::MessageType type;
    const wchar_t* text; // nullptr: any text
};

void check(converter::MessageRuleSet& rules, const Expect& e)
{
    const auto result = rules.classifyMessage(e.message);
    EXPECT_EQ(result.type, e.type) << std::string(e.message, e.message + wcslen(e.message));
    if (e.text != nullptr) {
        EXPECT_EQ(result.text, e.text);
    }
}

} // namespace

TEST(Langmap, EndOfRunMessagesEnglish)
{
    converter::MessageRuleSet& rules = shippedRules("en-us=");
    ASSERT_GT(rules.ruleCount(), 20u);
    for (const Expect& e : {
             Expect{ L"process_success 12", converter::MessageType::Info, L"Finished in 12 seconds." },
             Expect{ L"process_canceled", converter::MessageType::Info, L"The conversion was canceled at your request." },
             Expect{ L"process_terminated", converter::MessageType::Error,
                 L"The converter did not stop when asked and was terminated." },
             Expect{ L"process_error 3", converter::MessageType::Error, L"The converter stopped with error code 3." },
             Expect{ L"process_abort 0", converter::MessageType::Error,
                 L"The converter could not be followed to its end; the result is unknown." },
         }) {
        check(rules, e);
    }
}

TEST(Langmap, EndOfRunMessagesJapanese)
{
    converter::MessageRuleSet& rules = shippedRules("ja=");
    check(rules, { L"process_success 12", converter::MessageType::Info, L"処理時間: 12 秒" });
    check(rules, { L"process_canceled", converter::MessageType::Info, L"要求により変換を中止しました。" });
    check(rules, { L"process_terminated", converter::MessageType::Error, L"コンバータが停止の要求に応じなかったため、強制終了しました。" });
    check(rules, { L"process_error 4294967295", converter::MessageType::Error, L"コンバータがエラーコード 4294967295 で終了しました。" });
    check(rules, { L"process_abort 0", converter::MessageType::Error, L"コンバータの終了を確認できませんでした。結果は不明です。" });
}

TEST(Langmap, ConverterMessagesGraded)
{
    converter::MessageRuleSet& rules = shippedRules("en-us=");
    for (const Expect& e : {
             // Errors that stop a page.
             Expect{ L"Error: /undefined in pdfmark", converter::MessageType::Error,
                 L"Unknown operator or name pdfmark; the page could not be rendered completely." },
             Expect{ L"Error: /undefinedresource in findresource", converter::MessageType::Error,
                 L"A resource the document needs (a font, CMap or encoding) is missing (in findresource)." },
             Expect{ L"Error: /invalidfont in definefont", converter::MessageType::Error, nullptr },
             Expect{ L"Error: /rangecheck in --get--", converter::MessageType::Error,
                 L"PostScript error rangecheck in --get--; the page could not be rendered completely." },
             Expect{ L"Error: /stackunderflow", converter::MessageType::Error, nullptr },
             Expect{ L"Error: something unexpected happened", converter::MessageType::Error, L"something unexpected happened" },
             // Repairs are warnings.
             Expect{ L"Error: An error occurred while reading an XREF table.", converter::MessageType::Warn,
                 L"The document's cross-reference table is damaged; it was rebuilt." },
             Expect{ L"Warning: The xref table has the wrong number of entries. The file will be reconstructed.",
                 converter::MessageType::Warn, nullptr },
             Expect{ L"This file had errors that were repaired or ignored.", converter::MessageType::Warn, nullptr },
             Expect{ L"Warning: stream Length incorrect.", converter::MessageType::Warn, nullptr },
             Expect{ L"Warning: unknown operator 'BDCx' skipped", converter::MessageType::Warn,
                 L"Unknown operator BDCx in the page content was skipped." },
             // Fonts.
             Expect{ L"Warning: The font Helv is not embedded. A substitute font is used for it. The output may look "
                     L"different.",
                 converter::MessageType::Warn, L"Font Helv is not embedded in the document; a substitute font is used." },
             Expect{ L"Substituting font Times-Roman for TimesNewRoman.", converter::MessageType::Warn,
                 L"Font TimesNewRoman is replaced by Times-Roman." },
             Expect{ L"Can't find the font MS-Mincho.", converter::MessageType::Warn, L"MS-Mincho was not found; a substitute is used." },
             Expect{ L"Warning: something else odd", converter::MessageType::Warn, L"something else odd" },
             // Notices worth knowing, and chatter.
             Expect{ L"This file was produced by: SomeWriter 2.0", converter::MessageType::Info,
                 L"The document was produced by SomeWriter 2.0." },
             Expect{ L"Korvello 1.0 (stand-in) converting the document", converter::MessageType::Ignore, nullptr },
             Expect{ L"Loading the colour profile for the page.", converter::MessageType::Ignore, nullptr },
             Expect{ L"Page 3 (612 x 792)", converter::MessageType::Ignore, nullptr },
             Expect{ L"Processing pages 2 through 5.", converter::MessageType::Ignore, nullptr },
             Expect{ L"Conversion done.", converter::MessageType::Ignore, nullptr },
             Expect{ L"The file will be reconstructed.", converter::MessageType::Ignore, nullptr },
             Expect{ L"Copyright (C) 2026 Veltrana", converter::MessageType::Ignore, nullptr },
             Expect{ L"Some unknown chatter", converter::MessageType::None, nullptr },
         }) {
        check(rules, e);
    }
}

TEST(Langmap, ConverterMessagesJapaneseTexts)
{
    converter::MessageRuleSet& rules = shippedRules("ja=");
    check(rules, { L"Warning: The font Helv is not embedded.", converter::MessageType::Warn,
                     L"フォント Helv は文書に埋め込まれていません。代替フォントを使用します。" });
    check(rules, { L"Error: /ioerror in readstring", converter::MessageType::Error, L"文書を読み込めませんでした（readstring）。" });
    check(rules, { L"Warning: odd", converter::MessageType::Warn, L"odd" });
}

// The reference converter's notices of options it carries out otherwise are rows the user
// sees, worded in both languages.
TEST(Langmap, OptionNoticesAreRowsInBothLanguages)
{
    const wchar_t* dpi = L"Notice: --dpi=10 is outside what DjVu holds (25 to 6000 dpi); the pages are rendered at 25 dpi.";
    const wchar_t* folder = L"Notice: the resource folder does not exist (--resourcedir=C:\\fonts); the renderer's own "
                            L"resources are used.";
    const wchar_t* slices = L"Error: --bg-slices=74+x is not a list of slices from 1 to 1000 that never go down (such as "
                            L"74+13+10).";
    converter::MessageRuleSet& english = shippedRules("en-us=");
    check(english, {dpi, converter::MessageType::Warn,
                       L"10 dpi is outside what DjVu holds (25 to 6000 dpi); the pages were converted at 25 dpi."});
    check(english, {folder, converter::MessageType::Warn,
                       L"The resource folder C:\\fonts does not exist; the renderer's own resources were used."});
    check(english, {slices, converter::MessageType::Error,
                       L"The background slices \"74+x\" are not valid: numbers from 1 to 1000 that never go down, such as "
                       L"74+13+10."});
    converter::MessageRuleSet& japanese = shippedRules("ja=");
    check(japanese, {dpi, converter::MessageType::Warn,
                        L"10 dpi は DjVu で扱える解像度（25～6000 dpi）の範囲外のため、25 dpi で変換しました。"});
    check(japanese, {folder, converter::MessageType::Warn,
                        L"リソースフォルダ C:\\fonts が存在しないため、描画プログラム標準のリソースを使用しました。"});
    check(japanese, {slices, converter::MessageType::Error,
                        L"背景のスライス指定「74+x」が正しくありません。1～1000 の数値を小さくならない順に指定してください（例: 74+13+10）。"});
}

// The default run of the stand-in converter, through the interpreter with the shipped rules.
TEST(Langmap, SampleRunThroughInterpreter)
{
    RecordingView view;
    converter::OutputInterpreter interpreter(view, shippedRules("en-us="));
    interpreter.reset(nullptr);
    for (const wchar_t* line : { L"Korvello 1.0 (stand-in) converting the document", L"Processing pages 1 through 5.",
             L"Page 1", L"Page 2", L"   **** Warning: The font Helv is not embedded.",
             L"   A substitute font is used for it.", L"   The output may look different.", L"Page 3",
             L"   **** This file had errors that were repaired or ignored.", L"Page 4",
             L"Error: /undefinedresource in findresource", L"Page 5", L"Loading the colour profile for the page.",
             L"Conversion done." }) {
        interpreter.interpretLine(line);
    }
    const base::MessageArg seconds[] = { std::uint32_t(3) };
    interpreter.reportMessage(L"process_success %1!u!", seconds);
    std::vector<std::wstring> expected = {
        L"row warn [3] Font Helv is not embedded in the document; a substitute font is used.",
        L"row warn [3] The document had errors that were repaired or ignored; check the result.",
        L"row error [5] A resource the document needs (a font, CMap or encoding) is missing (in findresource).",
        L"row info [5] Finished in 3 seconds.",
    };
    EXPECT_EQ(view.rows, expected);
    EXPECT_EQ(interpreter.warningCount(), 2);
    EXPECT_EQ(interpreter.errorCount(), 1);
}

// Long messages (a warning with many continuation lines) are matched on their start.
TEST(Langmap, LongMessagesStillMatch)
{
    converter::MessageRuleSet& rules = shippedRules("en-us=");
    const std::wstring detail(300000, L'd');
    const auto result = rules.classifyMessage(L"Warning: " + detail);
    EXPECT_EQ(result.type, converter::MessageType::Warn);
    EXPECT_EQ(result.text, detail.substr(0, converter::MessageRuleSet::kMaxMatchCharacters - 9));
    const auto error = rules.classifyMessage(L"Error: /typecheck in " + detail);
    EXPECT_EQ(error.type, converter::MessageType::Error);
    // A message of megabytes is graded on its start, not lost at the matcher's limits.
    const auto huge = rules.classifyMessage(L"Error: " + std::wstring(1200000, L'h'));
    EXPECT_EQ(huge.type, converter::MessageType::Error);
}
