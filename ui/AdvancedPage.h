// The Advanced page (template 108): the less common converter options, the
// "--bg-slices" override and the folder of CID-keyed fonts and CMaps. The option
// rules (including the enabling rule) live in options::AdvancedOptions.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

#include "options/ArgumentSet.h"
#include "ui/DialogOptionControls.h"
#include "options/OptionEngine.h"
#include "res/resource.h"
#include "win/Dialog.h"

namespace ui {

class AdvancedPage : public win::PropertyPage {
public:
    explicit AdvancedPage(options::ArgumentSet& arguments) : arguments_(arguments) {}

    // The page's options, as the command-line composer reads them.
    options::AdvancedOptions& options() { return options_; }

    // File-system autocompletion for the slices and resource folder fields. The sheet
    // calls it once it has been painted: loading the completion object takes longer
    // than everything else the page does.
    void enableAutoComplete();

private:
    bool onInit() override;
    bool onCommand(int id, int code, HWND control) override;

    void browseResourceFolder();

    options::ArgumentSet& arguments_;
    ui::DialogOptionControls controls_;
    options::AdvancedOptions options_{controls_};
};

} // namespace ui
