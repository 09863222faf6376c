// The Miscellaneous page (template 109): the generated command line, the additional
// parameters, the processing-log settings and the open-after switch. It holds the
// command-line composer over the Basic and Advanced pages.
#pragma once

#include <windows.h>

#include <string>

#include "options/ArgumentSet.h"
#include "options/CommandLineComposer.h"
#include "ui/DialogCommandLineBoxes.h"
#include "settings/SettingsStore.h"
#include "res/resource.h"
#include "win/Dialog.h"

namespace ui {

class MiscPage : public win::PropertyPage {
public:
    // The sheet's composer writes into boxes, which the page attaches to its own
    // "Additional Parameters" and "Generated Command Line" boxes.
    MiscPage(options::ArgumentSet& arguments, options::CommandLineComposer& composer,
        ui::DialogCommandLineBoxes& boxes)
        : arguments_(arguments), composer_(composer), boxes_(boxes)
    {
    }

    // What the page shows: the log path (pasted quotes removed; stored back with the
    // type the stored path had), the log switch and the open-after switch.
    settings::GuiSettings settings() const;
    // File-system autocompletion for the log file box (called by the sheet once shown).
    void enableAutoComplete();

private:
    bool onInit() override;
    bool onCommand(int id, int code, HWND control) override;
    bool onSetActive() override;

    void updateLogControls() const;
    void browseLogFile();

    options::ArgumentSet& arguments_;
    options::CommandLineComposer& composer_;
    ui::DialogCommandLineBoxes& boxes_;
    win::Edit commandLineBox_;
    win::Edit additionalBox_;
    win::Edit logPathBox_;
    win::CheckBox logBox_;
    win::CheckBox openAfterBox_;
    // The stored log path held environment references (REG_EXPAND_SZ).
    bool logPathExpandable_ = false;
};

} // namespace ui
