#include "ui/ProgressDialog.h"

#include <commctrl.h>
#include <shellapi.h>
#include <windowsx.h>

#include "res/resource.h"
#include "win/Dpi.h"
#include "win/Module.h"
#include "base/StringTable.h"

namespace ui {

namespace {

// Posted by the worker: the run's mailbox holds an update to show.
constexpr UINT kMsgTakeUpdate = WM_APP + 2;

constexpr COLORREF kImageMask = RGB(255, 0, 255);
constexpr DWORD kListExtendedStyles = LVS_EX_FULLROWSELECT | LVS_EX_HEADERDRAGDROP | LVS_EX_TWOCLICKACTIVATE | LVS_EX_LABELTIP;
static_assert(kListExtendedStyles == 0x40B0);

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

ProgressDialog::ProgressDialog(std::wstring title, std::wstring statusText, std::wstring logPath)
    : title_(std::move(title)), statusText_(std::move(statusText)), logPath_(std::move(logPath))
{
}

ProgressDialog::~ProgressDialog() = default;

converter::RunEnd ProgressDialog::present(converter::ConversionRun& run)
{
    run_ = &run;
    rowsUncounted_ = false;
    rowsCountedTick_ = 0;
    const INT_PTR result = runModal(templateId_ != 0 ? templateId_ : IDD_PROGRESS, GetActiveWindow());
    run_ = nullptr;
    // The dialog ends with a RunEnd; anything else means it could not be shown.
    const auto closed = static_cast<INT_PTR>(converter::RunEnd::Closed);
    const auto notStarted = static_cast<INT_PTR>(converter::RunEnd::NotStarted);
    return result == closed || result == notStarted ? static_cast<converter::RunEnd>(result)
                                                    : converter::RunEnd::NotShown;
}

void ProgressDialog::wakeViewThread()
{
    PostMessageW(hwnd_, kMsgTakeUpdate, 0, 0);
}

void ProgressDialog::endWith(converter::RunEnd runEnd)
{
    end(static_cast<INT_PTR>(runEnd));
}

std::wstring ProgressDialog::finalStatusText(const converter::RunOutcome& outcome)
{
    if (!outcome.waitFailed && outcome.exitCode == converter::kExitSuccess) {
        return base::loadString(outcome.warningCount != 0 || outcome.errorCount != 0 ? IDS_FINISHED_WITH_WARNINGS
                                                                                     : IDS_FINISHED_SUCCESSFULLY);
    }
    if (outcome.exitCode == converter::kExitCanceled) {
        return base::loadString(IDS_PROCESS_CANCELED);
    }
    return base::formatString(IDS_CONVERSION_FAILED, {outcome.errorCountText});
}

// ---------------------------------------------------------------------------------------
// Initialisation and commands

void ProgressDialog::loadIcons(UINT dpi)
{
    // Sizes for the window's DPI: the template's dialog units scale by themselves, pixel
    // sizes (icons, images, column widths) are chosen here.
    const HINSTANCE module = win::moduleInstance();
    const int smallIconSize = win::systemMetricForDpi(SM_CXSMICON, dpi);
    const auto bigIcon = static_cast<HICON>(LoadImageW(module, MAKEINTRESOURCEW(IDI_APP), IMAGE_ICON,
        win::systemMetricForDpi(SM_CXICON, dpi), win::systemMetricForDpi(SM_CYICON, dpi), LR_SHARED));
    const auto smallIcon = static_cast<HICON>(LoadImageW(module, MAKEINTRESOURCEW(IDI_APP), IMAGE_ICON,
        smallIconSize, win::systemMetricForDpi(SM_CYSMICON, dpi), LR_SHARED));
    SendMessageW(hwnd_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(bigIcon));
    SendMessageW(hwnd_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon));
    // The counter icons from the image of their own size, not the 16-pixel one stretched.
    const int counterIconIds[2][2] = {
        {IDI_WARNING_SMALL, IDC_PROGRESS_WARNING_ICON}, {IDI_ERROR_SMALL, IDC_PROGRESS_ERROR_ICON}};
    for (int i = 0; i < 2; ++i) {
        counterIcons_[i].reset(static_cast<HICON>(LoadImageW(module, MAKEINTRESOURCEW(counterIconIds[i][0]),
            IMAGE_ICON, smallIconSize, smallIconSize, 0)));
        if (counterIcons_[i].get() != nullptr) {
            win::IconStatic(item(counterIconIds[i][1])).setIcon(counterIcons_[i].get());
        }
    }
}

void ProgressDialog::loadTypeImages(UINT dpi)
{
    const int imageSize = messageImageSize(win::systemMetricForDpi(SM_CXSMICON, dpi));
    const HIMAGELIST images = ImageList_LoadImageW(win::moduleInstance(), MAKEINTRESOURCEW(messageImagesId(imageSize)),
        imageSize, 8, kImageMask, IMAGE_BITMAP, 0);
    if (images != nullptr) {
        messages_.setSmallImages(images);
    }
}

void ProgressDialog::prepareList(UINT dpi)
{
    loadTypeImages(dpi);
    messages_.setExtendedStyles(kListExtendedStyles);
    messages_.setRowCount(0);
    // The shown types are also the image indexes: Info 0, Warn 1, Error 2.
    typeNames_[0] = base::loadString(IDS_TYPE_INFO);
    typeNames_[1] = base::loadString(IDS_TYPE_WARNING);
    typeNames_[2] = base::loadString(IDS_TYPE_ERROR);
    int index = 0;
    for (const ColumnLayout& layout : kColumns) {
        // The Type column is at least as wide as its longest name with the image, the
        // others as their headers; stored widths replace these later.
        const std::wstring header = base::loadString(layout.header);
        const int width = index == 0 ? ProgressWindowMemory::typeColumnWidth(messages_, typeNames_, layout.width, dpi)
                                     : ProgressWindowMemory::headerColumnWidth(messages_, header, layout.width, dpi);
        messages_.insertColumn(index++, header, layout.format, width);
    }
}

bool ProgressDialog::onInit()
{
    messages_ = win::ListView(item(IDC_PROGRESS_MESSAGES));
    progressBar_ = win::ProgressBar(item(IDC_PROGRESS_BAR));
    animation_ = win::Animation(item(IDC_PROGRESS_ANIMATION));
    status_ = win::Window(item(IDC_PROGRESS_STATUS));
    stopButton_ = win::Window(item(IDCANCEL));
    stopText_ = stopButton_.text();

    const UINT dpi = win::windowDpi(hwnd_);
    loadIcons(dpi);
    SetWindowTextW(hwnd_, title_.c_str());
    status_.setText(statusText_);
    progressBar_.setRange(100);
    progressBar_.setPosition(0);

    controls_.create(hwnd_); // before the layout measures the window
    layout_.attach(hwnd_);
    sortColumn_ = -1;
    sortDirection_ = 1;

    prepareList(dpi);
    prepareAdditions(dpi);
    animation_.play(win::moduleInstance(), IDR_BUSY_ANIMATION);

    taskbar_ = taskbarFactory_ ? taskbarFactory_(hwnd_) : std::make_unique<win::TaskbarButton>(hwnd_);
    if (!startRun()) {
        MessageBoxW(hwnd_, base::loadString(IDS_WORKER_FAILED).c_str(), base::loadString(IDS_APP_TITLE).c_str(),
            MB_ICONHAND);
        endWith(converter::RunEnd::NotStarted);
        return true;
    }
    // While the converter runs, a log-off waits and Windows tells the user why.
    blocksShutdown_ = ShutdownBlockReasonCreate(hwnd_, base::formatString(IDS_SHUTDOWN_REASON, {documentName_}).c_str()) != FALSE;
    // The stop button has the focus at first, as the template's first control, although
    // Pause comes before it in the tab order.
    SetFocus(stopButton_.hwnd());
    return false;
}

bool ProgressDialog::onCommand(int id, int code, HWND /*control*/)
{
    switch (id) {
    case IDCANCEL:
        if (run_->finished()) {
            endWith(converter::RunEnd::Closed);
        } else if (stopButton_.isEnabled()) {
            // Escape and the close box send this command even while the button is
            // disabled; a stop already under way must not restart its ten seconds.
            if (!confirmStop()) {
                return true;
            }
            run_->requestStop(); // a paused converter is resumed first
            stopButton_.enable(false);
            if (times_.paused()) {
                times_.resume(GetTickCount());
                controls_.showPaused(false);
            }
            controls_.enableRunControls(false);
        }
        return true;
    case IDC_PROGRESS_DETAILS:
        layout_.setDetailsCollapsed(!layout_.detailsCollapsed());
        return true;
    case IDC_PROGRESS_OPEN_LOG:
        ShellExecuteW(nullptr, nullptr, logPath_.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
        return true;
    default:
        return onAddedCommand(id, code);
    }
}

bool ProgressDialog::onNotify(const NMHDR& header, LRESULT& result)
{
    if (header.idFrom != IDC_PROGRESS_MESSAGES) {
        return false;
    }
    if (header.code == LVN_COLUMNCLICK) {
        sortByColumn(reinterpret_cast<const NMLISTVIEW&>(header).iSubItem);
        result = 0;
        return true;
    }
    if (header.code == LVN_GETDISPINFOW && run_ != nullptr) {
        // The list asks for a cell it paints (or that is read back through it).
        auto& info = reinterpret_cast<NMLVDISPINFOW&>(const_cast<NMHDR&>(header));
        const converter::MessageStore& rows = run_->messages();
        const converter::FilteredRows& shown = listCommands_.shown();
        if (info.item.iItem >= 0 && static_cast<size_t>(info.item.iItem) < shown.size()) {
            const size_t row = shown.storeIndex(static_cast<size_t>(info.item.iItem));
            // The shown types are also the image indexes: Info 0, Warn 1, Error 2.
            const int type = static_cast<int>(rows.type(row));
            const std::wstring_view text = info.item.iSubItem == 0 ? std::wstring_view(typeNames_[type])
                : info.item.iSubItem == 1                          ? rows.page(row)
                                                                   : rows.description(row);
            win::ListView::answerDisplayInfo(info, text, type);
        }
        result = 0;
        return true;
    }
    if (header.code == LVN_KEYDOWN) {
        listCommands_.onKeyDown(reinterpret_cast<const NMLVKEYDOWN&>(header), run_ != nullptr ? &run_->messages() : nullptr);
        result = 0;
        return true;
    }
    return false;
}

bool ProgressDialog::onMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    switch (message) {
    case kMsgTakeUpdate:
        if (run_ != nullptr) {
            if (const std::optional<converter::RunUpdate> update = run_->takeUpdate()) {
                showUpdate(*update);
            }
        }
        return true;
    case WM_NCHITTEST:
        result = DefWindowProcW(hwnd_, message, wParam, lParam);
        if (layout_.detailsCollapsed() && result >= HTTOP && result <= HTBOTTOMRIGHT) {
            result = HTBORDER;
        }
        return true;
    case WM_SIZING:
        layout_.onSizing(wParam, *reinterpret_cast<RECT*>(lParam));
        result = TRUE;
        return true;
    case WM_SIZE:
        layout_.onSize(wParam);
        return false;
    case WM_QUERYENDSESSION:
        result = run_ != nullptr && !run_->finished() ? FALSE : TRUE;
        return true;
    case WM_ENDSESSION:
        if (wParam != FALSE && run_ != nullptr && !run_->finished()) {
            stopForSessionEnd();
        }
        return true;
    case WM_TIMER:
        refreshTimeLine();
        return true;
    case WM_CONTEXTMENU:
        if (reinterpret_cast<HWND>(wParam) != messages_.hwnd()) {
            return false;
        }
        listCommands_.showMenu(POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)}, run_ != nullptr ? &run_->messages() : nullptr);
        return true;
    case WM_DPICHANGED:
        onDpiChanged(HIWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
        return true;
    case WM_DESTROY:
        onClosing();
        if (blocksShutdown_) {
            ShutdownBlockReasonDestroy(hwnd_);
            blocksShutdown_ = false;
        }
        if (run_ != nullptr) {
            run_->windowEnded();
        }
        return false;
    default:
        if (message == win::TaskbarButton::buttonCreatedMessage() && run_ != nullptr) {
            run_->taskbarButtonCreated();
            return true;
        }
        return onAddedMessage(message, wParam);
    }
}

// ---------------------------------------------------------------------------------------
// What the run hands over

void ProgressDialog::showUpdate(const converter::RunUpdate& update)
{
    showOutput(update);
    if (update.abortOffered) {
        offerAbort();
    }
    if (update.outcome && !goOnAfterRun(&*update.outcome)) {
        showFinalState(*update.outcome);
    }
    if (update.startFailed && !goOnAfterRun(nullptr)) {
        endWith(converter::RunEnd::NotStarted);
    }
}

void ProgressDialog::showOutput(const converter::RunUpdate& batch)
{
    times_.take(batch);
    if (batch.positionSet || batch.rangeSet) {
        refreshTimeLine();
    }
    if (batch.rangeSet) {
        progressBar_.setRange(batch.range);
    }
    if (batch.positionSet) {
        progressBar_.setPosition(batch.position);
    }
    if (batch.statusSet) {
        status_.setText(batch.status);
    }
    if (batch.warningTextSet) {
        control(IDC_PROGRESS_WARNING_COUNT).setText(batch.warningText);
    }
    if (batch.errorTextSet) {
        control(IDC_PROGRESS_ERROR_COUNT).setText(batch.errorText);
    }
    if (batch.showWarningCounter) {
        control(IDC_PROGRESS_WARNING_COUNT).show(SW_SHOWNORMAL);
        control(IDC_PROGRESS_WARNING_ICON).show(SW_SHOWNORMAL);
    }
    if (batch.showErrorCounter) {
        control(IDC_PROGRESS_ERROR_COUNT).show(SW_SHOWNORMAL);
        control(IDC_PROGRESS_ERROR_ICON).show(SW_SHOWNORMAL);
    }
    if (batch.showWarningCounter || batch.showErrorCounter) {
        UpdateWindow(hwnd_);
    }
    // The rows are in the run's storage already: the list learns their number, while
    // output keeps flowing at most every kListRefreshMilliseconds (each new number costs
    // the list its scroll bar; rows below the visible ones need no paint).
    rowsUncounted_ = rowsUncounted_ || !batch.rows.empty();
    if (rowsUncounted_ && (!batch.moreComing || GetTickCount() - rowsCountedTick_ >= kListRefreshMilliseconds)) {
        countRows();
    }
}

void ProgressDialog::countRows()
{
    messages_.setRowCount(listCommands_.takeNewRows(run_->messages()));
    rowsUncounted_ = false;
    rowsCountedTick_ = GetTickCount();
}

void ProgressDialog::offerAbort()
{
    stopButton_.setText(base::loadString(IDS_ABORT));
    stopButton_.enable(true);
}

void ProgressDialog::showFinalState(const converter::RunOutcome& outcome)
{
    if (rowsUncounted_) {
        countRows();
    }
    animation_.close();
    animation_.show(SW_HIDE);
    progressBar_.setPosition(outcome.totalPages);
    progressBar_.enable(false);

    stopButton_.setText(base::loadString(IDS_OK));
    stopButton_.send(BM_SETSTYLE, BS_DEFPUSHBUTTON, TRUE);
    stopButton_.enable(true);
    SetFocus(stopButton_.hwnd());
    // Only a log that holds the whole run is offered; a failed one was said in the list.
    if (outcome.logComplete) {
        control(IDC_PROGRESS_OPEN_LOG).enable(true);
    }
    status_.setText(finalStatusText(outcome));
    UpdateWindow(hwnd_);
    noticeRunEnd(outcome);
}

void ProgressDialog::showNextRun(const std::wstring& title, const std::wstring& logPath)
{
    title_ = title;
    logPath_ = logPath;
    SetWindowTextW(hwnd_, title_.c_str());
    status_.setText(statusText_);
    progressBar_.setRange(100);
    progressBar_.setPosition(0);
    for (int id : {IDC_PROGRESS_WARNING_COUNT, IDC_PROGRESS_WARNING_ICON, IDC_PROGRESS_ERROR_COUNT, IDC_PROGRESS_ERROR_ICON}) {
        control(id).show(SW_HIDE);
    }
    listCommands_.clear();
    messages_.setRowCount(0);
    rowsUncounted_ = false;
    times_.start(GetTickCount());
    controls_.showPaused(false);
    controls_.enableRunControls(true);
    refreshTimeLine();
    sortColumn_ = -1;
    sortDirection_ = 1;
    stopButton_.setText(stopText_);
    stopButton_.enable(true);
    control(IDC_PROGRESS_OPEN_LOG).enable(false);
}

} // namespace ui
