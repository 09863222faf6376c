// The Basic page (template 107): input and output file names and the nine most used
// converter options. The option rules live in options::BasicOptions; this page owns
// the file names and the file dialogs; outputs are named as queue/ names them.
#pragma once

#include <windows.h>

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "options/ArgumentSet.h"
#include "ui/DialogOptionControls.h"
#include "ui/FileDialogs.h"
#include "options/OptionEngine.h"
#include "res/resource.h"
#include "win/Dialog.h"

namespace ui {

class BasicPage : public win::PropertyPage {
public:
    explicit BasicPage(options::ArgumentSet& arguments) : arguments_(arguments) {}


    // Puts the path into the input box and, when the output box is empty, the output
    // name derived from it into the output box.
    void setInputFile(const std::wstring& path);

    // Several documents: the input box names their number with their list one click
    // away, and the output box holds the folder for the DjVu files (empty: beside each
    // document). One document: the boxes as for a file given at start. Before the page
    // exists, what its first showing shows.
    void showDocuments(std::vector<std::wstring> inputs, const std::wstring& outputFolder);
    bool showsSeveral() const { return documents_.size() >= 2; }
    const std::vector<std::wstring>& documents() const { return documents_; }

    // The boxes as typed, without quotes around a pasted path (the settings sheet
    // validates them). With several documents the output box is the output folder.
    std::wstring inputText() const;
    std::wstring outputText() const;

    // Called after the user changed a file box.
    void setFilesChangedHandler(std::function<void()> handler) { filesChanged_ = std::move(handler); }

    // The page's options and quoted file names, as the command-line composer reads them.
    options::BasicOptions& options() { return options_; }
    // File-system autocompletion for both file boxes (called by the sheet once shown).
    void enableAutoComplete();

private:
    bool onInit() override;
    bool onCommand(int id, int code, HWND control) override;

    void browseInput();
    void browseOutput();
    void showDocumentList();
    void browseOutputFolder();
    void showSeveralBoxes(const std::wstring& outputFolder);
    void showSingleBoxes();

    options::ArgumentSet& arguments_;
    ui::DialogOptionControls controls_;
    options::BasicOptions options_{controls_};
    std::vector<std::wstring> documents_;
    std::wstring pendingOutputFolder_; // shown with the documents at the first showing
    std::wstring labels_[2];           // the input and output labels for one document
    std::wstring browseText_;          // the input button's text for one document
    std::function<void()> filesChanged_;
};

} // namespace ui
