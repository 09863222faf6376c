#include "ui/SettingsSheet.h"

#include <commctrl.h>
#include <shellapi.h>
#include <shlwapi.h>

#include <cstring>
#include <utility>

#include "converter/ConverterContract.h"
#include "options/ArgumentQuoting.h"
#include "settings/SettingsStore.h"
#include "queue/QueueCheck.h"
#include "ui/HistoryMenu.h"
#include "res/resource.h"
#include "win/ErrorMessage.h"
#include "win/Module.h"
#include "base/StringTable.h"

namespace ui {

namespace {

static_assert(IDS_APP_TITLE == win::kAppTitleStringId, "message boxes are titled with the application title");

constexpr int kHistoryButtonLeft = 7;
// A zero-delay timer: timers come after painting, so the completion objects are
// loaded once the sheet is on the screen.
constexpr UINT_PTR kAutoCompleteTimer = 0x4B2;
constexpr int kBasicPageIndex = 0;
constexpr int kMiscPageIndex = 2;

int defaultMessageBox(HWND owner, UINT style, UINT stringId, const std::vector<std::wstring>& inserts)
{
    const std::vector<base::MessageArg> arguments(inserts.begin(), inserts.end());
    return win::showMessageText(owner, style, base::formatMessageText(base::loadString(stringId), arguments));
}

} // namespace

POINT centredPosition(const RECT& sheet, const RECT& reference, const RECT& workArea)
{
    const LONG width = sheet.right - sheet.left;
    const LONG height = sheet.bottom - sheet.top;
    POINT position = {};
    position.x = (reference.left + reference.right) / 2 - width / 2;
    position.y = (reference.top + reference.bottom) / 2 - height / 2;
    if (position.x < workArea.left) {
        position.x = workArea.left;
    } else if (position.x + width > workArea.right) {
        position.x = workArea.right - width;
    }
    if (position.y < workArea.top) {
        position.y = workArea.top;
    } else if (position.y + height > workArea.bottom) {
        position.y = workArea.bottom - height;
    }
    return position;
}

SettingsSheet::SettingsSheet(options::ArgumentSet& arguments, DocumentSelection* documents)
    : arguments_(arguments),
      basic_(arguments),
      advanced_(arguments),
      composer_({&basic_.options(), &advanced_.options()}, boxes_, [this] { return composedFileNames(); }),
      misc_(arguments, composer_, boxes_),
      documents_(documents != nullptr ? *documents : ownDocuments_),
      messageBox_(&defaultMessageBox)
{
    if (documents_.inputs.size() >= 2) {
        basic_.showDocuments(documents_.inputs, documents_.outputFolder);
    }
}

INT_PTR SettingsSheet::show(HWND owner)
{
    const INT_PTR result = runModal(owner, base::loadString(IDS_APP_TITLE),
        {{&basic_, IDD_BASIC_PAGE}, {&advanced_, IDD_ADVANCED_PAGE}, {&misc_, IDD_MISC_PAGE}});
    historyButton_ = nullptr;
    // The platform may report "no changes" for an OK; the confirm procedure is what counts.
    return confirmed_ ? 1 : result;
}

bool SettingsSheet::onCommand(int id, int code, HWND control)
{
    if (id == IDC_SHEET_HISTORY && code == BN_CLICKED && control == historyButton_ && historyButton_ != nullptr) {
        trackHistoryMenu(history_, historyButton_, hwnd());
        return true;
    }
    if (id >= IDM_HISTORY_REVERT && id <= IDM_HISTORY_LAST && code == 0 && control == nullptr) {
        onHistoryCommand(static_cast<UINT>(id));
        return true;
    }
    return false;
}

void SettingsSheet::onTimer(UINT_PTR id)
{
    if (id == kAutoCompleteTimer) {
        killTimer(kAutoCompleteTimer);
        basic_.enableAutoComplete();
        advanced_.enableAutoComplete();
        misc_.enableAutoComplete();
    }
}

void SettingsSheet::onShown()
{
    centre();
    setIcons();
    acceptDrops(arguments_.fileArgumentCount() == 0);
    createHistoryButton();

    settings::SettingsStore store;
    store.open();
    history_.load(store);
    store.close();

    if (arguments_.optionCount() == 0 && !history_.empty()) {
        composer_.applyParameterText(*history_.newest());
    }
}

void SettingsSheet::onVisible()
{
    setTimer(kAutoCompleteTimer, 0);
    if (shownHandler_) {
        const auto handler = std::move(shownHandler_);
        shownHandler_ = nullptr;
        handler(*this);
    }
}

void SettingsSheet::centre()
{
    RECT workArea = {};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &workArea, 0);
    RECT reference = workArea;
    const HWND sheetWindow = hwnd();
    const HWND owner = GetWindow(sheetWindow, GW_OWNER);
    if (owner != nullptr && IsWindowVisible(owner) && !IsIconic(owner)) {
        GetWindowRect(owner, &reference);
    }
    RECT sheetRect = {};
    GetWindowRect(sheetWindow, &sheetRect);
    const POINT position = centredPosition(sheetRect, reference, workArea);
    SetWindowPos(sheetWindow, nullptr, position.x, position.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void SettingsSheet::setIcons()
{
    const HWND sheetWindow = hwnd();
    const HINSTANCE module = win::moduleInstance();
    largeIcon_.reset(static_cast<HICON>(LoadImageW(module, MAKEINTRESOURCEW(IDI_APP), IMAGE_ICON,
        GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON), LR_DEFAULTCOLOR)));
    smallIcon_.reset(static_cast<HICON>(LoadImageW(module, MAKEINTRESOURCEW(IDI_APP), IMAGE_ICON,
        GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), LR_DEFAULTCOLOR)));
    SendMessageW(sheetWindow, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(largeIcon_.get()));
    SendMessageW(sheetWindow, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon_.get()));
}

void SettingsSheet::createHistoryButton()
{
    const HWND sheetWindow = hwnd();
    const HWND ok = GetDlgItem(sheetWindow, IDOK);
    if (ok == nullptr) {
        return;
    }
    const RECT rect = win::Window(ok).rectInParent();
    historyButton_ = CreateWindowExW(0, L"BUTTON", base::loadString(IDS_HISTORY_BUTTON).c_str(),
        WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, kHistoryButtonLeft, rect.top, rect.right - rect.left,
        rect.bottom - rect.top, sheetWindow, reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_SHEET_HISTORY)),
        win::moduleInstance(), nullptr);
    if (historyButton_ != nullptr) {
        const auto font = static_cast<WPARAM>(SendMessageW(sheetWindow, WM_GETFONT, 0, 0));
        SendMessageW(historyButton_, WM_SETFONT, font, TRUE);
    }
}

void SettingsSheet::onHistoryCommand(UINT command)
{
    if (command == IDM_HISTORY_REVERT) {
        composer_.applyParameterText(L"");
        return;
    }
    if (const auto entry = history_.entryForCommand(command)) {
        composer_.applyParameterText(*entry);
    }
}

bool SettingsSheet::onApply()
{
    // The questions asked here keep messages flowing: files handed over meanwhile wait,
    // so that what is checked is what is confirmed.
    confirming_ = true;
    const bool confirmed = basic_.showsSeveral() ? confirmSeveral() : confirmOne();
    confirming_ = false;
    if (!confirmed && !waiting_.empty()) {
        addDocuments(std::exchange(waiting_, {}));
    }
    return confirmed;
}

bool SettingsSheet::confirmOne()
{
    const settings::GuiSettings chosen = misc_.settings();
    queue::QueuedDocument document;
    document.input = basic_.inputText();
    document.output = basic_.outputText();
    document.converterArguments = composer_.composeCommandLine(true);
    document.logPath = chosen.runLogPath();
    logPath_ = document.logPath;
    quotedOutputPath_ = options::quotedArgument(document.output);
    openAfterConversion_ = chosen.openAfterConversion;

    if (!validate(document)) {
        return false;
    }

    storeChoices(chosen);
    documents_.inputs.clear();
    queued_ = {document};
    // Documents handed over after this confirm join it with the same options.
    recipe_ = queue::QueueRecipe{composer_.composeParameterText(true), std::wstring(), logPath_, false};
    arguments_.setFileArgument(0, basic_.inputText());
    arguments_.setFileArgument(1, basic_.outputText());
    confirmed_ = true;
    return true;
}

std::wstring SettingsSheet::converterArguments() const
{
    return queued_.size() == 1 ? queue::runArguments(queued_.front()) : std::wstring();
}

void SettingsSheet::storeChoices(const settings::GuiSettings& chosen)
{
    // The options are stored once, whatever the number of documents.
    settings::SettingsStore store;
    store.open();
    chosen.save(store);
    history_.addAndStore(composer_.composeParameterText(true), store);
    store.close();
}

bool SettingsSheet::validate(queue::QueuedDocument& document)
{
    const queue::QueueCheck checked = queue::checkQueue({document}, std::wstring(), win::modulePath());
    const queue::FileCheck& check = checked.checks.front();
    switch (check.verdict) {
    case queue::FileVerdict::Accept:
        return true;
    case queue::FileVerdict::Refuse:
        messageBox_(hwnd(), MB_OK | MB_ICONERROR, check.stringId, {check.insert});
        failAt(check.page, check.controlId);
        return false;
    case queue::FileVerdict::AskOverwrite:
        if (messageBox_(hwnd(), MB_YESNO | MB_ICONQUESTION, check.stringId, {check.insert}) != IDYES) {
            failAt(check.page, check.controlId);
            return false;
        }
        document.replaceOutput = true;
        return true;
    }
    return false;
}

void SettingsSheet::failAt(queue::CheckPage page, int controlId)
{
    if (page == queue::CheckPage::Misc) {
        showPage(kMiscPageIndex);
        SetFocus(misc_.item(controlId));
    } else if (page == queue::CheckPage::Basic) {
        showPage(kBasicPageIndex);
        SetFocus(basic_.item(controlId));
    }
}

} // namespace ui
