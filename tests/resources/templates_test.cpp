// The dialog templates 103, 107, 108, 109, 110 and 111 in both languages: controls, order, kinds,
// styles, captions and rectangles; created dialogs; captions that fit.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <iterator>
#include <span>
#include <string>
#include <vector>

#include "ResourceData.h"
#include "tools/dialogviewer/LayoutCheck.h"
#include "res/resource.h"

using restest::kEnglish;
using restest::kJapanese;

namespace {

enum class Kind { Group, Label, CentredLabel, Edit, Push, Check, DropList, DropDown, UpDown, Progress, Animation, Icon, List };

enum Flag : unsigned {
    None = 0,
    Hidden = 1,
    Disabled = 2,
    Digits = 4,
    MultiLine = 8,
    ReadOnly = 16,
    Sorted = 32,
};

constexpr int kNoId = -1;

struct Item {
    int id;
    Kind kind;
    const wchar_t* english;
    const wchar_t* japanese;
    short x, y, cx, cy;
    unsigned flags = None;
    WORD image = 0; // icon of an icon control
};

const Item kBasic[] = {
    { kNoId, Kind::Group, L"File Location", L"ファイルパス", 7, 7, 285, 46 },
    { kNoId, Kind::Label, L"&Input File:", L"入力ファイル(&I):", 14, 20, 37, 8 },
    { 1010, Kind::Edit, L"", L"", 60, 17, 178, 14 },
    { 1012, Kind::Push, L"Bro&wse...", L"参照(&W)...", 240, 17, 48, 14 },
    { kNoId, Kind::Label, L"&Output File:", L"出力ファイル(&O):", 14, 37, 42, 8 },
    { 1011, Kind::Edit, L"", L"", 60, 34, 178, 14 },
    { 1024, Kind::Push, L"Brows&e...", L"参照(&E)...", 240, 34, 48, 14 },
    { kNoId, Kind::Group, L"Text/Metadata", L"テキスト/メタデータ", 7, 56, 285, 56 },
    { kNoId, Kind::Label, L"&Text Extraction:", L"テキストの抽出(&T):", 14, 69, 56, 8 },
    { 1013, Kind::DropList, L"", L"", 84, 66, 166, 67 },
    { 1014, Kind::Check, L"&Convert Links in the document (--convert-links)", L"文書中のリンクを変換する(&C) (--convert-links)",
        21, 84, 246, 10 },
    { 1022, Kind::Check, L"S&uppress white spaces in the text chunk (--nosep)",
        L"テキストチャンク中の空白文字を無視する(&U) (--nosep)", 21, 97, 238, 10 },
    { kNoId, Kind::Group, L"Quality", L"品質", 7, 115, 285, 108 },
    { kNoId, Kind::Label, L"&Foreground Resolution (--dpi):", L"前景の解像度(&F) (--dpi):", 14, 128, 108, 8 },
    { 1015, Kind::DropDown, L"", L"", 197, 125, 89, 70 },
    { kNoId, Kind::Label, L"Foreground &Quality (--fg-quality):", L"前景の品質(&Q) (--fg-quality):", 14, 143, 108, 8 },
    { 1023, Kind::DropList, L"", L"", 197, 140, 89, 70 },
    { kNoId, Kind::Label, L"&Background Quality (--quality) [0-100]:", L"背景の品質(&B) (--quality) [0-100]:", 14, 159, 129, 8 },
    { 1016, Kind::Edit, L"", L"", 197, 156, 33, 14, Digits },
    { 1017, Kind::UpDown, L"", L"", 230, 156, 11, 14 },
    { kNoId, Kind::Label, L"&Separation Threshold (--threshold-level) [1-100]:",
        L"セパレーションしきい値(&S) (--threshold-level) [1-100]:", 14, 176, 158, 8 },
    { 1018, Kind::Edit, L"", L"", 197, 173, 33, 14, Digits },
    { 1019, Kind::UpDown, L"", L"", 230, 173, 11, 14 },
    { kNoId, Kind::Label, L"B&ackground Subsampling Factor (--bg-subsample) [1-6]:",
        L"背景サブサンプリング(&A) (--bg-subsample) [1-6]:", 14, 193, 179, 8 },
    { 1020, Kind::Edit, L"", L"", 197, 190, 33, 14, Digits },
    { 1021, Kind::UpDown, L"", L"", 230, 190, 11, 14 },
    { 1025, Kind::Check, L"Se&parate image-only pages into foreground/background images.",
        L"画像のみのページを前景・背景に分離する(&P) (--fgbg-sep)", 21, 207, 238, 10 },
};

const Item kAdvanced[] = {
    { kNoId, Kind::Group, L"PDF Related Settings", L"PDF 関連の設定", 7, 7, 285, 43 },
    { kNoId, Kind::Label, L"&Rended Intent (--pdf):", L"PDFの出力種別(&R) (--pdf):", 14, 20, 77, 8 },
    { 1013, Kind::DropList, L"", L"", 92, 17, 81, 57, Sorted },
    { 1014, Kind::Check, L"&Ignore ICC color profile in input PDF (--ignore-color-profiles)",
        L"PDF中のカラープロファイルを無視する(&I) (--ignore-color-profiles)", 21, 35, 250, 10 },
    { kNoId, Kind::Group, L"Quality", L"品質", 7, 53, 285, 77 },
    { kNoId, Kind::Label, L"&Maximum distinct foreground colors (--fg-colors) [0-4000]:",
        L"前景の最大の色数(&M) (--fg-colors) [0-4000]:", 14, 66, 233, 8 },
    { 1010, Kind::Edit, L"", L"", 248, 63, 38, 14, Digits },
    { 1017, Kind::UpDown, L"", L"", 275, 63, 11, 14 },
    { kNoId, Kind::Label, L"Maximum &distinct colors for an image object (fg-image-colors) [0-4000]:",
        L"一つ当たりのオブジェクトの最大の色数(&D) (fg-image-colors) [0-4000]:", 14, 83, 239, 8 },
    { 1011, Kind::Edit, L"", L"", 248, 80, 38, 14, Digits },
    { 1019, Kind::UpDown, L"", L"", 275, 80, 11, 14 },
    { kNoId, Kind::Label, L"Max number of &pages in shared shape dictionaries (--pages-per-dict):",
        L"シェープ辞書を共有する最大ページ数(&P) (--pages-per-dict):", 14, 100, 239, 8 },
    { 1016, Kind::Edit, L"", L"", 248, 97, 38, 14, Digits },
    { 1021, Kind::UpDown, L"", L"", 275, 97, 11, 14 },
    { 1022, Kind::Check, L"&Turns off exact color matching module of GhostScript (--no-exact-color)",
        L"GhostScriptでカラーマッチ処理を行わない(&T) (--no-exact-color)", 21, 115, 245, 10 },
    { kNoId, Kind::Group, L"", L"", 7, 133, 285, 32 },
    { 1024, Kind::Check, L"Manually &Configure Encoding Quality (--bg-slices)", L"エンコード品質を手動設定する(&C) (--bg-slices)",
        14, 133, 169, 10 },
    { 1018, Kind::Edit, L"", L"", 21, 145, 136, 14, Disabled },
    { kNoId, Kind::Group, L"", L"", 7, 168, 285, 32 },
    { 1015, Kind::Check, L"&Specify a path for CID-keyed fonts and CMaps (--resourcedir)",
        L"CIDフォントと CMaps のパスを指定する(&S) (--resourcedir)", 14, 168, 213, 10 },
    { 1020, Kind::Edit, L"", L"", 21, 180, 219, 14, Disabled },
    { 1012, Kind::Push, L"&Browse...", L"参照(&B)...", 242, 180, 45, 14, Disabled },
};

const Item kMisc[] = {
    { kNoId, Kind::Label, L"&Generated Command Line:", L"生成されたコマンドライン(&G):", 7, 7, 90, 8 },
    { 1010, Kind::Edit, L"", L"", 7, 16, 285, 59, MultiLine | ReadOnly },
    { kNoId, Kind::Label, L"&Additional Parameters:", L"追加パラメータ(&A):", 7, 80, 74, 8 },
    { 1011, Kind::Edit, L"", L"", 7, 90, 285, 59, MultiLine },
    { kNoId, Kind::Group, L"", L"", 7, 152, 285, 33 },
    { 1014, Kind::Check, L"&Output Processing Log", L"処理のログを出力する(&O)", 14, 152, 86, 10 },
    { 1019, Kind::Label, L"&Log File Name:", L"ログファイル名(&L):", 14, 167, 48, 8 },
    { 1016, Kind::Edit, L"", L"", 66, 164, 174, 14 },
    { 1012, Kind::Push, L"&Browse...", L"参照(&B)...", 242, 164, 45, 14 },
    { 1024, Kind::Check, L"&Open the output DjVu file after successful conversion", L"処理終了後に出力したDjVuファイルを開く(&O)",
        14, 190, 278, 10 },
};

const Item kProgress[] = {
    { IDCANCEL, Kind::Push, L"&Cancel", L"キャンセル(&C)", 190, 38, 50, 14 },
    { 1046, Kind::CentredLabel, L"Message", L"Message", 7, 7, 288, 8 },
    { 1023, Kind::Progress, L"", L"", 7, 21, 288, 14 },
    { 1038, Kind::Push, L">>", L">>", 245, 38, 50, 14 },
    { 1022, Kind::Animation, L"", L"", 161, 37, 22, 17 },
    { 1041, Kind::Icon, L"", L"", 12, 40, 20, 20, Hidden, 32515 },
    { 1039, Kind::Label, L"No Warning", L"No Warning", 25, 41, 47, 8, Hidden },
    { 1043, Kind::Push, L"&Open Log", L"ログを開く(&O)", 245, 168, 50, 14, Disabled },
    { 1037, Kind::List, L"", L"", 7, 58, 288, 107 },
    { 1042, Kind::Icon, L"", L"", 73, 40, 20, 20, Hidden, 211 },
    { 1040, Kind::Label, L"No Error", L"No Error", 86, 41, 47, 8, Hidden },
};

// Where the Japanese progress dialog differs from the English one.
struct Moved {
    int id;
    short x, y, cx, cy;
};
const Moved kProgressJapaneseMoves[] = {
    { IDCANCEL, 180, 38, 57, 14 }, { 1038, 240, 38, 55, 14 }, { 1022, 152, 37, 22, 17 }, { 1043, 237, 168, 58, 14 },
};

struct Template {
    int id;
    const wchar_t* english;
    const wchar_t* japanese;
    short cx, cy;
    std::span<const Item> items;
    bool page;
};

const Template kTemplates[] = {
    { IDD_BASIC_PAGE, L"Basic", L"基本設定", 300, 230, kBasic, true },
    { IDD_ADVANCED_PAGE, L"Advanced", L"詳細設定", 300, 220, kAdvanced, true },
    { IDD_MISC_PAGE, L"Miscellaneous", L"その他の設定", 300, 220, kMisc, true },
    { IDD_PROGRESS, L"", L"", 302, 187, kProgress, false },
};

bool sameClass(const std::wstring& actual, const wchar_t* expected)
{
    return lstrcmpiW(actual.c_str(), expected) == 0;
}

const wchar_t* classOf(Kind kind)
{
    switch (kind) {
    case Kind::Group:
    case Kind::Push:
    case Kind::Check: return L"Button";
    case Kind::Label:
    case Kind::CentredLabel:
    case Kind::Icon: return L"Static";
    case Kind::Edit: return L"Edit";
    case Kind::DropList:
    case Kind::DropDown: return L"ComboBox";
    case Kind::UpDown: return UPDOWN_CLASSW;
    case Kind::Progress: return PROGRESS_CLASSW;
    case Kind::Animation: return ANIMATE_CLASSW;
    case Kind::List: return WC_LISTVIEWW;
    }
    return L"";
}

// What a control of this kind and these flags must carry in its style; empty when all is right.
// Dialogs created with a 3D look turn an edit's or list's WS_BORDER into WS_EX_CLIENTEDGE.
std::string styleProblem(const Item& item, DWORD style, DWORD exStyle = 0)
{
    std::string problems;
    auto require = [&](bool condition, const char* what) {
        if (!condition) {
            problems += std::string(what) + "; ";
        }
    };
    require(((style & WS_VISIBLE) == 0) == ((item.flags & Hidden) != 0), "visibility");
    require(((style & WS_DISABLED) != 0) == ((item.flags & Disabled) != 0), "enabled state");
    require((style & WS_CHILD) != 0, "WS_CHILD");
    switch (item.kind) {
    case Kind::Group:
        require((style & BS_TYPEMASK) == BS_GROUPBOX, "BS_GROUPBOX");
        require((style & WS_TABSTOP) == 0, "no tab stop");
        break;
    case Kind::Push:
        require((style & BS_TYPEMASK) == BS_PUSHBUTTON || (style & BS_TYPEMASK) == BS_DEFPUSHBUTTON, "push button");
        require((style & WS_TABSTOP) != 0, "WS_TABSTOP");
        break;
    case Kind::Check:
        require((style & BS_TYPEMASK) == BS_AUTOCHECKBOX, "BS_AUTOCHECKBOX");
        require((style & WS_TABSTOP) != 0, "WS_TABSTOP");
        break;
    case Kind::Label:
        require((style & SS_TYPEMASK) == SS_LEFT || (style & SS_TYPEMASK) == SS_LEFTNOWORDWRAP, "left-aligned label");
        break;
    case Kind::CentredLabel: require((style & SS_TYPEMASK) == SS_CENTER, "SS_CENTER"); break;
    case Kind::Icon: require((style & SS_TYPEMASK) == SS_ICON, "SS_ICON"); break;
    case Kind::Edit:
        require((style & WS_TABSTOP) != 0, "WS_TABSTOP");
        require((style & WS_BORDER) != 0 || (exStyle & WS_EX_CLIENTEDGE) != 0, "border");
        require(((style & ES_NUMBER) != 0) == ((item.flags & Digits) != 0), "ES_NUMBER");
        require(((style & ES_MULTILINE) != 0) == ((item.flags & MultiLine) != 0), "ES_MULTILINE");
        require(((style & ES_READONLY) != 0) == ((item.flags & ReadOnly) != 0), "ES_READONLY");
        if (item.flags & MultiLine) {
            require((style & WS_VSCROLL) != 0, "WS_VSCROLL");
        }
        break;
    case Kind::DropList:
    case Kind::DropDown:
        require((style & 3) == (item.kind == Kind::DropList ? CBS_DROPDOWNLIST : CBS_DROPDOWN), "combo box type");
        require(((style & CBS_SORT) != 0) == ((item.flags & Sorted) != 0), "CBS_SORT");
        require((style & WS_TABSTOP) != 0, "WS_TABSTOP");
        break;
    case Kind::UpDown: {
        const DWORD wanted = UDS_AUTOBUDDY | UDS_SETBUDDYINT | UDS_ALIGNRIGHT | UDS_ARROWKEYS | UDS_NOTHOUSANDS;
        require((style & wanted) == wanted, "up-down styles");
        break;
    }
    case Kind::Animation: {
        const DWORD wanted = ACS_CENTER | ACS_TRANSPARENT | ACS_AUTOPLAY;
        require((style & wanted) == wanted, "animation styles");
        break;
    }
    case Kind::List:
        require((style & LVS_TYPEMASK) == LVS_REPORT, "LVS_REPORT");
        require((style & WS_BORDER) != 0 || (exStyle & WS_EX_CLIENTEDGE) != 0, "border");
        break;
    case Kind::Progress: break;
    }
    return problems;
}

restest::DialogTemplate loadTemplate(int id, LANGID language)
{
    restest::DialogTemplate parsed;
    const std::string_view bytes = restest::resourceBytes(RT_DIALOG, MAKEINTRESOURCEW(id), language);
    EXPECT_FALSE(bytes.empty()) << "template " << id << " language " << language;
    EXPECT_TRUE(restest::parseDialogTemplate(bytes, parsed)) << "template " << id;
    return parsed;
}

// The checks both languages share: frame, font, and each control's id, class and style.
void checkTemplateFrame(const Template& expectedTemplate, const restest::DialogTemplate& parsed, LANGID language)
{
    const bool english = language == kEnglish;
    EXPECT_EQ(parsed.cx, expectedTemplate.cx) << expectedTemplate.id;
    EXPECT_EQ(parsed.cy, expectedTemplate.cy) << expectedTemplate.id;
    EXPECT_EQ(parsed.title, english ? expectedTemplate.english : expectedTemplate.japanese) << expectedTemplate.id;
    EXPECT_EQ(parsed.typeface, L"MS Shell Dlg") << expectedTemplate.id;
    EXPECT_EQ(parsed.pointSize, 8) << expectedTemplate.id;
    EXPECT_EQ(parsed.style & DS_SHELLFONT, static_cast<DWORD>(DS_SHELLFONT)) << expectedTemplate.id;
    if (expectedTemplate.page) {
        EXPECT_NE(parsed.style & WS_CHILD, 0u) << expectedTemplate.id;
        EXPECT_NE(parsed.style & DS_CONTROL, 0u) << expectedTemplate.id;
        EXPECT_EQ(parsed.style & WS_POPUP, 0u) << expectedTemplate.id;
    } else {
        const DWORD wanted = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX | DS_CENTER;
        EXPECT_EQ(parsed.style & wanted, wanted);
        EXPECT_NE(parsed.exStyle & WS_EX_APPWINDOW, 0u);
    }
    ASSERT_EQ(parsed.controls.size(), expectedTemplate.items.size()) << "template " << expectedTemplate.id;
    for (size_t i = 0; i < expectedTemplate.items.size(); ++i) {
        const Item& item = expectedTemplate.items[i];
        const restest::TemplateControl& control = parsed.controls[i];
        SCOPED_TRACE("template " + std::to_string(expectedTemplate.id) + " control #" + std::to_string(i) + " id "
            + std::to_string(item.id));
        EXPECT_EQ(static_cast<int>(control.id), item.id);
        EXPECT_TRUE(sameClass(control.className, classOf(item.kind)));
        EXPECT_EQ(styleProblem(item, control.style), "");
        EXPECT_EQ(control.text, english ? item.english : item.japanese);
        EXPECT_EQ(control.textOrdinal, item.image);
        EXPECT_GE(control.x, 0);
        EXPECT_GE(control.y, 0);
        EXPECT_LE(control.x + control.cx, parsed.cx);
        if (item.kind != Kind::DropList && item.kind != Kind::DropDown) {
            EXPECT_LE(control.y + control.cy, parsed.cy);
        }
    }
}

// A plain top-level window to hold the pages, which are child templates.
HWND createHost()
{
    static const bool registered = [] {
        INITCOMMONCONTROLSEX controls = {};
        controls.dwSize = sizeof(controls);
        controls.dwICC = ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES;
        InitCommonControlsEx(&controls);
        WNDCLASSW windowClass = {};
        windowClass.lpfnWndProc = DefWindowProcW;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.lpszClassName = L"KorvelloResourceTestHost";
        return RegisterClassW(&windowClass) != 0;
    }();
    EXPECT_TRUE(registered);
    return CreateWindowExW(0, L"KorvelloResourceTestHost", L"host", WS_OVERLAPPEDWINDOW, 0, 0, 700, 600, nullptr,
        nullptr, GetModuleHandleW(nullptr), nullptr);
}

INT_PTR CALLBACK quietDialogProc(HWND, UINT message, WPARAM, LPARAM)
{
    return message == WM_INITDIALOG ? TRUE : FALSE;
}

// Creates the template in the thread's interface language, as a page in a host window or
// as a top-level dialog. Nothing is shown: without a window manager every top-level window
// that appears costs about a second, and measuring needs no visible window.
struct CreatedDialog {
    HWND host = nullptr;
    HWND dialog = nullptr;
    explicit CreatedDialog(const Template& expectedTemplate)
    {
        if (expectedTemplate.page) {
            host = createHost();
        }
        dialog = CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(expectedTemplate.id), host, quietDialogProc, 0);
    }
    ~CreatedDialog()
    {
        if (dialog) {
            DestroyWindow(dialog);
        }
        if (host) {
            DestroyWindow(host);
        }
    }
    CreatedDialog(const CreatedDialog&) = delete;
    CreatedDialog& operator=(const CreatedDialog&) = delete;
};

// The template controls in z-order; labels without id are matched by position.
void checkCreatedControls(const Template& expectedTemplate, const CreatedDialog& created, bool english)
{
    ASSERT_NE(created.dialog, nullptr) << "template " << expectedTemplate.id;
    const std::vector<HWND> children = layoutcheck::children(created.dialog);
    ASSERT_EQ(children.size(), expectedTemplate.items.size()) << "template " << expectedTemplate.id;
    for (size_t i = 0; i < expectedTemplate.items.size(); ++i) {
        const Item& item = expectedTemplate.items[i];
        HWND child = children[i];
        SCOPED_TRACE("template " + std::to_string(expectedTemplate.id) + " control #" + std::to_string(i) + " id "
            + std::to_string(item.id));
        if (item.id != kNoId) {
            EXPECT_EQ(GetDlgItem(created.dialog, item.id), child);
        }
        EXPECT_TRUE(sameClass(layoutcheck::className(child), classOf(item.kind)));
        EXPECT_EQ(styleProblem(item, static_cast<DWORD>(GetWindowLongW(child, GWL_STYLE)),
                      static_cast<DWORD>(GetWindowLongW(child, GWL_EXSTYLE))),
            "");
        if (item.kind != Kind::Edit && item.kind != Kind::Icon && item.kind != Kind::Progress
            && item.kind != Kind::Animation && item.kind != Kind::List) {
            EXPECT_EQ(layoutcheck::windowText(child), english ? item.english : item.japanese);
        }
    }
}

} // namespace

TEST(ResourceTemplates, EnglishTemplatesMatchTheInventory)
{
    for (const Template& expectedTemplate : kTemplates) {
        const restest::DialogTemplate parsed = loadTemplate(expectedTemplate.id, kEnglish);
        checkTemplateFrame(expectedTemplate, parsed, kEnglish);
        if (parsed.controls.size() != expectedTemplate.items.size()) {
            continue;
        }
        for (size_t i = 0; i < expectedTemplate.items.size(); ++i) {
            const Item& item = expectedTemplate.items[i];
            const restest::TemplateControl& control = parsed.controls[i];
            EXPECT_EQ(control.x, item.x) << expectedTemplate.id << " id " << item.id << " #" << i;
            EXPECT_EQ(control.y, item.y) << expectedTemplate.id << " id " << item.id << " #" << i;
            EXPECT_EQ(control.cx, item.cx) << expectedTemplate.id << " id " << item.id << " #" << i;
            EXPECT_EQ(control.cy, item.cy) << expectedTemplate.id << " id " << item.id << " #" << i;
        }
    }
}

TEST(ResourceTemplates, JapaneseTemplatesHaveTheSameControlsInOrder)
{
    for (const Template& expectedTemplate : kTemplates) {
        checkTemplateFrame(expectedTemplate, loadTemplate(expectedTemplate.id, kJapanese), kJapanese);
    }
}

TEST(ResourceTemplates, JapaneseProgressDialogKeepsItsGivenPositions)
{
    const restest::DialogTemplate parsed = loadTemplate(IDD_PROGRESS, kJapanese);
    ASSERT_EQ(parsed.controls.size(), std::size(kProgress));
    for (size_t i = 0; i < std::size(kProgress); ++i) {
        Moved expected = { kProgress[i].id, kProgress[i].x, kProgress[i].y, kProgress[i].cx, kProgress[i].cy };
        for (const Moved& moved : kProgressJapaneseMoves) {
            if (moved.id == expected.id) {
                expected = moved;
            }
        }
        const restest::TemplateControl& control = parsed.controls[i];
        EXPECT_EQ(control.x, expected.x) << "id " << expected.id;
        EXPECT_EQ(control.y, expected.y) << "id " << expected.id;
        EXPECT_EQ(control.cx, expected.cx) << "id " << expected.id;
        EXPECT_EQ(control.cy, expected.cy) << "id " << expected.id;
    }
}

TEST(ResourceTemplates, FgbgCheckBoxNamesItsOptionOnlyInJapanese)
{
    const auto english = loadTemplate(IDD_BASIC_PAGE, kEnglish);
    const auto japanese = loadTemplate(IDD_BASIC_PAGE, kJapanese);
    ASSERT_FALSE(english.controls.empty());
    ASSERT_FALSE(japanese.controls.empty());
    EXPECT_EQ(english.controls.back().id, static_cast<DWORD>(IDC_BASIC_FGBG_SEP));
    EXPECT_EQ(english.controls.back().text.find(L"--"), std::wstring::npos);
    const std::wstring suffix = L"(--fgbg-sep)";
    const std::wstring& text = japanese.controls.back().text;
    ASSERT_GE(text.size(), suffix.size());
    EXPECT_EQ(text.substr(text.size() - suffix.size()), suffix);
}

TEST(ResourceTemplates, TemplateParserRejectsIncompleteBytes)
{
    const std::string_view bytes = restest::resourceBytes(RT_DIALOG, MAKEINTRESOURCEW(IDD_MISC_PAGE), kEnglish);
    ASSERT_GT(bytes.size(), 100u);
    restest::DialogTemplate parsed;
    EXPECT_TRUE(restest::parseDialogTemplate(bytes, parsed));
    EXPECT_FALSE(restest::parseDialogTemplate(bytes.substr(0, 40), parsed));
    EXPECT_FALSE(restest::parseDialogTemplate(bytes.substr(0, bytes.size() - 20), parsed));
    EXPECT_FALSE(restest::parseDialogTemplate(std::string_view("\1\0\0\0", 4), parsed));
    EXPECT_FALSE(restest::parseDialogTemplate({}, parsed));
}

TEST(ResourceTemplates, CreatedEnglishDialogsHaveEveryControlWhereTheTemplateSays)
{
    for (const Template& expectedTemplate : kTemplates) {
        CreatedDialog created(expectedTemplate);
        checkCreatedControls(expectedTemplate, created, true);
        if (::testing::Test::HasFatalFailure()) {
            return;
        }
        const std::vector<HWND> children = layoutcheck::children(created.dialog);
        for (size_t i = 0; i < expectedTemplate.items.size(); ++i) {
            const Item& item = expectedTemplate.items[i];
            // Controls that size themselves (combo boxes, icons) or each other (an up-down
            // and its buddy) are left out; everything else sits where its template says.
            const bool buddy = i + 1 < expectedTemplate.items.size() && expectedTemplate.items[i + 1].kind == Kind::UpDown;
            if (item.kind == Kind::DropList || item.kind == Kind::DropDown || item.kind == Kind::Icon
                || item.kind == Kind::UpDown || buddy) {
                continue;
            }
            // The dialog manager converts position and size each on its own, as here.
            RECT units = { item.x, item.y, item.cx, item.cy };
            MapDialogRect(created.dialog, &units);
            const RECT expected = { units.left, units.top, units.left + units.right, units.top + units.bottom };
            const RECT actual = layoutcheck::childRect(children[i]);
            EXPECT_TRUE(EqualRect(&expected, &actual) != FALSE)
                << "template " << expectedTemplate.id << " id " << item.id << " #" << i << ": expected " << expected.left << ","
                << expected.top << "," << expected.right << "," << expected.bottom << " actual " << actual.left << ","
                << actual.top << "," << actual.right << "," << actual.bottom;
        }
    }
}

TEST(ResourceTemplates, UpDownsAreBoundToTheirEditsAndGivePlainDigits)
{
    for (const Template& expectedTemplate : kTemplates) {
        CreatedDialog created(expectedTemplate);
        for (size_t i = 0; i < expectedTemplate.items.size(); ++i) {
            if (expectedTemplate.items[i].kind != Kind::UpDown) {
                continue;
            }
            HWND upDown = GetDlgItem(created.dialog, expectedTemplate.items[i].id);
            HWND edit = GetDlgItem(created.dialog, expectedTemplate.items[i - 1].id);
            EXPECT_EQ(reinterpret_cast<HWND>(SendMessageW(upDown, UDM_GETBUDDY, 0, 0)), edit) << expectedTemplate.items[i].id;
            SendMessageW(upDown, UDM_SETRANGE32, 0, 4000);
            SendMessageW(upDown, UDM_SETPOS32, 0, 2500);
            EXPECT_EQ(layoutcheck::windowText(edit), L"2500") << expectedTemplate.items[i].id;
        }
    }
}

TEST(ResourceLayout, EnglishCaptionsFitAndControlsDoNotOverlap)
{
    // Under Wine the dialog font is a substitute that measures a few pixels wider than
    // the font the English rectangles were made for; allow that much, no more.
    constexpr int tolerance = 4;
    for (const Template& expectedTemplate : kTemplates) {
        CreatedDialog created(expectedTemplate);
        for (const layoutcheck::Finding& finding : layoutcheck::clippedCaptions(created.dialog)) {
            EXPECT_LE(finding.needed, finding.available + tolerance)
                << "template " << expectedTemplate.id << " id " << finding.id << " needs " << finding.needed << " has " << finding.available;
        }
        for (const layoutcheck::Finding& finding : layoutcheck::overlappingControls(created.dialog)) {
            ADD_FAILURE() << "template " << expectedTemplate.id << ": overlap of id " << finding.id;
        }
    }
}

TEST(ResourceTemplatesJapanese, CreatedDialogsShowTheJapaneseCaptions)
{
    for (const Template& expectedTemplate : kTemplates) {
        CreatedDialog created(expectedTemplate);
        checkCreatedControls(expectedTemplate, created, false);
        if (expectedTemplate.page) {
            EXPECT_EQ(layoutcheck::windowText(created.dialog), expectedTemplate.japanese);
        }
    }
}

TEST(ResourceLayoutJapanese, CaptionsFitAndControlsDoNotOverlap)
{
    for (const Template& expectedTemplate : kTemplates) {
        CreatedDialog created(expectedTemplate);
        ASSERT_NE(created.dialog, nullptr);
        for (const layoutcheck::Finding& finding : layoutcheck::clippedCaptions(created.dialog)) {
            ADD_FAILURE() << "template " << expectedTemplate.id << " id " << finding.id << " needs " << finding.needed << " has "
                          << finding.available;
        }
        for (const layoutcheck::Finding& finding : layoutcheck::overlappingControls(created.dialog)) {
            ADD_FAILURE() << "template " << expectedTemplate.id << ": overlap of id " << finding.id;
        }
    }
}

// Several documents in one go: the queue's progress window (111) is the progress dialog
// with the document line on top, and the summary (110) lays out in both languages.
namespace {

void checkQueueTemplates(LANGID language)
{
    const restest::DialogTemplate single = loadTemplate(IDD_PROGRESS, language);
    const restest::DialogTemplate queue = loadTemplate(IDD_QUEUE_PROGRESS, language);
    ASSERT_EQ(queue.controls.size(), single.controls.size() + 1);
    EXPECT_EQ(queue.controls[0].id, static_cast<DWORD>(IDC_QUEUE_DOCUMENT));
    EXPECT_EQ(queue.cy, single.cy + 12);
    for (size_t i = 0; i < single.controls.size(); ++i) {
        const restest::TemplateControl& moved = queue.controls[i + 1];
        EXPECT_EQ(moved.id, single.controls[i].id);
        EXPECT_EQ(moved.text, single.controls[i].text);
        EXPECT_EQ(moved.style, single.controls[i].style);
        EXPECT_EQ(moved.x, single.controls[i].x);
        EXPECT_EQ(moved.y, single.controls[i].y + 12) << "id " << moved.id;
    }
    for (int id : {IDD_QUEUE_PROGRESS, IDD_QUEUE_SUMMARY, IDD_QUEUE_STOP, IDD_DOCUMENT_LIST}) {
        const HWND dialog = CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id), nullptr, quietDialogProc, 0);
        ASSERT_NE(dialog, nullptr) << id;
        for (const layoutcheck::Finding& finding : layoutcheck::clippedCaptions(dialog)) {
            EXPECT_LE(finding.needed, finding.available + 4) << "template " << id << " id " << finding.id;
        }
        for (const layoutcheck::Finding& finding : layoutcheck::overlappingControls(dialog)) {
            ADD_FAILURE() << "template " << id << ": overlap of id " << finding.id;
        }
        DestroyWindow(dialog);
    }
}

} // namespace

TEST(ResourceTemplates, QueueTemplatesFollowTheProgressDialogAndFit) { checkQueueTemplates(kEnglish); }

TEST(ResourceTemplatesJapanese, QueueTemplatesFollowTheProgressDialogAndFit) { checkQueueTemplates(kJapanese); }
