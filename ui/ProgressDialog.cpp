#include "ui/ProgressDialog.h"

#include <commctrl.h>
#include <process.h>
#include <shellapi.h>

#include <climits>

#include "res/resource.h"
#include "win/Dpi.h"
#include "win/Module.h"
#include "win/Strings.h"

namespace {

// Messages from the worker thread, always sent (never posted).
constexpr UINT kMsgApplyBatch = WM_APP + 1;  // lParam: const OutputBatch*
constexpr UINT kMsgOfferAbort = WM_APP + 2;
constexpr UINT kMsgFinalState = WM_APP + 3;  // lParam: const RunOutcome*
constexpr UINT kMsgStartFailed = WM_APP + 4;

constexpr COLORREF kImageMask = RGB(255, 0, 255);
constexpr DWORD kListExtendedStyles = LVS_EX_FULLROWSELECT | LVS_EX_HEADERDRAGDROP | LVS_EX_TWOCLICKACTIVATE | LVS_EX_LABELTIP;
static_assert(kListExtendedStyles == 0x40B0);
constexpr int kSortTextCapacity = 256;

struct ColumnLayout {
    UINT header;
    int format;
    int width;
};
constexpr ColumnLayout kColumns[] = {
    {IDS_COLUMN_TYPE, LVCFMT_LEFT | LVCFMT_IMAGE, 64},
    {IDS_COLUMN_PAGE, LVCFMT_RIGHT, 44},
    {IDS_COLUMN_DESCRIPTION, LVCFMT_LEFT, 640},
};

UINT typeNameId(MessageType type)
{
    switch (type) {
    case MessageType::Warn: return IDS_TYPE_WARNING;
    case MessageType::Error: return IDS_TYPE_ERROR;
    default: return IDS_TYPE_INFO;
    }
}

void moveControl(HWND dialog, int id, int dLeft, int dTop, int dRight, int dBottom)
{
    const HWND control = GetDlgItem(dialog, id);
    if (control == nullptr) {
        return;
    }
    RECT rect = {};
    GetWindowRect(control, &rect);
    POINT topLeft = {rect.left, rect.top};
    POINT bottomRight = {rect.right, rect.bottom};
    ScreenToClient(dialog, &topLeft);
    ScreenToClient(dialog, &bottomRight);
    const int left = topLeft.x + dLeft;
    const int top = topLeft.y + dTop;
    const int right = bottomRight.x + dRight;
    const int bottom = bottomRight.y + dBottom;
    MoveWindow(control, left, top, right - left, bottom - top, TRUE);
}

// The message-type images drawn for the list's small-icon size (16 at 100%, 24 at 150%,
// 32 at 200%); sizes between take the next smaller strip rather than a blurred one.
int messageImageSize(int smallIconSize)
{
    return smallIconSize >= 32 ? 32 : smallIconSize >= 24 ? 24 : 16;
}

UINT messageImagesId(int imageSize)
{
    return imageSize == 32 ? IDB_MESSAGE_TYPES_32 : imageSize == 24 ? IDB_MESSAGE_TYPES_24 : IDB_MESSAGE_TYPES;
}

} // namespace

ProgressDialog::ProgressDialog() : ProgressDialog(MessageRuleSet::defaultRuleFilePath()) {}

ProgressDialog::ProgressDialog(const std::wstring& ruleFilePath)
    : interpreter_(static_cast<ProgressView&>(*this), rules_),
      reader_([this](std::wstring_view line) { interpreter_.interpretLine(line); }),
      runner_(interpreter_, reader_)
{
    rules_.loadRules(ruleFilePath);
}

ProgressDialog::~ProgressDialog() { destroyCounterIcons(); }

void ProgressDialog::destroyCounterIcons()
{
    for (HICON& icon : counterIcons_) {
        if (icon != nullptr) {
            DestroyIcon(icon);
            icon = nullptr;
        }
    }
}

INT_PTR ProgressDialog::runConverter(const std::wstring& commandLine, const std::wstring& title,
    const std::wstring& statusText, const std::wstring& logPath, bool detailsCollapsed, KillSignaller killSignaller,
    const std::wstring& killEventName, HANDLE logFile, DWORD& osError, DWORD logOpenError)
{
    title_ = title;
    statusText_ = statusText;
    logPath_ = logPath;
    detailsCollapsed_ = detailsCollapsed;
    runner_.reset(commandLine, std::move(killSignaller), killEventName);
    interpreter_.reset(logFile, logPath, logOpenError);
    reader_.reset();
    batch_ = OutputBatch();
    listUnsettled_ = false;
    listSuspended_ = false;
    listShownTick_ = 0;
    lastSizeType_ = SIZE_RESTORED;
    osError = 0;

    if (!converter::createConverterPipe(pipe_, osError)) {
        return 3;
    }
    const INT_PTR result = runModal(IDD_PROGRESS, GetActiveWindow());
    if (workerThread_) {
        WaitForSingleObject(workerThread_.get(), INFINITE);
        workerThread_.reset();
    }
    pipe_.readEnd.reset();
    pipe_.writeEnd.reset();
    if (result == 3 && runner_.osError() != 0) {
        osError = runner_.osError();
    }
    return result;
}

std::wstring ProgressDialog::finalStatusText(const converter::RunOutcome& outcome)
{
    if (!outcome.waitFailed && outcome.exitCode == converter::kExitSuccess) {
        return win::loadString(outcome.warningCount != 0 || outcome.errorCount != 0 ? IDS_FINISHED_WITH_WARNINGS
                                                                                     : IDS_FINISHED_SUCCESSFULLY);
    }
    if (outcome.exitCode == converter::kExitCanceled) {
        return win::loadString(IDS_PROCESS_CANCELED);
    }
    return win::formatString(IDS_CONVERSION_FAILED, {outcome.errorCountText});
}

// ---------------------------------------------------------------------------------------
// Initialisation and commands (user-interface thread)

bool ProgressDialog::onInit()
{
    const HINSTANCE module = win::moduleInstance();
    // Sizes for the window's DPI: the template's dialog units scale by themselves, pixel
    // sizes (icons, images, column widths) are chosen here.
    const UINT dpi = win::windowDpi(hwnd_);
    const int smallIconSize = win::systemMetricForDpi(SM_CXSMICON, dpi);
    const auto bigIcon = static_cast<HICON>(LoadImageW(module, MAKEINTRESOURCEW(IDI_APP), IMAGE_ICON,
        win::systemMetricForDpi(SM_CXICON, dpi), win::systemMetricForDpi(SM_CYICON, dpi), LR_SHARED));
    const auto smallIcon = static_cast<HICON>(LoadImageW(module, MAKEINTRESOURCEW(IDI_APP), IMAGE_ICON,
        smallIconSize, win::systemMetricForDpi(SM_CYSMICON, dpi), LR_SHARED));
    SendMessageW(hwnd_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(bigIcon));
    SendMessageW(hwnd_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon));
    // The counter icons from the image of their own size, not the 16-pixel one stretched.
    destroyCounterIcons();
    const int counterIconIds[2][2] = {
        {IDI_WARNING_SMALL, IDC_PROGRESS_WARNING_ICON}, {IDI_ERROR_SMALL, IDC_PROGRESS_ERROR_ICON}};
    for (int i = 0; i < 2; ++i) {
        counterIcons_[i] = static_cast<HICON>(LoadImageW(module, MAKEINTRESOURCEW(counterIconIds[i][0]), IMAGE_ICON,
            smallIconSize, smallIconSize, 0));
        if (counterIcons_[i] != nullptr) {
            SendMessageW(item(counterIconIds[i][1]), STM_SETICON, reinterpret_cast<WPARAM>(counterIcons_[i]), 0);
        }
    }

    SetWindowTextW(hwnd_, title_.c_str());
    SetWindowTextW(item(IDC_PROGRESS_STATUS), statusText_.c_str());

    progressBar_ = item(IDC_PROGRESS_BAR);
    SendMessageW(progressBar_, PBM_SETRANGE32, 0, 100);
    SendMessageW(progressBar_, PBM_SETPOS, 0, 0);

    RECT window = {};
    RECT list = {};
    GetWindowRect(hwnd_, &window);
    GetWindowRect(item(IDC_PROGRESS_MESSAGES), &list);
    minimumWidth_ = laidOutWidth_ = window.right - window.left;
    collapsedHeight_ = list.top - window.top;
    minimumHeight_ = expandedHeight_ = window.bottom - window.top;

    setDetailsCollapsed(detailsCollapsed_);

    sortColumn_ = -1;
    sortDirection_ = 1;

    const HWND messages = item(IDC_PROGRESS_MESSAGES);
    const int imageSize = messageImageSize(smallIconSize);
    const HIMAGELIST images = ImageList_LoadImageW(module, MAKEINTRESOURCEW(messageImagesId(imageSize)), imageSize, 8,
        kImageMask, IMAGE_BITMAP, 0);
    if (images != nullptr) {
        SendMessageW(messages, LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(images));
    }
    SendMessageW(messages, LVM_SETEXTENDEDLISTVIEWSTYLE, kListExtendedStyles, kListExtendedStyles);
    SendMessageW(messages, LVM_DELETEALLITEMS, 0, 0);
    int index = 0;
    for (const ColumnLayout& layout : kColumns) {
        std::wstring header = win::loadString(layout.header);
        LVCOLUMNW column = {};
        column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT;
        column.fmt = layout.format;
        column.cx = win::scaleForDpi(layout.width, dpi);
        column.pszText = header.data();
        SendMessageW(messages, LVM_INSERTCOLUMNW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&column));
        ++index;
    }

    const HWND animation = item(IDC_PROGRESS_ANIMATION);
    SendMessageW(animation, ACM_OPENW, reinterpret_cast<WPARAM>(module),
        reinterpret_cast<LPARAM>(MAKEINTRESOURCEW(IDR_BUSY_ANIMATION)));
    SendMessageW(animation, ACM_PLAY, static_cast<WPARAM>(-1), MAKELPARAM(0, 0xFFFF));

    taskbar_ = taskbarFactory_ ? taskbarFactory_(hwnd_) : std::make_unique<win::TaskbarButton>(hwnd_);
    taskbarState_ = std::make_unique<converter::RunTaskbarState>(*taskbar_);
    taskbarState_->runStarted();

    const uintptr_t thread = _beginthreadex(nullptr, 0, &ProgressDialog::workerProc, this, 0, nullptr);
    if (thread == 0) {
        const DWORD error = GetLastError();
        MessageBoxW(hwnd_, win::loadString(IDS_WORKER_FAILED).c_str(), win::loadString(IDS_APP_TITLE).c_str(),
            MB_ICONHAND);
        runner_.setOsError(error != 0 ? error : ERROR_NOT_ENOUGH_MEMORY);
        end(3);
        return true;
    }
    workerThread_.reset(reinterpret_cast<HANDLE>(thread));
    return true;
}

unsigned __stdcall ProgressDialog::workerProc(void* dialog)
{
    auto* self = static_cast<ProgressDialog*>(dialog);
    return self->runner_.runWorker(*self, self->pipe_.readEnd.get(), self->pipe_.writeEnd.get());
}

bool ProgressDialog::onCommand(int id, int /*code*/, HWND /*control*/)
{
    switch (id) {
    case IDCANCEL:
        if (runner_.runFinished()) {
            end(1);
        } else if (IsWindowEnabled(item(IDCANCEL))) {
            // Escape and the close box send this command even while the button is
            // disabled; a stop already under way must not restart its ten seconds.
            runner_.requestStop();
            EnableWindow(item(IDCANCEL), FALSE);
            taskbarState_->stopRequested();
        }
        return true;
    case IDC_PROGRESS_DETAILS:
        setDetailsCollapsed(!detailsCollapsed_);
        return true;
    case IDC_PROGRESS_OPEN_LOG:
        ShellExecuteW(nullptr, nullptr, logPath_.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
        return true;
    default:
        return false;
    }
}

bool ProgressDialog::onNotify(const NMHDR& header, LRESULT& result)
{
    if (header.idFrom == IDC_PROGRESS_MESSAGES && header.code == LVN_COLUMNCLICK) {
        sortByColumn(reinterpret_cast<const NMLISTVIEW&>(header).iSubItem);
        result = 0;
        return true;
    }
    return false;
}

bool ProgressDialog::onMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    switch (message) {
    case kMsgApplyBatch:
        applyBatch(*reinterpret_cast<const OutputBatch*>(lParam));
        return true;
    case kMsgOfferAbort:
        applyAbortOffer();
        return true;
    case kMsgFinalState:
        applyFinalState(*reinterpret_cast<const converter::RunOutcome*>(lParam));
        return true;
    case kMsgStartFailed:
        end(3);
        return true;
    case WM_NCHITTEST:
        result = DefWindowProcW(hwnd_, message, wParam, lParam);
        if (detailsCollapsed_ && result >= HTTOP && result <= HTBOTTOMRIGHT) {
            result = HTBORDER;
        }
        return true;
    case WM_SIZING:
        onSizing(wParam, *reinterpret_cast<RECT*>(lParam));
        result = TRUE;
        return true;
    case WM_SIZE:
        onSize(wParam);
        return false;
    case WM_DESTROY:
        if (taskbarState_) {
            taskbarState_->windowEnded();
        }
        return false;
    default:
        if (message == win::TaskbarButton::buttonCreatedMessage() && taskbarState_) {
            taskbarState_->showAgain();
            return true;
        }
        return false;
    }
}

// ---------------------------------------------------------------------------------------
// Worker side: ProgressView collects, RunDisplay sends

void ProgressDialog::noteChange()
{
    const DWORD now = GetTickCount();
    if (batch_.empty) {
        batch_.empty = false;
        batch_.firstChangeTick = now;
    }
    if (batch_.rows.size() >= kMaxRowsPerBatch || now - batch_.firstChangeTick >= kMaxBatchMilliseconds) {
        flushOutput(true);
    }
}

void ProgressDialog::setProgressRange(int totalPages)
{
    batch_.rangeSet = true;
    batch_.range = totalPages;
    noteChange();
}

void ProgressDialog::setProgressPosition(int position)
{
    batch_.positionSet = true;
    batch_.position = position;
    noteChange();
}

void ProgressDialog::setStatusText(const std::wstring& text)
{
    batch_.statusSet = true;
    batch_.status = text;
    noteChange();
}

void ProgressDialog::showCounter(MessageType type)
{
    if (type == MessageType::Warn) {
        batch_.showWarningCounter = true;
    } else if (type == MessageType::Error) {
        batch_.showErrorCounter = true;
    }
    noteChange();
}

void ProgressDialog::setCounterText(MessageType type, const std::wstring& text)
{
    if (type == MessageType::Warn) {
        batch_.warningTextSet = true;
        batch_.warningText = text;
    } else if (type == MessageType::Error) {
        batch_.errorTextSet = true;
        batch_.errorText = text;
    }
    noteChange();
}

void ProgressDialog::addMessageRow(MessageType type, const std::wstring& page, const std::wstring& description)
{
    batch_.rows.push_back(Row{type, page, description});
    noteChange();
}

void ProgressDialog::flushOutput(bool moreComing)
{
    // An empty batch is still sent when output has paused and the list waits for its repaint.
    if (batch_.empty && (moreComing || !listUnsettled_)) {
        return;
    }
    batch_.moreComing = moreComing;
    SendMessageW(hwnd_, kMsgApplyBatch, 0, reinterpret_cast<LPARAM>(&batch_));
    listUnsettled_ = moreComing;
    batch_.rangeSet = batch_.positionSet = batch_.statusSet = false;
    batch_.showWarningCounter = batch_.showErrorCounter = false;
    batch_.warningTextSet = batch_.errorTextSet = false;
    batch_.rows.clear();
    batch_.empty = true;
}

void ProgressDialog::offerAbort()
{
    SendMessageW(hwnd_, kMsgOfferAbort, 0, 0);
}

void ProgressDialog::showFinalState(const converter::RunOutcome& outcome)
{
    SendMessageW(hwnd_, kMsgFinalState, 0, reinterpret_cast<LPARAM>(&outcome));
}

void ProgressDialog::endWithStartFailure()
{
    SendMessageW(hwnd_, kMsgStartFailed, 0, 0);
}

// ---------------------------------------------------------------------------------------
// User-interface thread: what the worker asked for

void ProgressDialog::applyBatch(const OutputBatch& batch)
{
    if (batch.rangeSet) {
        // The 32-bit range: page counts above 65535 do not wrap.
        SendMessageW(progressBar_, PBM_SETRANGE32, 0, static_cast<LPARAM>(batch.range));
    }
    if (batch.positionSet) {
        SendMessageW(progressBar_, PBM_SETPOS, static_cast<WPARAM>(batch.position), 0);
    }
    if (batch.statusSet) {
        SetWindowTextW(item(IDC_PROGRESS_STATUS), batch.status.c_str());
    }
    if (batch.warningTextSet) {
        SetWindowTextW(item(IDC_PROGRESS_WARNING_COUNT), batch.warningText.c_str());
    }
    if (batch.errorTextSet) {
        SetWindowTextW(item(IDC_PROGRESS_ERROR_COUNT), batch.errorText.c_str());
    }
    if (batch.showWarningCounter) {
        ShowWindow(item(IDC_PROGRESS_WARNING_COUNT), SW_SHOWNORMAL);
        ShowWindow(item(IDC_PROGRESS_WARNING_ICON), SW_SHOWNORMAL);
    }
    if (batch.showErrorCounter) {
        ShowWindow(item(IDC_PROGRESS_ERROR_COUNT), SW_SHOWNORMAL);
        ShowWindow(item(IDC_PROGRESS_ERROR_ICON), SW_SHOWNORMAL);
    }
    if (batch.showWarningCounter || batch.showErrorCounter) {
        UpdateWindow(hwnd_);
    }
    if (batch.rangeSet) {
        taskbarState_->setTotalPages(batch.range);
    }
    if (batch.positionSet) {
        taskbarState_->setPagesDone(batch.position);
    }
    if (batch.showErrorCounter) {
        taskbarState_->errorCounted();
    }
    // Inserting with the list redrawing costs milliseconds per row, and turning its redraw
    // back on costs tens of milliseconds: rows go in with the redraw off, and while output
    // keeps flowing the list is shown again at most every kListRefreshMilliseconds.
    const HWND messages = item(IDC_PROGRESS_MESSAGES);
    if (!batch.rows.empty()) {
        if (!listSuspended_) {
            SendMessageW(messages, WM_SETREDRAW, FALSE, 0);
            listSuspended_ = true;
        }
        int index = static_cast<int>(SendMessageW(messages, LVM_GETITEMCOUNT, 0, 0));
        // The shown types are also the image indexes: Info 0, Warn 1, Error 2.
        const std::wstring typeNames[3] = {win::loadString(typeNameId(MessageType::Info)),
            win::loadString(typeNameId(MessageType::Warn)), win::loadString(typeNameId(MessageType::Error))};
        for (const Row& row : batch.rows) {
            const int type = static_cast<int>(row.type);
            if (type < 0 || type > 2) {
                continue; // only shown types become rows
            }
            std::wstring typeName = typeNames[type];
            LVITEMW entry = {};
            entry.mask = LVIF_TEXT | LVIF_IMAGE;
            entry.iItem = index;
            entry.iSubItem = 0;
            entry.pszText = typeName.data();
            entry.iImage = type;
            const int inserted =
                static_cast<int>(SendMessageW(messages, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&entry)));
            if (inserted < 0) {
                continue;
            }
            std::wstring page = row.page;
            std::wstring description = row.description;
            LVITEMW cell = {};
            cell.mask = LVIF_TEXT;
            cell.iItem = inserted;
            cell.iSubItem = 1;
            cell.pszText = page.data();
            SendMessageW(messages, LVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&cell));
            cell.iSubItem = 2;
            cell.pszText = description.data();
            SendMessageW(messages, LVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&cell));
            index = inserted + 1;
        }
    }
    if (listSuspended_ && (!batch.moreComing || GetTickCount() - listShownTick_ >= kListRefreshMilliseconds)) {
        showSuspendedList();
    }
}

void ProgressDialog::showSuspendedList()
{
    const HWND messages = item(IDC_PROGRESS_MESSAGES);
    SendMessageW(messages, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(messages, nullptr, TRUE);
    listSuspended_ = false;
    listShownTick_ = GetTickCount();
}

void ProgressDialog::applyAbortOffer()
{
    SetWindowTextW(item(IDCANCEL), win::loadString(IDS_ABORT).c_str());
    EnableWindow(item(IDCANCEL), TRUE);
}

void ProgressDialog::applyFinalState(const converter::RunOutcome& outcome)
{
    if (listSuspended_) {
        showSuspendedList();
    }
    const HWND animation = item(IDC_PROGRESS_ANIMATION);
    SendMessageW(animation, ACM_OPENW, 0, 0);
    ShowWindow(animation, SW_HIDE);

    SendMessageW(progressBar_, PBM_SETPOS, static_cast<WPARAM>(outcome.totalPages), 0);
    EnableWindow(progressBar_, FALSE);

    const HWND button = item(IDCANCEL);
    SetWindowTextW(button, win::loadString(IDS_OK).c_str());
    SendMessageW(button, BM_SETSTYLE, BS_DEFPUSHBUTTON, TRUE);

    // Before the button is enabled, so that a click can only close the dialog.
    runner_.markRunFinished();

    EnableWindow(button, TRUE);
    SetFocus(button);
    // Only a log that holds the whole run is offered; a failed one was said in the list.
    if (outcome.logComplete) {
        EnableWindow(item(IDC_PROGRESS_OPEN_LOG), TRUE);
    }
    SetWindowTextW(item(IDC_PROGRESS_STATUS), finalStatusText(outcome).c_str());
    taskbarState_->runEnded(outcome.waitFailed || outcome.exitCode == converter::kExitSuccess);
    UpdateWindow(hwnd_);
    MessageBeep(outcome.exitCode != 0 || outcome.waitFailed ? MB_ICONHAND : MB_ICONASTERISK);
    FlashWindow(hwnd_, TRUE);
}

// ---------------------------------------------------------------------------------------
// Layout (user-interface thread)

void ProgressDialog::setDetailsCollapsed(bool collapsed)
{
    const std::wstring text = win::loadString(collapsed ? IDS_DETAILS_SHOW : IDS_DETAILS_HIDE);
    LONG style = GetWindowLongW(hwnd_, GWL_STYLE);
    RECT window = {};
    GetWindowRect(hwnd_, &window);
    int height = 0;
    if (collapsed) {
        style &= ~static_cast<LONG>(WS_MAXIMIZEBOX);
        height = collapsedHeight_;
    } else {
        style |= WS_MAXIMIZEBOX;
        height = expandedHeight_;
    }
    MoveWindow(hwnd_, window.left, window.top, window.right - window.left, height, TRUE);
    SetWindowTextW(item(IDC_PROGRESS_DETAILS), text.c_str());
    SetWindowLongW(hwnd_, GWL_STYLE, style);
    DrawMenuBar(hwnd_);
    detailsCollapsed_ = collapsed;
}

void ProgressDialog::onSizing(WPARAM edge, RECT& rect)
{
    if (rect.bottom - rect.top < minimumHeight_) {
        if (edge == WMSZ_TOP || edge == WMSZ_TOPLEFT || edge == WMSZ_TOPRIGHT) {
            rect.top = rect.bottom - minimumHeight_;
        } else if (edge == WMSZ_BOTTOM || edge == WMSZ_BOTTOMLEFT || edge == WMSZ_BOTTOMRIGHT) {
            rect.bottom = rect.top + minimumHeight_;
        }
    }
    if (rect.right - rect.left < minimumWidth_) {
        if (edge == WMSZ_LEFT || edge == WMSZ_TOPLEFT || edge == WMSZ_BOTTOMLEFT) {
            rect.left = rect.right - minimumWidth_;
        } else if (edge == WMSZ_RIGHT || edge == WMSZ_TOPRIGHT || edge == WMSZ_BOTTOMRIGHT) {
            rect.right = rect.left + minimumWidth_;
        }
    }
    relayoutControls(rect.right - rect.left, rect.bottom - rect.top, true);
}

void ProgressDialog::onSize(WPARAM type)
{
    if (type == SIZE_MAXIMIZED || (type == SIZE_RESTORED && lastSizeType_ == SIZE_MAXIMIZED)) {
        RECT window = {};
        GetWindowRect(hwnd_, &window);
        relayoutControls(window.right - window.left, window.bottom - window.top, true);
    }
    EnableWindow(item(IDC_PROGRESS_DETAILS), type == SIZE_MAXIMIZED ? FALSE : TRUE);
    lastSizeType_ = static_cast<int>(type);
}

void ProgressDialog::relayoutControls(int width, int height, bool remember)
{
    const int dx = width - laidOutWidth_;
    const int dy = detailsCollapsed_ ? 0 : height - expandedHeight_;
    if (dx == 0 && dy == 0) {
        return;
    }
    moveControl(hwnd_, IDC_PROGRESS_STATUS, 0, 0, dx, 0);
    moveControl(hwnd_, IDC_PROGRESS_BAR, 0, 0, dx, 0);
    moveControl(hwnd_, IDC_PROGRESS_ANIMATION, dx, 0, dx, 0);
    moveControl(hwnd_, IDCANCEL, dx, 0, dx, 0);
    moveControl(hwnd_, IDC_PROGRESS_DETAILS, dx, 0, dx, 0);
    moveControl(hwnd_, IDC_PROGRESS_MESSAGES, 0, 0, dx, dy);
    moveControl(hwnd_, IDC_PROGRESS_OPEN_LOG, dx, dy, dx, dy);
    InvalidateRect(hwnd_, nullptr, TRUE);
    if (remember) {
        laidOutWidth_ = width;
        if (!detailsCollapsed_) {
            expandedHeight_ = height;
        }
    }
}

// ---------------------------------------------------------------------------------------
// Sorting (user-interface thread)

void ProgressDialog::sortByColumn(int column)
{
    columnBeingSorted_ = column;
    sortDirection_ = column == sortColumn_ ? -sortDirection_ : 1;
    // The texts of the sorted column are read once, before the sort, and each row
    // carries its index as its item data. Wine's LVM_SORTITEMSEX hands the comparison
    // indexes that do not match the rows while its merge sort runs, so the rows are
    // sorted by their data with LVM_SORTITEMS instead, which behaves alike everywhere.
    const HWND messages = item(IDC_PROGRESS_MESSAGES);
    const int count = static_cast<int>(SendMessageW(messages, LVM_GETITEMCOUNT, 0, 0));
    sortTexts_.assign(static_cast<size_t>(count > 0 ? count : 0), std::wstring());
    for (int row = 0; row < count; ++row) {
        wchar_t text[kSortTextCapacity] = {};
        LVITEMW cell = {};
        cell.iSubItem = column;
        cell.pszText = text;
        cell.cchTextMax = kSortTextCapacity;
        SendMessageW(messages, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&cell));
        sortTexts_[static_cast<size_t>(row)] = text;
        LVITEMW data = {};
        data.mask = LVIF_PARAM;
        data.iItem = row;
        data.lParam = row;
        SendMessageW(messages, LVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&data));
    }
    SendMessageW(messages, LVM_SORTITEMS, reinterpret_cast<WPARAM>(this),
        reinterpret_cast<LPARAM>(&ProgressDialog::compareItems));
    sortTexts_.clear();
    sortColumn_ = column;
}

int CALLBACK ProgressDialog::compareItems(LPARAM first, LPARAM second, LPARAM dialog)
{
    const auto* self = reinterpret_cast<const ProgressDialog*>(dialog);
    const size_t count = self->sortTexts_.size();
    if (first < 0 || second < 0 || static_cast<size_t>(first) >= count || static_cast<size_t>(second) >= count) {
        return 0;
    }
    const std::wstring& a = self->sortTexts_[static_cast<size_t>(first)];
    const std::wstring& b = self->sortTexts_[static_cast<size_t>(second)];
    long long order = 0;
    if (self->columnBeingSorted_ == 1) {
        order = static_cast<long long>(OutputInterpreter::integerValue(a)) - OutputInterpreter::integerValue(b);
    } else {
        order = a.compare(b); // ordinal, case-sensitive
    }
    order *= self->sortDirection_;
    return order < 0 ? -1 : order > 0 ? 1 : 0;
}
