#include "ui/QueueSummaryDialog.h"

#include <commctrl.h>

#include <iterator>

#include "base/StringTable.h"
#include "res/resource.h"
#include "win/Dpi.h"
#include "win/FileSystem.h"
#include "win/ListView.h"
#include "win/Module.h"

namespace ui {

namespace {

struct Column {
    UINT header;
    int format;
    int width;
};
constexpr Column kColumns[] = {
    {IDS_SUMMARY_COLUMN_DOCUMENT, LVCFMT_LEFT, 120},
    {IDS_SUMMARY_COLUMN_OUTCOME, LVCFMT_LEFT, 150},
    {IDS_SUMMARY_COLUMN_WARNINGS, LVCFMT_RIGHT, 72},
    {IDS_SUMMARY_COLUMN_ERRORS, LVCFMT_RIGHT, 56},
    {IDS_SUMMARY_COLUMN_OUTPUT, LVCFMT_LEFT, 260},
};

void setCell(HWND list, int row, int column, const std::wstring& text)
{
    LVITEMW cell = {};
    cell.iSubItem = column;
    cell.pszText = const_cast<wchar_t*>(text.c_str());
    SendMessageW(list, LVM_SETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&cell));
}

} // namespace

QueueSummaryDialog::QueueSummaryDialog(std::vector<queue::DocumentResult> results, Opener opener)
    : results_(std::move(results)), opener_(std::move(opener))
{
}

INT_PTR QueueSummaryDialog::show(HWND owner) { return runModal(IDD_QUEUE_SUMMARY, owner); }

std::wstring QueueSummaryDialog::outcomeText(queue::DocumentOutcome outcome)
{
    switch (outcome) {
    case queue::DocumentOutcome::Converted: return base::loadString(IDS_OUTCOME_CONVERTED);
    case queue::DocumentOutcome::ConvertedWithWarnings: return base::loadString(IDS_OUTCOME_WITH_WARNINGS);
    case queue::DocumentOutcome::Failed: return base::loadString(IDS_OUTCOME_FAILED);
    case queue::DocumentOutcome::Skipped: return base::loadString(IDS_OUTCOME_SKIPPED);
    case queue::DocumentOutcome::Cancelled: return base::loadString(IDS_OUTCOME_CANCELLED);
    case queue::DocumentOutcome::NotConverted: break;
    }
    return base::loadString(IDS_OUTCOME_NOT_CONVERTED);
}

bool QueueSummaryDialog::onInit()
{
    int converted = 0;
    for (const queue::DocumentResult& result : results_) {
        converted += queue::outputMade(result.outcome) ? 1 : 0;
    }
    control(IDC_SUMMARY_HEADLINE).setText(base::formatString(IDS_SUMMARY_HEADLINE,
        {converted, static_cast<int>(results_.size())}));
    dpi_ = win::windowDpi(hwnd_);
    loadIcon(dpi_);
    fillList();
    // Screen readers name the list after the headline (also where only its text is read).
    control(IDC_SUMMARY_LIST).setText(control(IDC_SUMMARY_HEADLINE).text());
    updateButtons();
    return true;
}

void QueueSummaryDialog::fillList()
{
    const win::ListView list(item(IDC_SUMMARY_LIST));
    list.setExtendedStyles(LVS_EX_FULLROWSELECT | LVS_EX_LABELTIP);
    const UINT dpi = win::windowDpi(hwnd_);
    int index = 0;
    for (const Column& column : kColumns) {
        list.insertColumn(index++, base::loadString(column.header), column.format, win::scaleForDpi(column.width, dpi));
    }
    for (size_t i = 0; i < results_.size(); ++i) {
        const queue::DocumentResult& result = results_[i];
        const int row = static_cast<int>(i);
        const std::wstring name = win::fileNamePart(result.input);
        LVITEMW entry = {};
        entry.mask = LVIF_TEXT;
        entry.iItem = row;
        entry.pszText = const_cast<wchar_t*>(name.c_str());
        SendMessageW(list.hwnd(), LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&entry));
        const bool ran = result.outcome != queue::DocumentOutcome::Skipped && result.outcome != queue::DocumentOutcome::NotConverted;
        setCell(list.hwnd(), row, 1,
            outcomeText(result.outcome) + (result.problem.empty() ? std::wstring() : L": " + result.problem));
        setCell(list.hwnd(), row, 2, ran ? std::to_wstring(result.warningCount) : std::wstring());
        setCell(list.hwnd(), row, 3, ran ? std::to_wstring(result.errorCount) : std::wstring());
        setCell(list.hwnd(), row, 4, result.output);
    }
    if (!results_.empty()) {
        LVITEMW state = {};
        state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
        state.state = LVIS_SELECTED | LVIS_FOCUSED;
        SendMessageW(list.hwnd(), LVM_SETITEMSTATE, 0, reinterpret_cast<LPARAM>(&state));
    }
}

void QueueSummaryDialog::loadIcon(UINT dpi)
{
    const HICON icon = static_cast<HICON>(LoadImageW(win::moduleInstance(), MAKEINTRESOURCEW(IDI_APP), IMAGE_ICON,
        win::systemMetricForDpi(SM_CXICON, dpi), win::systemMetricForDpi(SM_CYICON, dpi), LR_SHARED));
    SendMessageW(hwnd_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
}

bool QueueSummaryDialog::onMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& /*result*/)
{
    if (message != WM_DPICHANGED) {
        return false;
    }
    const UINT dpi = HIWORD(wParam);
    const HWND list = item(IDC_SUMMARY_LIST);
    for (int column = 0; column < static_cast<int>(std::size(kColumns)); ++column) {
        const auto width = static_cast<int>(SendMessageW(list, LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(column), 0));
        SendMessageW(list, LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(column),
            MulDiv(width, static_cast<int>(dpi), static_cast<int>(dpi_)));
    }
    dpi_ = dpi;
    loadIcon(dpi);
    const RECT& suggested = *reinterpret_cast<const RECT*>(lParam);
    SetWindowPos(hwnd_, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
        suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
    return true;
}

int QueueSummaryDialog::selectedRow() const
{
    const int row = static_cast<int>(SendMessageW(item(IDC_SUMMARY_LIST), LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
    return row >= 0 && static_cast<size_t>(row) < results_.size() ? row : -1;
}

// The buttons offer what the selected document has: its output once made, the folder
// it is in, and its log when the run wrote one.
void QueueSummaryDialog::updateButtons()
{
    const int row = selectedRow();
    const queue::DocumentResult* result = row >= 0 ? &results_[static_cast<size_t>(row)] : nullptr;
    control(IDC_SUMMARY_OPEN_OUTPUT).enable(result != nullptr && win::pathExists(result->output)
        && (queue::outputMade(result->outcome) || result->outcome == queue::DocumentOutcome::Skipped));
    control(IDC_SUMMARY_OPEN_FOLDER).enable(result != nullptr && win::isDirectory(win::folderOf(result->output)));
    control(IDC_SUMMARY_OPEN_LOG).enable(result != nullptr && !result->logPath.empty() && win::pathExists(result->logPath));
}

bool QueueSummaryDialog::onCommand(int id, int /*code*/, HWND /*control*/)
{
    const int row = selectedRow();
    switch (id) {
    case IDCANCEL:
        end(IDCANCEL);
        return true;
    case IDC_SUMMARY_OPEN_OUTPUT:
    case IDC_SUMMARY_OPEN_FOLDER:
    case IDC_SUMMARY_OPEN_LOG:
        if (row >= 0 && control(id).isEnabled()) {
            const queue::DocumentResult& result = results_[static_cast<size_t>(row)];
            opener_(id == IDC_SUMMARY_OPEN_OUTPUT ? result.output
                    : id == IDC_SUMMARY_OPEN_FOLDER ? win::folderOf(result.output)
                                                    : result.logPath);
        }
        return true;
    default:
        return false;
    }
}

bool QueueSummaryDialog::onNotify(const NMHDR& header, LRESULT& result)
{
    if (header.idFrom != IDC_SUMMARY_LIST) {
        return false;
    }
    if (header.code == LVN_ITEMCHANGED) {
        updateButtons();
    } else if (header.code == NM_DBLCLK && control(IDC_SUMMARY_OPEN_OUTPUT).isEnabled()) {
        onCommand(IDC_SUMMARY_OPEN_OUTPUT, BN_CLICKED, nullptr);
    }
    result = 0;
    return true;
}

} // namespace ui
