// The settings sheet's documents: one in the input box, or several shown as a set;
// files dropped or handed over, and the confirm of several documents.
#include "ui/SettingsSheet.h"

#include <shellapi.h>

#include <set>

#include "res/resource.h"
#include "queue/DocumentGathering.h"
#include "queue/QueueCheck.h"
#include "win/FileSystem.h"
#include "win/Module.h"

namespace ui {

namespace {

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

options::FileNames SettingsSheet::composedFileNames() const
{
    // Several documents: the command line of the first stands for them all.
    if (basic_.showsSeveral()) {
        const std::wstring& first = basic_.documents().front();
        return options::FileNames{first, queue::queuedOutputPath(basic_.outputText(), first)};
    }
    return options::FileNames{basic_.inputText(), basic_.outputText()};
}

std::vector<std::wstring> SettingsSheet::shownDocuments() const
{
    if (basic_.showsSeveral()) {
        return basic_.documents();
    }
    // A name given relative to the working folder is shown in full among the others.
    std::vector<std::wstring> documents;
    if (const std::wstring input = basic_.inputText(); !input.empty()) {
        documents.push_back(win::fullPath(input));
    }
    return documents;
}

bool SettingsSheet::takesNewcomers() const
{
    // One document whose output is not the name derived from it: the user chose it, and
    // several documents would lose it.
    if (basic_.hwnd() == nullptr || basic_.showsSeveral()) {
        return true;
    }
    const std::wstring input = basic_.inputText();
    const std::wstring output = basic_.outputText();
    return input.empty() || output.empty() || win::pathKey(output) == win::pathKey(queue::deriveOutputName(input));
}

void SettingsSheet::setTakesNewcomersHandler(std::function<void(bool)> handler)
{
    basic_.setFilesChangedHandler([this, handler = std::move(handler)] { handler(takesNewcomers()); });
}

void SettingsSheet::addDocuments(const std::vector<std::wstring>& paths)
{
    if (confirming_) {
        waiting_.insert(waiting_.end(), paths.begin(), paths.end());
        return;
    }
    if (!takesNewcomers()) {
        notTaken_.insert(notTaken_.end(), paths.begin(), paths.end());
        return;
    }
    joinDocuments(gatherShown(paths));
}

std::vector<std::wstring> SettingsSheet::gatherShown(const std::vector<std::wstring>& paths)
{
    queue::GatheredDocuments gathered = queue::gatherDocuments(paths);
    for (const std::wstring& folder : gathered.emptyFolders) {
        messageBox_(hwnd(), MB_OK | MB_ICONINFORMATION, IDS_NO_DOCUMENTS_IN_FOLDER, {folder});
    }
    return std::move(gathered.files);
}

void SettingsSheet::joinDocuments(const std::vector<std::wstring>& paths)
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

void SettingsSheet::onDropFiles(HDROP drop)
{
    // One file dropped on one document is the input; anything else joins the documents
    // shown (a folder gives the documents inside it).
    std::vector<std::wstring> dropped = droppedFiles(drop);
    DragFinish(drop);
    const bool oneFile = dropped.size() == 1 && !win::isDirectory(dropped.front());
    if (oneFile && !basic_.showsSeveral()) {
        basic_.setInputFile(dropped.front());
        composer_.refreshGeneratedCommandLine();
        return;
    }
    joinDocuments(gatherShown(dropped));
}

bool SettingsSheet::confirmSeveral()
{
    const settings::GuiSettings chosen = misc_.settings();
    queue::QueueRecipe recipe;
    recipe.parameterText = composer_.composeParameterText(true);
    const std::wstring folder = basic_.outputText();
    recipe.outputFolder = folder.empty() ? folder : win::fullPath(folder);
    recipe.logPath = chosen.runLogPath();
    std::set<std::wstring> usedLogs;
    std::vector<queue::QueuedDocument> documents;
    for (const std::wstring& input : basic_.documents()) {
        documents.push_back(queue::makeQueuedDocument(recipe, input, usedLogs));
    }

    const queue::QueueCheck check = queue::checkQueue(documents, recipe.outputFolder, win::modulePath());
    if (check.refusal.verdict == queue::FileVerdict::Refuse) {
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
        failAt(queue::CheckPage::Basic, IDC_BASIC_INPUT);
        return false;
    }
    if (!check.existing.empty()) {
        const int answer = messageBox_(hwnd(), MB_YESNOCANCEL | MB_ICONQUESTION, IDS_OUTPUTS_EXIST,
            {std::to_wstring(check.existing.size()), std::to_wstring(documents.size())});
        if (answer != IDYES && answer != IDNO) {
            failAt(queue::CheckPage::Basic, IDC_BASIC_OUTPUT);
            return false;
        }
        // Made without leave to replace, those documents are to be skipped; Yes replaces.
        recipe.replaceExisting = answer == IDYES;
        for (const size_t index : check.existing) {
            documents[index].skip = !recipe.replaceExisting;
            documents[index].replaceOutput = recipe.replaceExisting;
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

} // namespace ui
