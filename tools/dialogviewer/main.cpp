// Shows one dialog template of the product with sample contents, so that it can be
// screenshotted and its layout checked in every language.
//
//   dialogviewer.exe <template> [--rect <file>] [--check <file>] [--exit-after <ms>]
//
// <template>: 103 (progress dialog, details pane expanded, sample rows and counters),
// 111 (the same for a queue, with its document line), 110 (a queue's summary) or 107,
// 108, 109 (the settings sheet with its three pages, that page in front).
// --rect writes "left top width height" of the shown window (screen pixels) once it is
// painted; --check writes the captions that do not fit and the controls that overlap;
// --exit-after closes the program after that many milliseconds (default 15000).
#include <windows.h>
#include <commctrl.h>
#include <prsht.h>
#include <shellapi.h>

#include <cstdio>
#include <cstdlib>
#include <initializer_list>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "tools/dialogviewer/LayoutCheck.h"
#include "res/resource.h"
#include "ui/ProgressWindowMemory.h"
#include "win/ListView.h"
#include "win/Dpi.h"
#include "base/StringTable.h"
#include "base/Text.h"

namespace {

// Thread timers (no window): SetTimer chooses their ids.
UINT_PTR g_reportTimer = 0;

struct Options {
    int templateId = 0;
    std::wstring rectFile;
    std::wstring checkFile;
    UINT exitAfter = 15000;
};

HWND g_shown = nullptr;
Options g_options;

void setItemText(HWND dialog, int id, const std::wstring& text)
{
    SetDlgItemTextW(dialog, id, text.c_str());
}

void addComboItems(HWND dialog, int id, std::initializer_list<std::wstring> items, int selection)
{
    HWND combo = GetDlgItem(dialog, id);
    for (const std::wstring& item : items) {
        SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
    }
    SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(selection), 0);
}

void setSpin(HWND dialog, int id, int low, int high, int position)
{
    SendDlgItemMessageW(dialog, id, UDM_SETRANGE32, static_cast<WPARAM>(low), high);
    SendDlgItemMessageW(dialog, id, UDM_SETPOS32, 0, position);
}

std::wstring captionsOf(HWND dialog, const std::vector<layoutcheck::Finding>& findings, const wchar_t* what)
{
    std::wstring report;
    wchar_t title[128] = {};
    GetWindowTextW(dialog, title, 128);
    for (const layoutcheck::Finding& finding : findings) {
        report += std::wstring(what) + L" [" + title + L"] id " + std::to_wstring(finding.id) + L" \""
            + finding.text + L"\"";
        if (finding.available) {
            report += L" needs " + std::to_wstring(finding.needed) + L" px, has " + std::to_wstring(finding.available);
        }
        report += L"\n";
    }
    return report;
}

void writeUtf8File(const std::wstring& path, const std::wstring& text)
{
    const std::string bytes = base::toUtf8(text);
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return;
    }
    DWORD written = 0;
    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
}

// Writes the window rectangle and the layout findings of every dialog in the window.
void report(HWND window, const std::vector<HWND>& dialogs)
{
    if (!g_options.checkFile.empty()) {
        std::wstring text;
        for (HWND dialog : dialogs) {
            text += captionsOf(dialog, layoutcheck::clippedCaptions(dialog), L"clipped");
            text += captionsOf(dialog, layoutcheck::overlappingControls(dialog), L"overlap");
        }
        writeUtf8File(g_options.checkFile, text);
    }
    if (!g_options.rectFile.empty()) {
        RECT rect = {};
        GetWindowRect(window, &rect);
        writeUtf8File(g_options.rectFile, std::to_wstring(rect.left) + L" " + std::to_wstring(rect.top) + L" "
                + std::to_wstring(rect.right - rect.left) + L" " + std::to_wstring(rect.bottom - rect.top) + L"\n");
    }
}

// ---------------------------------------------------------------------------
// Settings pages with sample values
// ---------------------------------------------------------------------------

void fillBasicPage(HWND page)
{
    setItemText(page, IDC_BASIC_INPUT, L"C:\\Documents\\Annual report 2026.pdf");
    setItemText(page, IDC_BASIC_OUTPUT, L"C:\\Documents\\Annual report 2026.djvu");
    addComboItems(page, IDC_BASIC_TEXT_EXTRACTION,
        { base::loadString(IDS_TEXT_CHARS), base::loadString(IDS_TEXT_WORDS), base::loadString(IDS_TEXT_LINES),
            base::loadString(IDS_TEXT_NONE) },
        1);
    CheckDlgButton(page, IDC_BASIC_CONVERT_LINKS, BST_CHECKED);
    addComboItems(page, IDC_BASIC_DPI, { L"100", L"200", L"300", L"400", L"600" }, 2);
    addComboItems(page, IDC_BASIC_FG_QUALITY,
        { base::loadString(IDS_FG_LOSSLESS), base::loadString(IDS_FG_QUASILOSSLESS),
            base::loadString(IDS_FG_CONSERVATIVE), base::loadString(IDS_FG_LOSSY), base::loadString(IDS_FG_AGGRESSIVE) },
        3);
    setSpin(page, IDC_BASIC_QUALITY_SPIN, 0, 100, 75);
    setSpin(page, IDC_BASIC_THRESHOLD_SPIN, 1, 100, 80);
    setSpin(page, IDC_BASIC_SUBSAMPLE_SPIN, 1, 6, 3);
}

void fillAdvancedPage(HWND page)
{
    addComboItems(page, IDC_ADV_RENDER_INTENT, { L"printed", L"screen" }, 0);
    setSpin(page, IDC_ADV_FG_COLORS_SPIN, 0, 4000, 256);
    setSpin(page, IDC_ADV_FG_IMAGE_COLORS_SPIN, 0, 4000, 256);
    setSpin(page, IDC_ADV_PAGES_PER_DICT_SPIN, 0, 99999, 20);
    CheckDlgButton(page, IDC_ADV_SLICES_CHECK, BST_CHECKED);
    EnableWindow(GetDlgItem(page, IDC_ADV_SLICES), TRUE);
    setItemText(page, IDC_ADV_SLICES, L"74,89,99");
}

void fillMiscPage(HWND page)
{
    setItemText(page, IDC_MISC_COMMAND_LINE,
        L"korvello.exe --dpi=300 --words --convert-links --fg-quality=lossy --quality=75 "
        L"\"C:\\Documents\\Annual report 2026.pdf\" \"C:\\Documents\\Annual report 2026.djvu\"");
    setItemText(page, IDC_MISC_ADDITIONAL, L"--verbose");
    CheckDlgButton(page, IDC_MISC_LOG_CHECK, BST_CHECKED);
    setItemText(page, IDC_MISC_LOG_PATH, L"C:\\Documents\\korvello.log");
    CheckDlgButton(page, IDC_MISC_OPEN_AFTER, BST_CHECKED);
}

std::vector<HWND> g_pages;

INT_PTR CALLBACK pageProc(HWND page, UINT message, WPARAM, LPARAM lParam)
{
    if (message == WM_INITDIALOG) {
        const auto* sheetPage = reinterpret_cast<const PROPSHEETPAGEW*>(lParam);
        switch (sheetPage->lParam) {
        case IDD_BASIC_PAGE: fillBasicPage(page); break;
        case IDD_ADVANCED_PAGE: fillAdvancedPage(page); break;
        case IDD_MISC_PAGE: fillMiscPage(page); break;
        default: break;
        }
        g_pages.push_back(page);
        return TRUE;
    }
    return FALSE;
}

HWND showSheet(HINSTANCE instance, int frontPage)
{
    const int templates[] = { IDD_BASIC_PAGE, IDD_ADVANCED_PAGE, IDD_MISC_PAGE };
    HPROPSHEETPAGE pages[3] = {};
    int start = 0;
    for (int i = 0; i < 3; ++i) {
        PROPSHEETPAGEW page = {};
        page.dwSize = sizeof(page);
        page.hInstance = instance;
        page.pszTemplate = MAKEINTRESOURCEW(templates[i]);
        page.pfnDlgProc = pageProc;
        page.lParam = templates[i];
        pages[i] = CreatePropertySheetPageW(&page);
        if (templates[i] == frontPage) {
            start = i;
        }
    }
    static std::wstring title;
    title = base::loadString(IDS_APP_TITLE);
    PROPSHEETHEADERW header = {};
    header.dwSize = sizeof(header);
    header.dwFlags = PSH_MODELESS | PSH_NOAPPLYNOW | PSH_NOCONTEXTHELP;
    header.hInstance = instance;
    header.pszCaption = title.c_str();
    header.nPages = 3;
    header.nStartPage = static_cast<UINT>(start);
    header.phpage = pages;
    HWND sheet = reinterpret_cast<HWND>(PropertySheetW(&header));
    if (!sheet) {
        return nullptr;
    }
    // A History button where the sheet frame puts it: level with OK, at the left edge.
    HWND ok = GetDlgItem(sheet, IDOK);
    if (ok) {
        RECT rect = {};
        GetWindowRect(ok, &rect);
        MapWindowPoints(HWND_DESKTOP, sheet, reinterpret_cast<POINT*>(&rect), 2);
        const std::wstring caption = base::loadString(IDS_HISTORY_BUTTON);
        HWND history = CreateWindowExW(0, L"Button", caption.c_str(), WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON,
            7, rect.top, rect.right - rect.left, rect.bottom - rect.top, sheet,
            reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_SHEET_HISTORY)), instance, nullptr);
        SendMessageW(history, WM_SETFONT, SendMessageW(sheet, WM_GETFONT, 0, 0), TRUE);
    }
    const HICON icon = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(IDI_APP), IMAGE_ICON,
        GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0));
    SendMessageW(sheet, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
    return sheet;
}

// ---------------------------------------------------------------------------
// Progress dialog with a sample run in progress
// ---------------------------------------------------------------------------

struct SampleRow {
    int type;
    const wchar_t* page;
    const wchar_t* text;
};
const SampleRow kSampleRows[] = {
    { 0, L"", L"korvello 1.0.0: converting with 300 dpi" },
    { 1, L"3", L"Font 'F12' has no Unicode map; text may not be searchable" },
    { 0, L"5", L"Page contains only images: separating foreground" },
    { 2, L"6", L"Broken image stream skipped" },
    { 1, L"7", L"Colour profile ignored" },
};

void answerSampleRow(NMLVDISPINFOW& info)
{
    if (info.item.iItem < 0 || static_cast<size_t>(info.item.iItem) >= std::size(kSampleRows)) {
        return;
    }
    const SampleRow& row = kSampleRows[info.item.iItem];
    const UINT typeNames[] = { IDS_TYPE_INFO, IDS_TYPE_WARNING, IDS_TYPE_ERROR };
    const std::wstring text = info.item.iSubItem == 0 ? base::loadString(typeNames[row.type])
        : info.item.iSubItem == 1                      ? std::wstring(row.page)
                                                       : std::wstring(row.text);
    if ((info.item.mask & LVIF_IMAGE) != 0) {
        info.item.iImage = row.type;
    }
    if ((info.item.mask & LVIF_TEXT) != 0 && info.item.pszText != nullptr && info.item.cchTextMax > 0) {
        lstrcpynW(info.item.pszText, text.c_str(), info.item.cchTextMax);
    }
}

void fillProgressDialog(HWND dialog, HINSTANCE instance)
{
    const std::wstring title = base::formatString(IDS_PROGRESS_TITLE, { std::wstring(L"Annual report 2026.djvu") });
    SetWindowTextW(dialog, title.c_str());
    setItemText(dialog, IDC_PROGRESS_STATUS, base::formatString(IDS_PROCESSING_PAGE, { 7, 12 }));
    SendDlgItemMessageW(dialog, IDC_PROGRESS_BAR, PBM_SETRANGE, 0, MAKELPARAM(0, 12));
    SendDlgItemMessageW(dialog, IDC_PROGRESS_BAR, PBM_SETPOS, 7, 0);
    SendDlgItemMessageW(dialog, IDC_PROGRESS_ANIMATION, ACM_OPENW, reinterpret_cast<WPARAM>(instance),
        reinterpret_cast<LPARAM>(MAKEINTRESOURCEW(IDR_BUSY_ANIMATION)));
    setItemText(dialog, IDC_PROGRESS_DETAILS, base::loadString(IDS_DETAILS_HIDE));
    setItemText(dialog, IDC_PROGRESS_WARNING_COUNT, base::formatString(IDS_WARNING_COUNT, { 2 }));
    setItemText(dialog, IDC_PROGRESS_ERROR_COUNT, base::formatString(IDS_ERROR_COUNT, { 1 }));
    for (int id : { IDC_PROGRESS_WARNING_ICON, IDC_PROGRESS_WARNING_COUNT, IDC_PROGRESS_ERROR_ICON,
             IDC_PROGRESS_ERROR_COUNT }) {
        ShowWindow(GetDlgItem(dialog, id), SW_SHOW);
    }

    // Pixel sizes for the window's DPI, as the progress dialog chooses them.
    const UINT dpi = win::windowDpi(dialog);
    const int smallIcon = win::systemMetricForDpi(SM_CXSMICON, dpi);
    for (const auto& [iconId, controlId] : { std::pair<int, int>{ IDI_WARNING_SMALL, IDC_PROGRESS_WARNING_ICON },
             std::pair<int, int>{ IDI_ERROR_SMALL, IDC_PROGRESS_ERROR_ICON } }) {
        const HICON icon = static_cast<HICON>(
            LoadImageW(instance, MAKEINTRESOURCEW(iconId), IMAGE_ICON, smallIcon, smallIcon, 0));
        SendDlgItemMessageW(dialog, controlId, STM_SETICON, reinterpret_cast<WPARAM>(icon), 0);
    }
    const int imageSize = smallIcon >= 32 ? 32 : smallIcon >= 24 ? 24 : 16;
    const int imagesId = imageSize == 32 ? IDB_MESSAGE_TYPES_32 : imageSize == 24 ? IDB_MESSAGE_TYPES_24 : IDB_MESSAGE_TYPES;
    HWND list = GetDlgItem(dialog, IDC_PROGRESS_MESSAGES);
    HIMAGELIST images = ImageList_LoadImageW(instance, MAKEINTRESOURCEW(imagesId), imageSize, 0,
        RGB(255, 0, 255), IMAGE_BITMAP, LR_CREATEDIBSECTION);
    SendMessageW(list, LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(images));
    SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0x40B0, 0x40B0);
    const struct {
        UINT header;
        int format;
        int width;
    } columns[] = { { IDS_COLUMN_TYPE, LVCFMT_LEFT | LVCFMT_IMAGE, 64 }, { IDS_COLUMN_PAGE, LVCFMT_RIGHT, 44 },
        { IDS_COLUMN_DESCRIPTION, LVCFMT_LEFT, 640 } };
    // Widths as the progress window sizes them: the Type column for its longest name, the
    // others at least for their headers.
    const win::ListView view(list);
    const std::wstring typeNames[3] = { base::loadString(IDS_TYPE_INFO), base::loadString(IDS_TYPE_WARNING),
        base::loadString(IDS_TYPE_ERROR) };
    for (int i = 0; i < 3; ++i) {
        const std::wstring header = base::loadString(columns[i].header);
        const int width = i == 0 ? ui::ProgressWindowMemory::typeColumnWidth(view, typeNames, columns[i].width, dpi)
                                 : ui::ProgressWindowMemory::headerColumnWidth(view, header, columns[i].width, dpi);
        view.insertColumn(i, header, columns[i].format, width);
    }
    // The list is in owner-data mode: it asks for the rows' cells (progressProc).
    SendMessageW(list, LVM_SETITEMCOUNT, std::size(kSampleRows), 0);
    EnableWindow(GetDlgItem(dialog, IDC_PROGRESS_OPEN_LOG), TRUE);
}

// The summary at the end of a queue: its headline and three documents.
void fillSummaryDialog(HWND dialog)
{
    setItemText(dialog, IDC_SUMMARY_HEADLINE, base::formatString(IDS_SUMMARY_HEADLINE, { 2, 3 }));
    const HWND list = GetDlgItem(dialog, IDC_SUMMARY_LIST);
    SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
    const int widths[] = { 120, 110, 60, 50, 240 };
    for (int i = 0; i < 5; ++i) {
        std::wstring header = base::loadString(IDS_SUMMARY_COLUMN_DOCUMENT + i);
        LVCOLUMNW column = {};
        column.mask = LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM | LVCF_FMT;
        column.fmt = i == 2 || i == 3 ? LVCFMT_RIGHT : LVCFMT_LEFT;
        column.cx = win::scaleForDpi(widths[i], win::windowDpi(dialog));
        column.pszText = header.data();
        column.iSubItem = i;
        SendMessageW(list, LVM_INSERTCOLUMNW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&column));
    }
    const struct {
        const wchar_t* name;
        UINT outcome;
        const wchar_t* counts[2];
    } rows[] = { { L"Annual report 2026.pdf", IDS_OUTCOME_CONVERTED, { L"0", L"0" } },
        { L"Minutes.pdf", IDS_OUTCOME_WITH_WARNINGS, { L"2", L"0" } },
        { L"Scan 0042.pdf", IDS_OUTCOME_FAILED, { L"0", L"3" } } };
    for (int row = 0; row < 3; ++row) {
        std::wstring cells[5] = { rows[row].name, base::loadString(rows[row].outcome), rows[row].counts[0],
            rows[row].counts[1], std::wstring(L"C:\\Users\\Public\\Documents\\") + rows[row].name };
        cells[4].replace(cells[4].size() - 3, 3, L"djvu");
        LVITEMW item = {};
        item.mask = LVIF_TEXT;
        item.iItem = row;
        item.pszText = cells[0].data();
        SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
        for (int column = 1; column < 5; ++column) {
            item.iSubItem = column;
            item.pszText = cells[column].data();
            SendMessageW(list, LVM_SETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
        }
    }
}

// The queue's stop question and the document list, with sample texts.
void fillQueueDialogs(HWND dialog)
{
    if (g_options.templateId == IDD_QUEUE_STOP) {
        setItemText(dialog, IDC_STOP_TEXT, base::formatString(IDS_QUEUE_STOP_QUESTION, {std::wstring(L"Annual report 2026.pdf")}));
        return;
    }
    const HWND list = GetDlgItem(dialog, IDC_LIST_DOCUMENTS);
    const wchar_t* const names[] = {L"Annual report 2026.pdf", L"report 2.pdf", L"report 10.pdf", L"Minutes\\march.ps",
        L"Minutes\\april.ps", L"scan 0042.pdf"};
    for (const wchar_t* name : names) {
        const std::wstring path = std::wstring(L"C:\\Users\\Public\\Documents\\") + name;
        SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(path.c_str()));
    }
    SendMessageW(list, LB_SETCURSEL, 2, 0);
    setItemText(dialog, IDC_LIST_COUNT, base::formatString(IDS_DOCUMENT_COUNT, {std::wstring(L"6")}));
}

INT_PTR CALLBACK progressProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        if (g_options.templateId == IDD_QUEUE_STOP || g_options.templateId == IDD_DOCUMENT_LIST) {
            fillQueueDialogs(dialog);
            return TRUE;
        }
        if (g_options.templateId == IDD_QUEUE_SUMMARY) {
            fillSummaryDialog(dialog);
            return TRUE;
        }
        fillProgressDialog(dialog, reinterpret_cast<HINSTANCE>(lParam));
        if (g_options.templateId == IDD_QUEUE_PROGRESS) {
            setItemText(dialog, IDC_QUEUE_DOCUMENT,
                base::formatString(IDS_QUEUE_DOCUMENT, { 4, 12, std::wstring(L"Annual report 2026.pdf") }));
        }
        return TRUE;
    case WM_NOTIFY:
        if (reinterpret_cast<NMHDR*>(lParam)->code == LVN_GETDISPINFOW) {
            answerSampleRow(*reinterpret_cast<NMLVDISPINFOW*>(lParam));
            return TRUE;
        }
        return FALSE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDCANCEL) {
            DestroyWindow(dialog);
        }
        return TRUE;
    case WM_DESTROY:
        PostQuitMessage(0);
        return TRUE;
    default:
        return FALSE;
    }
}

// The templates shown as dialogs of their own (the others are pages of the sheet).
bool isPlainDialog(int templateId)
{
    return templateId == IDD_PROGRESS || templateId == IDD_QUEUE_PROGRESS || templateId == IDD_QUEUE_SUMMARY
        || templateId == IDD_QUEUE_STOP || templateId == IDD_DOCUMENT_LIST;
}

bool parseOptions(Options& options)
{
    int count = 0;
    LPWSTR* args = CommandLineToArgvW(GetCommandLineW(), &count);
    if (!args) {
        return false;
    }
    for (int i = 1; i < count; ++i) {
        const std::wstring arg = args[i];
        if (arg == L"--rect" && i + 1 < count) {
            options.rectFile = args[++i];
        } else if (arg == L"--check" && i + 1 < count) {
            options.checkFile = args[++i];
        } else if (arg == L"--exit-after" && i + 1 < count) {
            options.exitAfter = static_cast<UINT>(wcstoul(args[++i], nullptr, 10));
        } else {
            options.templateId = static_cast<int>(wcstol(arg.c_str(), nullptr, 10));
        }
    }
    LocalFree(args);
    return isPlainDialog(options.templateId) || options.templateId == IDD_BASIC_PAGE
        || options.templateId == IDD_ADVANCED_PAGE || options.templateId == IDD_MISC_PAGE;
}

void CALLBACK onTimer(HWND, UINT, UINT_PTR id, DWORD)
{
    if (id == g_reportTimer) {
        KillTimer(nullptr, id);
        std::vector<HWND> dialogs;
        if (isPlainDialog(g_options.templateId)) {
            dialogs.push_back(g_shown);
        } else {
            HWND front = reinterpret_cast<HWND>(SendMessageW(g_shown, PSM_GETCURRENTPAGEHWND, 0, 0));
            if (front) {
                dialogs.push_back(front);
            }
        }
        report(g_shown, dialogs);
    } else {
        PostQuitMessage(0);
    }
}

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR, int)
{
    if (!parseOptions(g_options)) {
        MessageBoxW(nullptr, L"usage: dialogviewer <103|107|108|109|110|111> [--rect file] [--check file] [--exit-after ms]",
            L"dialogviewer", MB_OK);
        return 2;
    }
    INITCOMMONCONTROLSEX controls = {};
    controls.dwSize = sizeof(controls);
    controls.dwICC = ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES;
    InitCommonControlsEx(&controls);

    if (isPlainDialog(g_options.templateId)) {
        g_shown = CreateDialogParamW(instance, MAKEINTRESOURCEW(g_options.templateId), nullptr, progressProc,
            reinterpret_cast<LPARAM>(instance));
    } else {
        g_shown = showSheet(instance, g_options.templateId);
    }
    if (!g_shown) {
        return 1;
    }
    SetWindowPos(g_shown, HWND_TOP, 16, 16, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
    UpdateWindow(g_shown);
    g_reportTimer = SetTimer(nullptr, 0, 700, onTimer);
    SetTimer(nullptr, 0, g_options.exitAfter, onTimer);

    MSG message = {};
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (!isPlainDialog(g_options.templateId)) {
            if (!PropSheet_GetCurrentPageHwnd(g_shown)) {
                DestroyWindow(g_shown);
                break;
            }
            if (PropSheet_IsDialogMessage(g_shown, &message)) {
                continue;
            }
        } else if (IsDialogMessageW(g_shown, &message)) {
            continue;
        }
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return 0;
}
