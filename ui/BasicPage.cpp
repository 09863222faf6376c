#include "ui/BasicPage.h"

#include <commdlg.h>
#include <shlwapi.h>

#include <utility>
#include <vector>

#include "options/ArgumentQuoting.h"
#include "queue/QueuedDocument.h"
#include "ui/DocumentListDialog.h"
#include "ui/FileDialogs.h"
#include "base/StringTable.h"
#include "win/Handle.h"

namespace ui {

std::wstring BasicPage::inputText() const
{
    return options::withoutSurroundingQuotes(control(IDC_BASIC_INPUT).text());
}

std::wstring BasicPage::outputText() const
{
    return options::withoutSurroundingQuotes(control(IDC_BASIC_OUTPUT).text());
}

void BasicPage::setInputFile(const std::wstring& path)
{
    control(IDC_BASIC_INPUT).setText(path);
    if (outputText().empty()) {
        control(IDC_BASIC_OUTPUT).setText(queue::deriveOutputName(path));
    }
}

bool BasicPage::onInit()
{
    controls_.attach(hwnd());
    options_.fillLists();
    options_.applyArguments(arguments_);
    for (int i = 0; i < 2; ++i) {
        labels_[i] = win::Window(GetWindow(item(i == 0 ? IDC_BASIC_INPUT : IDC_BASIC_OUTPUT), GW_HWNDPREV)).text();
    }
    browseText_ = control(IDC_BASIC_INPUT_BROWSE).text();
    if (showsSeveral()) {
        showSeveralBoxes(pendingOutputFolder_);
        return true;
    }

    const auto& files = arguments_.fileArguments();
    if (!files.empty()) {
        control(IDC_BASIC_INPUT).setText(files[0]);
        win::Edit(item(IDC_BASIC_INPUT)).setReadOnly(true);
        control(IDC_BASIC_INPUT_BROWSE).enable(false);
    }
    if (files.size() >= 2) {
        control(IDC_BASIC_OUTPUT).setText(files[1]);
    } else if (files.size() == 1) {
        control(IDC_BASIC_OUTPUT).setText(queue::deriveOutputName(files[0]));
    } else {
        control(IDC_BASIC_OUTPUT).setText(std::wstring());
    }
    return true;
}

void BasicPage::showDocuments(std::vector<std::wstring> inputs, const std::wstring& outputFolder)
{
    const bool wasSeveral = showsSeveral();
    documents_ = std::move(inputs);
    if (hwnd() == nullptr) {
        pendingOutputFolder_ = outputFolder;
        return;
    }
    if (showsSeveral()) {
        showSeveralBoxes(outputFolder);
        return;
    }
    if (wasSeveral) {
        showSingleBoxes();
    }
    if (documents_.size() == 1) {
        control(IDC_BASIC_INPUT).setText(documents_.front());
        control(IDC_BASIC_OUTPUT).setText(queue::queuedOutputPath(outputFolder, documents_.front()));
    }
}

void BasicPage::showSeveralBoxes(const std::wstring& outputFolder)
{
    const std::wstring count = std::to_wstring(documents_.size());
    control(IDC_BASIC_INPUT).setText(base::formatString(IDS_DOCUMENT_COUNT, {count}));
    win::Edit(item(IDC_BASIC_INPUT)).setReadOnly(true);
    control(IDC_BASIC_INPUT_BROWSE).setText(base::loadString(IDS_DOCUMENT_LIST_BUTTON));
    control(IDC_BASIC_INPUT_BROWSE).enable(true);
    control(IDC_BASIC_OUTPUT).setText(outputFolder);
    SendMessageW(item(IDC_BASIC_OUTPUT), EM_SETCUEBANNER, TRUE,
        reinterpret_cast<LPARAM>(base::loadString(IDS_BESIDE_EACH_DOCUMENT).c_str()));
    const std::pair<int, UINT> labels[] = {{IDC_BASIC_INPUT, IDS_INPUT_FILES_LABEL}, {IDC_BASIC_OUTPUT, IDS_OUTPUT_FOLDER_LABEL}};
    for (const auto& [box, text] : labels) {
        // The label before the box, as wide as the room up to the box.
        const HWND label = GetWindow(item(box), GW_HWNDPREV);
        SetWindowTextW(label, base::loadString(text).c_str());
        const RECT labelRect = win::Window(label).rectInParent();
        const RECT boxRect = win::Window(item(box)).rectInParent();
        SetWindowPos(label, nullptr, 0, 0, boxRect.left - labelRect.left - 1, labelRect.bottom - labelRect.top,
            SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

void BasicPage::showSingleBoxes()
{
    win::Edit(item(IDC_BASIC_INPUT)).setReadOnly(false);
    control(IDC_BASIC_INPUT_BROWSE).setText(browseText_);
    SendMessageW(item(IDC_BASIC_OUTPUT), EM_SETCUEBANNER, TRUE, reinterpret_cast<LPARAM>(L""));
    SetWindowTextW(GetWindow(item(IDC_BASIC_INPUT), GW_HWNDPREV), labels_[0].c_str());
    SetWindowTextW(GetWindow(item(IDC_BASIC_OUTPUT), GW_HWNDPREV), labels_[1].c_str());
}

void BasicPage::showDocumentList()
{
    DocumentListDialog list(documents_);
    if (list.show(hwnd()) != IDOK) {
        return;
    }
    const std::wstring folder = outputText();
    showDocuments(list.documents(), folder);
    if (documents_.empty()) {
        control(IDC_BASIC_INPUT).setText(std::wstring());
        control(IDC_BASIC_OUTPUT).setText(std::wstring());
    }
}

void BasicPage::browseOutputFolder()
{
    if (const auto folder = chooseFolder(hwnd(), base::loadString(IDS_PICK_OUTPUT_FOLDER), outputText())) {
        control(IDC_BASIC_OUTPUT).setText(*folder);
    }
}

void BasicPage::enableAutoComplete()
{
    SHAutoComplete(item(IDC_BASIC_INPUT), SHACF_FILESYSTEM);
    SHAutoComplete(item(IDC_BASIC_OUTPUT), SHACF_FILESYSTEM);
}

bool BasicPage::onCommand(int id, int code, HWND control)
{
    if (code == EN_CHANGE && (id == IDC_BASIC_INPUT || id == IDC_BASIC_OUTPUT)) {
        dropPastedQuotes(win::Edit(control));
        if (filesChanged_) {
            filesChanged_();
        }
        return true;
    }
    if (code != BN_CLICKED) {
        return false;
    }
    switch (id) {
    case IDC_BASIC_INPUT_BROWSE:
        showsSeveral() ? showDocumentList() : browseInput();
        return true;
    case IDC_BASIC_OUTPUT_BROWSE:
        showsSeveral() ? browseOutputFolder() : browseOutput();
        return true;
    default:
        return false;
    }
}

void BasicPage::browseInput()
{
    const auto path = chooseFile(hwnd(), false, IDS_FILTER_INPUT, L"pdf", OFN_FILEMUSTEXIST, inputText());
    if (path) {
        setInputFile(*path);
    }
}

void BasicPage::browseOutput()
{
    const auto path = chooseFile(hwnd(), true, IDS_FILTER_OUTPUT, L"djvu", OFN_HIDEREADONLY, outputText());
    if (path) {
        control(IDC_BASIC_OUTPUT).setText(*path);
    }
}

} // namespace ui
