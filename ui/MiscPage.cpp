#include "ui/MiscPage.h"

#include <commdlg.h>
#include <shlwapi.h>

#include "options/ArgumentQuoting.h"
#include "settings/SettingsStore.h"
#include "ui/FileDialogs.h"

namespace ui {

settings::GuiSettings MiscPage::settings() const
{
    settings::GuiSettings shown;
    shown.logPath = settings::StoredPath{options::withoutSurroundingQuotes(logPathBox_.text()), logPathExpandable_};
    shown.logEnabled = logBox_.isChecked();
    shown.openAfterConversion = openAfterBox_.isChecked();
    return shown;
}

bool MiscPage::onInit()
{
    commandLineBox_ = win::Edit(item(IDC_MISC_COMMAND_LINE));
    additionalBox_ = win::Edit(item(IDC_MISC_ADDITIONAL));
    logPathBox_ = win::Edit(item(IDC_MISC_LOG_PATH));
    logBox_ = win::CheckBox(item(IDC_MISC_LOG_CHECK));
    openAfterBox_ = win::CheckBox(item(IDC_MISC_OPEN_AFTER));
    boxes_.attach(hwnd());

    settings::SettingsStore store;
    store.open();
    settings::GuiSettings stored;
    stored.load(store);
    store.close();
    logPathExpandable_ = stored.logPath.expandable;
    logPathBox_.setText(stored.logPath.text);
    logBox_.setChecked(stored.logEnabled);
    openAfterBox_.setChecked(stored.openAfterConversion);
    updateLogControls();
    composer_.showUnconsumedOptions(arguments_);
    return true;
}

void MiscPage::enableAutoComplete()
{
    SHAutoComplete(logPathBox_.hwnd(), SHACF_FILESYSTEM);
}

bool MiscPage::onCommand(int id, int code, HWND /*control*/)
{
    if (code == EN_CHANGE && id == IDC_MISC_LOG_PATH) {
        dropPastedQuotes(logPathBox_);
        return true;
    }
    if (code != BN_CLICKED) {
        return false;
    }
    switch (id) {
    case IDC_MISC_LOG_CHECK:
        updateLogControls();
        return true;
    case IDC_MISC_LOG_BROWSE:
        browseLogFile();
        return true;
    default:
        return false;
    }
}

bool MiscPage::onSetActive()
{
    composer_.refreshGeneratedCommandLine();
    return true;
}

void MiscPage::updateLogControls() const
{
    const bool enabled = logBox_.isChecked();
    logPathBox_.enable(enabled);
    control(IDC_MISC_LOG_BROWSE).enable(enabled);
    control(IDC_MISC_LOG_LABEL).enable(enabled);
}

void MiscPage::browseLogFile()
{
    const auto path = chooseFile(hwnd(), true, IDS_FILTER_LOG, L"log",
        OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT | OFN_CREATEPROMPT, settings().runLogPath());
    if (path) {
        logPathBox_.setText(*path);
    }
}

} // namespace ui
