#include "ui/SettingsSheet.h"

#include <commctrl.h>
#include <shellapi.h>
#include <shlwapi.h>

#include <cstring>
#include <set>

#include "converter/ConverterContract.h"
#include "options/ArgumentQuoting.h"
#include "settings/SettingsStore.h"
#include "ui/DocumentQueue.h"
#include "ui/FileChecks.h"
#include "ui/HistoryMenu.h"
#include "res/resource.h"
#include "win/ErrorMessage.h"
#include "win/FileSystem.h"
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

// The dropped files, in their order.
std::vector<std::wstring> droppedFiles(HDROP drop)
{
    std::vector<std::wstring> files;
    const UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
    for (UINT i = 0; i < count; ++i) {
        const UINT length = DragQueryFileW(drop, i, nullptr, 0);
        std::wstring path(length + 1, L'\0');
        if (length > 0 && DragQueryFileW(drop, i, path.data(), length + 1) == length) {
            path.resize(length);
            files.push_back(std::move(path));
        }
    }
    return files;
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

options::FileNames SettingsSheet::composedFileNames() const
{
    // Several documents: the command line of the first stands for them all.
    if (basic_.showsSeveral()) {
        const std::wstring& first = basic_.documents().front();
        return options::FileNames{first, queuedOutputPath(basic_.outputText(), first)};
    }
    return options::FileNames{basic_.inputText(), basic_.outputText()};
}

std::vector<std::wstring> SettingsSheet::shownDocuments() const
{
    if (basic_.showsSeveral()) {
        return basic_.documents();
    }
    std::vector<std::wstring> documents;
    if (const std::wstring input = basic_.inputText(); !input.empty()) {
        documents.push_back(input);
    }
    return documents;
}

void SettingsSheet::addDocuments(const std::vector<std::wstring>& paths)
{
    std::vector<std::wstring> documents = shownDocuments();
    const bool wasSeveral = basic_.showsSeveral();
    std::set<std::wstring> known;
    for (const std::wstring& document : documents) {
        known.insert(win::pathKey(document));
    }
    for (const std::wstring& path : paths) {
        if (known.insert(win::pathKey(path)).second) {
            documents.push_back(path);
        }
    }
    if (documents.size() < 2) {
        if (documents.size() == 1 && basic_.inputText().empty()) {
            basic_.setInputFile(documents.front());
        }
        return;
    }
    // One document's own output name becomes the folder it was to be written to, unless
    // that is the document's own folder.
    std::wstring folder = basic_.outputText();
    if (!wasSeveral) {
        const std::wstring output = folder;
        folder.clear();
        if (!output.empty() && !win::sameFile(win::folderOf(output), win::folderOf(documents.front()))) {
            folder = win::folderOf(output);
        }
    }
    basic_.showDocuments(std::move(documents), folder);
    composer_.refreshGeneratedCommandLine();
}

SettingsSheet::~SettingsSheet() = default;

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

void SettingsSheet::onDropFiles(HDROP drop)
{
    // Files dropped together replace the documents; one file is the input.
    std::vector<std::wstring> files = droppedFiles(drop);
    DragFinish(drop);
    if (files.size() >= 2) {
        basic_.showDocuments(std::move(files), basic_.showsSeveral() ? basic_.outputText() : std::wstring());
        composer_.refreshGeneratedCommandLine();
    } else if (files.size() == 1) {
        if (basic_.showsSeveral()) {
            basic_.showDocuments(std::move(files), std::wstring());
        } else {
            basic_.setInputFile(files.front());
        }
        composer_.refreshGeneratedCommandLine();
    }
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
    if (basic_.showsSeveral()) {
        return confirmSeveral();
    }
    converterArguments_ = composer_.composeCommandLine(true);
    const settings::GuiSettings chosen = misc_.settings();
    logPath_ = chosen.runLogPath();
    quotedOutputPath_ = options::quotedArgument(basic_.outputText());
    openAfterConversion_ = chosen.openAfterConversion;

    if (!validate()) {
        return false;
    }

    storeChoices(chosen);
    documents_.inputs.clear();
    queued_.clear();
    // Documents handed over after this confirm join it with the same options.
    recipe_ = options::QueueRecipe{composer_.composeParameterText(true), std::wstring(), logPath_, false};
    arguments_.setFileArgument(0, basic_.inputText());
    arguments_.setFileArgument(1, basic_.outputText());
    confirmed_ = true;
    return true;
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

bool SettingsSheet::confirmSeveral()
{
    const settings::GuiSettings chosen = misc_.settings();
    options::QueueRecipe recipe;
    recipe.parameterText = composer_.composeParameterText(true);
    const std::wstring folder = basic_.outputText();
    recipe.outputFolder = folder.empty() ? folder : win::fullPath(folder);
    recipe.logPath = chosen.runLogPath();
    std::set<std::wstring> usedLogs;
    std::vector<options::QueuedDocument> documents;
    for (const std::wstring& input : basic_.documents()) {
        documents.push_back(makeQueuedDocument(recipe, input, usedLogs));
    }

    const QueueCheck check = checkQueue(documents, recipe.outputFolder, win::modulePath());
    if (check.refusal.verdict == FileVerdict::Refuse) {
        messageBox_(hwnd(), MB_OK | MB_ICONERROR, check.refusal.stringId, {check.refusal.insert});
        failAt(check.refusal.page, check.refusal.controlId);
        return false;
    }
    if (!check.refused.empty()) {
        const std::vector<std::wstring> inserts = {
            std::to_wstring(check.refused.size()), std::to_wstring(documents.size()), check.refusedText};
        if (messageBox_(hwnd(), MB_YESNO | MB_ICONERROR, IDS_DOCUMENTS_REFUSED, inserts) == IDYES) {
            leaveOut(check.refused);
        }
        failAt(CheckPage::Basic, IDC_BASIC_INPUT);
        return false;
    }
    if (!check.existing.empty()) {
        const int answer = messageBox_(hwnd(), MB_YESNOCANCEL | MB_ICONQUESTION, IDS_OUTPUTS_EXIST,
            {std::to_wstring(check.existing.size()), std::to_wstring(documents.size())});
        if (answer != IDYES && answer != IDNO) {
            failAt(CheckPage::Basic, IDC_BASIC_OUTPUT);
            return false;
        }
        // Made without leave to replace, those documents are to be skipped; Yes replaces.
        recipe.replaceExisting = answer == IDYES;
        for (const size_t index : check.existing) {
            if (recipe.replaceExisting) {
                documents[index].skip = false;
                documents[index].converterArguments += converter::kForceOption;
            }
        }
    }

    storeChoices(chosen);
    documents_.inputs = basic_.documents();
    documents_.outputFolder = folder;
    queued_ = std::move(documents);
    recipe_ = std::move(recipe);
    logPath_ = recipe_.logPath;
    openAfterConversion_ = chosen.openAfterConversion;
    confirmed_ = true;
    return true;
}

void SettingsSheet::leaveOut(const std::vector<size_t>& refused)
{
    std::vector<std::wstring> kept;
    const std::vector<std::wstring>& documents = basic_.documents();
    for (size_t i = 0, next = 0; i < documents.size(); ++i) {
        if (next < refused.size() && refused[next] == i) {
            ++next;
        } else {
            kept.push_back(documents[i]);
        }
    }
    basic_.showDocuments(std::move(kept), basic_.outputText());
    composer_.refreshGeneratedCommandLine();
}

bool SettingsSheet::validate()
{
    ConfirmFiles files;
    files.input = basic_.inputText();
    files.output = basic_.outputText();
    files.logPath = logPath_;
    files.commandLineLength = converter::converterCommandLine(win::modulePath(),
        converter::killEventName(UINT64_MAX), converterArguments_).size();
    files.converterArguments = converterArguments_;

    const FileCheck check = checkFiles(files);
    switch (check.verdict) {
    case FileVerdict::Accept:
        return true;
    case FileVerdict::Refuse:
        messageBox_(hwnd(), MB_OK | MB_ICONERROR, check.stringId, {check.insert});
        failAt(check.page, check.controlId);
        return false;
    case FileVerdict::AskOverwrite:
        if (messageBox_(hwnd(), MB_YESNO | MB_ICONQUESTION, check.stringId, {check.insert}) != IDYES) {
            failAt(check.page, check.controlId);
            return false;
        }
        converterArguments_ += converter::kForceOption;
        return true;
    }
    return false;
}

void SettingsSheet::failAt(CheckPage page, int controlId)
{
    if (page == CheckPage::Misc) {
        showPage(kMiscPageIndex);
        SetFocus(misc_.item(controlId));
    } else if (page == CheckPage::Basic) {
        showPage(kBasicPageIndex);
        SetFocus(basic_.item(controlId));
    }
}

} // namespace ui
