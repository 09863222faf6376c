// The settings sheet of one pass of the main loop: the Basic, Advanced and
// Miscellaneous pages, the command-line composer over them, the History button and
// popup, dropped files, the checks made on OK, storing the settings and the history,
// and the conversion request.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "options/ArgumentSet.h"
#include "options/CommandLineComposer.h"
#include "ui/DialogCommandLineBoxes.h"
#include "settings/ParameterHistory.h"
#include "settings/SettingsStore.h"
#include "queue/FileChecks.h"
#include "queue/QueuedDocument.h"
#include "ui/AdvancedPage.h"
#include "ui/BasicPage.h"
#include "ui/MiscPage.h"
#include "win/Dialog.h"
#include "win/Handle.h"

namespace ui {

// The documents of a sheet for several at once, kept across the passes of the main loop
// (a queue that did not convert them all brings back those it did not).
struct DocumentSelection {
    std::vector<std::wstring> inputs; // two or more: several documents (else the file arguments count)
    std::wstring outputFolder;        // empty: each DjVu file beside its document
};

// Where the sheet's top-left corner goes so that its centre meets the reference
// rectangle's centre, kept inside the work area.
POINT centredPosition(const RECT& sheet, const RECT& reference, const RECT& workArea);

class SettingsSheet : public win::PropertySheetBase {
public:
    // documents: kept by the caller across sheets; null: this sheet's own.
    explicit SettingsSheet(options::ArgumentSet& arguments, DocumentSelection* documents = nullptr);
    ~SettingsSheet() override;

    // Shows the sheet modally. 1: confirmed with OK; anything else: cancelled, closed
    // or failed.
    INT_PTR show(HWND owner);

    // The conversion request of a confirmed sheet: the converter's whole argument text
    // (options, the quoted file names and, when the user agreed to replace the output,
    // " --force"), the output file in double quotes, the log path (empty: no log).
    std::wstring converterArguments() const;
    const std::wstring& quotedOutputPath() const { return quotedOutputPath_; }
    const std::wstring& logPath() const { return logPath_; }
    bool openAfterConversion() const { return openAfterConversion_; }
    // The documents confirmed, one or several: each one to convert (or to skip) and the
    // recipe for documents joining later; empty before a confirm.
    const std::vector<queue::QueuedDocument>& queuedDocuments() const { return queued_; }
    const queue::QueueRecipe& queueRecipe() const { return recipe_; }

    // Files handed over by other front ends join the documents shown (none twice). While
    // OK is being checked they wait; those that came during the confirming check are
    // handed back by lateDocuments.
    // A sheet of one document whose output name the user chose takes none: they are kept
    // for takeNotTaken (each is to get a front end of its own), and the handler set by
    // setTakesNewcomersHandler hears whether the sheet takes newcomers whenever the file
    // boxes change.
    void addDocuments(const std::vector<std::wstring>& paths);
    const std::vector<std::wstring>& lateDocuments() const { return waiting_; }
    std::vector<std::wstring> takeNotTaken() { return std::exchange(notTaken_, {}); }
    bool takesNewcomers() const;
    void setTakesNewcomersHandler(std::function<void(bool)> handler);

    BasicPage& basicPage() { return basic_; }
    AdvancedPage& advancedPage() { return advanced_; }
    MiscPage& miscPage() { return misc_; }
    options::CommandLineComposer& composer() { return composer_; }
    const settings::ParameterHistory& history() const { return history_; }

    // Message boxes of the OK check: (owner, style, string id, insert) -> MessageBoxW
    // result. The default shows them; tests answer them.
    using MessageBoxFunction = std::function<int(HWND, UINT, UINT, const std::vector<std::wstring>&)>;
    void setMessageBoxFunction(MessageBoxFunction function) { messageBox_ = std::move(function); }
    // Called once, from the sheet's message loop, after the first-show steps are done.
    void setShownHandler(std::function<void(SettingsSheet&)> handler) { shownHandler_ = std::move(handler); }

protected:
    void onShown() override;
    void onVisible() override;
    bool onApply() override;
    bool onCommand(int id, int code, HWND control) override;
    void onDropFiles(HDROP drop) override;
    void onTimer(UINT_PTR id) override;

private:
    void centre();
    void setIcons();
    void createHistoryButton();
    void onHistoryCommand(UINT command);
    bool validate(queue::QueuedDocument& document);
    bool confirmOne();
    bool confirmSeveral();
    void leaveOut(const std::vector<size_t>& refused);
    // The documents in dropped or handed-over paths; a folder without any is named.
    std::vector<std::wstring> gatherShown(const std::vector<std::wstring>& paths);
    // The files join the documents shown, each once.
    void joinDocuments(const std::vector<std::wstring>& paths);
    void storeChoices(const settings::GuiSettings& chosen);
    options::FileNames composedFileNames() const;
    // Several documents shown, or the one in the input box (none when it is empty).
    std::vector<std::wstring> shownDocuments() const;
    // Shows the page of the box to fix and puts the focus into it.
    void failAt(queue::CheckPage page, int controlId);

    options::ArgumentSet& arguments_;
    BasicPage basic_;
    AdvancedPage advanced_;
    ui::DialogCommandLineBoxes boxes_;
    options::CommandLineComposer composer_;
    MiscPage misc_;
    settings::ParameterHistory history_;
    std::wstring logPath_;
    std::wstring quotedOutputPath_;
    bool openAfterConversion_ = false;
    DocumentSelection ownDocuments_;
    DocumentSelection& documents_;
    std::vector<queue::QueuedDocument> queued_;
    queue::QueueRecipe recipe_;

    HWND historyButton_ = nullptr;
    win::UniqueIcon largeIcon_;
    win::UniqueIcon smallIcon_;
    bool confirmed_ = false;
    bool confirming_ = false;
    std::vector<std::wstring> waiting_; // handed over while OK was checked
    std::vector<std::wstring> notTaken_; // handed over to a sheet that takes no newcomer
    MessageBoxFunction messageBox_;
    std::function<void(SettingsSheet&)> shownHandler_;
};

} // namespace ui
