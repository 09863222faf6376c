// The string table in both languages: every listed text, the same inserts in both,
// the file-dialog filters.
#include <gtest/gtest.h>

#include <span>

#include <algorithm>
#include <string>
#include <vector>

#include "ResourceData.h"
#include "res/resource.h"
#include "ui/FileDialogs.h"
#include "base/StringTable.h"

using restest::kEnglish;
using restest::kJapanese;

namespace {

struct Text {
    UINT id;
    const wchar_t* english;
    const wchar_t* japanese;
};

const Text kTexts[] = {
    { 200, L"Korvello Converter", L"Korvello Converter" },
    { 201, L"Character level (--chars)", L"文字毎 (--chars)" },
    { 202, L"Word level (--words)", L"単語毎 (--words)" },
    { 203, L"Line level (--lines)", L"行毎 (--lines)" },
    { 204, L"No text extraction (--no-texts)", L"テキストなし (--no-texts)" },
    { 205, L"%1 - Korvello Converter", L"%1 - Korvello Converter" },
    { 207, L"Lossless", L"可逆圧縮" },
    { 208, L"Quasi-Lossless", L"準可逆圧縮" },
    { 209, L"Conservative", L"低圧縮" },
    { 210, L"Lossy", L"非可逆圧縮" },
    { 211, L"Aggressive", L"高圧縮" },
    { 212, L"Starting conversion...", L"変換開始中..." },
    { 213, L"PDF Files (*.pdf)|*.pdf|PostScript Files (*.ps)|*.ps|All Files (*.*)|*.*",
        L"PDF ファイル (*.pdf)|*.pdf|PostScript ファイル (*.ps)|*.ps|All ファイル (*.*)|*.*" },
    { 214, L"DjVu Files (*.djvu;*.djv)|*.djvu;*.djv|All Files (*.*)|*.*",
        L"DjVu ファイル (*.djvu;*.djv)|*.djvu;*.djv|All ファイル (*.*)|*.*" },
    { 217, L"Log Files (*.log)|*.log|All Files (*.*)|*.*", L"Log ファイル (*.log)|*.log|All ファイル (*.*)|*.*" },
    { 218, L"Process is canceled.", L"処理はキャンセルされました。" },
    { 219, L"'%1' does not exists.", L"'%1' は存在しないファイルです。" },
    { 220, L"'%1' already exists, overwrite anyway?", L"'%1' は既に存在します。上書きしますか？" },
    { 221, L"The path '%1' is an existing directory.", L"'%1' は既に存在するディレクトリです。" },
    { 222, L"The process is failed due to the following OS error:\n%1", L"処理は失敗しました。\nOSからのエラー: %1" },
    { 223, L"Now processing page %1!d!/%2!d!...", L"ページ %1!d!/%2!d! を処理中です..." },
    { 224, L"Specify a path for CID-keyed fonts and CMaps.", L"CIDフォントおよび、 CMapのパスを指定してください。" },
    { 225, L"The input file name is empty.", L"入力ファイル名が入力されていません。" },
    { 226, L"The output file name is empty.", L"出力ファイル名が入力されていません。" },
    { 227, L"The process is failed.", L"処理が失敗しました。" },
    { 228, L"Failed to create worker thread.", L"ワーカスレッドの作成に失敗しました。" },
    { 229, L"&History", L"履歴(&H)" },
    { 230, L"&Revert to the default", L"既定の設定に戻す(&R)" },
    { 231, L"Convert to DjVu...", L"DjVu形式に変換..." },
    { 232, L"&Details >>", L"詳細(&D) >>" },
    { 233, L"&Details <<", L"詳細(&D) <<" },
    { 234, L"OK", L"OK" },
    { 235, L"%1!d! Warnings", L"%1!d!個の警告" },
    { 236, L"%1!d! Errors", L"%1!d!個のエラー" },
    { 237, L"Conversion Failed : %1", L"変換に失敗しました。：%1" },
    { 241, L"&Abort", L"強制終了(&A)" },
    { 242, L"Information", L"情報" },
    { 243, L"Warning", L"警告" },
    { 244, L"Error", L"エラー" },
    { 245, L"Type", L"種別" },
    { 246, L"Page", L"ページ" },
    { 247, L"Description", L"内容" },
    { 248, L"Conversion finished but there are several warnings/errors.",
        L"いくつかの警告が発生しましたが、DjVuへの変換は完了しました。" },
    { 249, L"Conversion successfully finished!", L"DjVuへの変換が完了しました。" },
    { 250, L"The output file '%1' is the input file. Choose another name for the output file.",
        L"出力ファイル '%1' は入力ファイルと同じです。出力ファイルに別の名前を指定してください。" },
    { 251, L"The processing log '%1' would replace the input file. Choose another name for the log file.",
        L"処理ログ '%1' は入力ファイルと同じです。ログファイルに別の名前を指定してください。" },
    { 252, L"The processing log '%1' is the output file. Choose another name for the log file.",
        L"処理ログ '%1' は出力ファイルと同じです。ログファイルに別の名前を指定してください。" },
    { 253, L"'%1' is a folder. Choose a PDF or PostScript file as the input file.",
        L"'%1' はフォルダーです。入力ファイルには PDF または PostScript ファイルを指定してください。" },
    { 254, L"The converter's command line would be %1 characters long, but Windows passes at most 32767. Shorten the file names or the additional parameters.",
        L"コンバーターのコマンドラインが %1 文字になりますが、Windows が渡せるのは 32767 文字までです。ファイル名または追加パラメーターを短くしてください。" },
    { 270, L"The message rules could not be read from '%1': %2 Messages are neither graded nor listed.",
        L"メッセージの規則を '%1' から読み込めませんでした: %2 メッセージは分類も表示もされません。" },
    { 271, L"The processing log cannot be written to '%1': %2", L"処理ログを '%1' に書き込めません: %2" },
    { 272, L"A message could not be processed: not enough memory.",
        L"メモリ不足のため、メッセージを処理できませんでした。" },
    { 273, L"en-us", L"ja" },
    { 274, L"'%1' in the options is not an option (options begin with '-'), so the converter would take it for a file name. Remove it from the additional parameters, or put it in quotes with the option it belongs to.",
        L"オプションの中の '%1' はオプションではありません (オプションは '-' で始まります)。コンバーターはこれをファイル名として扱います。追加パラメーターから削除するか、属するオプションと一緒に引用符で囲んでください。" },
    { 275, L"The converter would not receive the input and output file names as given: '%1' would stand in their place. Check the quotes in the additional parameters.",
        L"入力ファイル名と出力ファイル名が指定どおりにコンバーターへ渡されません。代わりに '%1' が渡されます。追加パラメーターの引用符を確認してください。" },
    { 276, L"The folder '%1' of the output file does not exist. Choose an existing folder for the output file.",
        L"出力ファイルのフォルダー '%1' は存在しません。出力ファイルには存在するフォルダーを指定してください。" },
    { 277, L"korvello.exe is converting '%1'.",
        L"korvello.exe が '%1' を変換しています。" },
};

bool isListed(UINT id)
{
    for (const Text& text : kTexts) {
        if (text.id == id) {
            return true;
        }
    }
    return false;
}

std::vector<std::wstring> split(const std::wstring& text, wchar_t separator)
{
    std::vector<std::wstring> parts;
    size_t start = 0;
    for (;;) {
        const size_t end = text.find(separator, start);
        parts.push_back(text.substr(start, end == std::wstring::npos ? std::wstring::npos : end - start));
        if (end == std::wstring::npos) {
            return parts;
        }
        start = end + 1;
    }
}

// A literal with embedded nulls, all of them kept.
template <size_t N>
std::wstring withNulls(const wchar_t (&text)[N])
{
    return std::wstring(text, N - 1);
}

} // namespace

TEST(ResourceStrings, EveryListedTextExistsInBothLanguages)
{
    for (const Text& text : kTexts) {
        bool found = false;
        EXPECT_EQ(restest::stringIn(text.id, kEnglish, &found), text.english) << "id " << text.id;
        EXPECT_TRUE(found) << "English id " << text.id;
        EXPECT_EQ(restest::stringIn(text.id, kJapanese, &found), text.japanese) << "id " << text.id;
        EXPECT_TRUE(found) << "Japanese id " << text.id;
    }
}

TEST(ResourceStrings, BothLanguagesHaveTheSameInserts)
{
    int withInserts = 0;
    for (const Text& text : kTexts) {
        const auto english = restest::insertsOf(restest::stringIn(text.id, kEnglish));
        const auto japanese = restest::insertsOf(restest::stringIn(text.id, kJapanese));
        EXPECT_EQ(english, japanese) << "id " << text.id;
        withInserts += english.empty() ? 0 : 1;
    }
    EXPECT_EQ(withInserts, 20); // 205, 219 to 223, 235 to 237, 250 to 254, 270, 271, 274 to 277
    EXPECT_EQ(restest::insertsOf(L"page %1!d!/%2!d! of %3 at 100%% %n"),
        (std::vector<std::wstring> { L"%1!d!", L"%2!d!", L"%3" }));
}

TEST(ResourceStrings, NoUnlistedTextsBetween200And269)
{
    for (UINT id = 200; id <= 269; ++id) {
        if (isListed(id)) {
            continue;
        }
        bool found = true;
        restest::stringIn(id, kEnglish, &found);
        EXPECT_FALSE(found) << "English id " << id;
        restest::stringIn(id, kJapanese, &found);
        EXPECT_FALSE(found) << "Japanese id " << id;
    }
}

TEST(ResourceStrings, LoadInEnglishInterface)
{
    for (const Text& text : kTexts) {
        EXPECT_EQ(base::loadString(text.id), text.english) << "id " << text.id;
    }
    EXPECT_EQ(base::formatString(IDS_PROCESSING_PAGE, { 3, 12 }), L"Now processing page 3/12...");
    EXPECT_EQ(base::formatString(IDS_OS_ERROR, { std::wstring(L"Access is denied.") }),
        L"The process is failed due to the following OS error:\r\nAccess is denied."); // the formatter writes CR LF
    EXPECT_EQ(base::formatString(IDS_WARNING_COUNT, { 2 }), L"2 Warnings");
}

TEST(ResourceStrings, InputFilterYieldsItsPairsInOrder)
{
    const std::vector<std::wstring> english = split(restest::stringIn(IDS_FILTER_INPUT, kEnglish), L'|');
    EXPECT_EQ(english, (std::vector<std::wstring> { L"PDF Files (*.pdf)", L"*.pdf", L"PostScript Files (*.ps)", L"*.ps",
                           L"All Files (*.*)", L"*.*" }));
    const std::vector<std::wstring> japanese = split(restest::stringIn(IDS_FILTER_INPUT, kJapanese), L'|');
    EXPECT_EQ(japanese, (std::vector<std::wstring> { L"PDF ファイル (*.pdf)", L"*.pdf", L"PostScript ファイル (*.ps)",
                            L"*.ps", L"All ファイル (*.*)", L"*.*" }));
    ASSERT_FALSE(english.empty());
    EXPECT_EQ(english.back(), L"*.*");

    // The list the file dialogs get: the same pairs, each ended by a null, and a final null.
    const std::wstring list = ui::fileDialogFilter(restest::stringIn(IDS_FILTER_INPUT, kEnglish));
    EXPECT_EQ(list, withNulls(L"PDF Files (*.pdf)\0*.pdf\0PostScript Files (*.ps)\0*.ps\0All Files (*.*)\0*.*\0\0"));
}

TEST(ResourceStrings, OutputAndLogFiltersArePairs)
{
    for (UINT id : { IDS_FILTER_OUTPUT, IDS_FILTER_LOG }) {
        for (LANGID language : { kEnglish, kJapanese }) {
            const std::vector<std::wstring> parts = split(restest::stringIn(id, language), L'|');
            ASSERT_EQ(parts.size(), 4u) << "id " << id;
            EXPECT_EQ(parts[3], L"*.*");
            for (const std::wstring& part : parts) {
                EXPECT_FALSE(part.empty()) << "id " << id;
            }
        }
    }
    EXPECT_EQ(split(restest::stringIn(IDS_FILTER_OUTPUT, kEnglish), L'|')[1], L"*.djvu;*.djv");
    EXPECT_EQ(split(restest::stringIn(IDS_FILTER_LOG, kJapanese), L'|')[0], L"Log ファイル (*.log)");
}

TEST(ResourceStringsJapanese, LoadInJapaneseInterface)
{
    for (const Text& text : kTexts) {
        EXPECT_EQ(base::loadString(text.id), text.japanese) << "id " << text.id;
    }
    EXPECT_EQ(base::formatString(IDS_PROCESSING_PAGE, { 3, 12 }), L"ページ 3/12 を処理中です...");
    EXPECT_EQ(base::formatString(IDS_ERROR_COUNT, { 4 }), L"4個のエラー");
    EXPECT_EQ(base::formatString(IDS_FILE_NOT_EXISTS, { std::wstring(L"C:\\a.pdf") }), L"'C:\\a.pdf' は存在しないファイルです。");
}

// Several documents in one go: the queue's texts, 300 to 313, and nothing else up to 329.
namespace {

const Text kQueueTexts[] = {
    { 300, L"Document %1!d! of %2!d!: %3", L"ドキュメント %1!d!/%2!d!: %3" },
    { 301, L"'%1' is being converted.\n\nStop the whole queue now, stop only this document and go on with the next, or let this document finish and then end the queue?",
        L"'%1' を変換中です。\n\nキュー全体をすぐに停止するか、このドキュメントだけを停止して次に進むか、このドキュメントの変換を終えてからキューを終了しますか？" },
    { 302, L"Converted", L"変換完了" },
    { 303, L"Converted with warnings", L"変換完了 (警告あり)" },
    { 304, L"Failed", L"失敗" },
    { 305, L"Skipped (existing file kept)", L"スキップ (既存のファイルを保持)" },
    { 306, L"Cancelled", L"キャンセル" },
    { 307, L"Not converted (queue stopped)", L"未変換 (キューを停止)" },
    { 308, L"Document", L"ドキュメント" },
    { 309, L"Outcome", L"結果" },
    { 310, L"Warnings", L"警告" },
    { 311, L"Errors", L"エラー" },
    { 312, L"Output", L"出力" },
    { 313, L"%1!d! of %2!d! documents converted.", L"%2!d! 個中 %1!d! 個のドキュメントを変換しました。" },
};


// Several documents on one sheet: 278 to 287.
const Text kSheetDocumentTexts[] = {
    { 278, L"%1 documents",
        L"%1 個のドキュメント" },
    { 279, L"Beside each document",
        L"各ドキュメントと同じフォルダー" },
    { 280, L"&List...",
        L"一覧(&L)..." },
    { 281, L"&Input Files:",
        L"入力ファイル(&I):" },
    { 282, L"&Output to:",
        L"出力先(&O):" },
    { 283, L"%1 of the %2 documents cannot be converted:\n\n%3\nLeave them out? Yes removes them from the documents to convert, No keeps them so that you can correct the settings.",
        L"%2 個のドキュメントのうち %1 個は変換できません:\n\n%3\nこれらを除外しますか？ [はい] で変換するドキュメントから外し、[いいえ] で残して設定を修正できます。" },
    { 284, L"%1 of the %2 DjVu files exist already: replace them?\n\nYes replaces them, No keeps them and skips their documents.",
        L"%2 個の DjVu ファイルのうち %1 個は既に存在します。置き換えますか？\n\n[はい] で置き換え、[いいえ] で既存のファイルを残してそのドキュメントを飛ばします。" },
    { 285, L"Choose the folder for the DjVu files (an empty box puts each one beside its document).",
        L"DjVu ファイルを保存するフォルダーを選んでください (空欄にすると各ドキュメントと同じフォルダーに保存します)。" },
    { 286, L"'%1' is also the output of '%2'.",
        L"'%1' は '%2' の出力でもあります。" },
    { 287, L"... and %1 more",
        L"... ほか %1 個" },
};

// Each text in both languages, with the same inserts (in any order: a language may
// name the total first).
void expectTexts(std::span<const Text> texts)
{
    for (const Text& text : texts) {
        bool found = false;
        EXPECT_EQ(restest::stringIn(text.id, kEnglish, &found), text.english) << "id " << text.id;
        EXPECT_TRUE(found) << "English id " << text.id;
        EXPECT_EQ(restest::stringIn(text.id, kJapanese, &found), text.japanese) << "id " << text.id;
        EXPECT_TRUE(found) << "Japanese id " << text.id;
        auto english = restest::insertsOf(text.english);
        auto japanese = restest::insertsOf(text.japanese);
        std::sort(english.begin(), english.end());
        std::sort(japanese.begin(), japanese.end());
        EXPECT_EQ(english, japanese) << "id " << text.id;
    }
}

} // namespace

// Folders of documents, the document list, a queue resumed after a crash or a log-off.
const Text kQueueUserTexts[] = {
    { 330, L"'%1' holds no PDF or PostScript file.", L"'%1' には PDF ファイルも PostScript ファイルもありません。" },
    { 331, L"%1!d! documents were not converted last time. Convert them now?",
        L"前回 %1!d! 個のドキュメントが変換されませんでした。今すぐ変換しますか？" },
    { 332, L"These documents no longer exist and are left out:\n\n%1", L"次のドキュメントはもう存在しないため除外します:\n\n%1" },
    { 333, L"Add documents", L"ドキュメントの追加" },
    { 334, L"1 document was not converted last time. Convert it now?",
        L"前回 1 個のドキュメントが変換されませんでした。今すぐ変換しますか？" },
};

TEST(ResourceStrings, QueueUserTextsExistInBothLanguagesWithTheSameInserts)
{
    expectTexts(kQueueUserTexts);
}

TEST(ResourceStrings, SheetDocumentTextsExistInBothLanguagesWithTheSameInserts)
{
    expectTexts(kSheetDocumentTexts);
}

TEST(ResourceStrings, QueueTextsExistInBothLanguagesWithTheSameInserts)
{
    expectTexts(kQueueTexts);
    for (UINT id = 314; id <= 329; ++id) {
        bool found = true;
        restest::stringIn(id, kEnglish, &found);
        EXPECT_FALSE(found) << "English id " << id;
    }
}
