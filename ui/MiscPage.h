// The Miscellaneous page (template 109): the generated command line, the additional
// parameters, the processing-log settings and the open-after switch. It holds the
// command-line composer over the Basic and Advanced pages.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "options/ArgumentProvider.h"
#include "options/ArgumentSet.h"
#include "options/CommandLineComposer.h"
#include "options/DialogCommandLineBoxes.h"
#include "settings/SettingsStore.h"
#include "ui/res/resource.h"
#include "win/Dialog.h"

namespace ui {

class MiscPage : public win::PropertyPage {
public:
    // providers: the Basic page first, then the Advanced page.
    MiscPage(options::ArgumentSet& arguments, std::vector<options::ArgumentProvider*> providers)
        : arguments_(arguments), composer_(std::move(providers), boxes_)
    {
    }

    HPROPSHEETPAGE create() { return createPage(IDD_MISC_PAGE); }

    options::CommandLineComposer& composer() { return composer_; }

    // The log file box's text (pasted quotes removed), stored back with the type the
    // stored path had; logEnabled() says whether a log is written.
    settings::StoredPath logPath() const;
    bool logEnabled() const;
    bool openAfterConversion() const;
    // File-system autocompletion for the log file box (called by the sheet once shown).
    void enableAutoComplete();

private:
    bool onInit() override;
    bool onCommand(int id, int code, HWND control) override;
    bool onSetActive() override;

    void updateLogControls() const;
    void browseLogFile();

    options::ArgumentSet& arguments_;
    options::DialogCommandLineBoxes boxes_;
    options::CommandLineComposer composer_;
    win::Edit commandLineBox_;
    win::Edit additionalBox_;
    win::Edit logPathBox_;
    win::CheckBox logBox_;
    win::CheckBox openAfterBox_;
    // The stored log path held environment references (REG_EXPAND_SZ).
    bool logPathExpandable_ = false;
};

} // namespace ui
