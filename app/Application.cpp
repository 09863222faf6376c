#include "app/Application.h"

#include <shellapi.h>

#include "app/MainLoop.h"
#include "converter/ConversionRun.h"
#include "options/ArgumentSet.h"
#include "ui/ProgressDialog.h"
#include "ui/SettingsSheet.h"
#include "win/ErrorMessage.h"

namespace app {

namespace {

// A run behind the real progress dialog. Constructing it loads langmap.txt.
class ProgressDialogLauncher : public RunLauncher {
public:
    converter::RunResult launch(const LaunchSetup& setup) override
    {
        ui::ProgressDialog dialog(setup.title, setup.statusText, setup.run.logPath);
        dialog.setDocumentName(setup.documentName);
        return run_.run(setup.run, dialog);
    }

private:
    converter::ConversionRun run_;
};

class SheetPass : public SettingsPass {
public:
    explicit SheetPass(options::ArgumentSet& arguments) : sheet_(arguments) {}
    INT_PTR show(HWND owner) override { return sheet_.show(owner); }
    ConversionRequest request() const override
    {
        ConversionRequest request;
        request.logPath = sheet_.logPath();
        request.converterArguments = sheet_.converterArguments();
        request.quotedOutputPath = sheet_.quotedOutputPath();
        request.openAfterConversion = sheet_.openAfterConversion();
        return request;
    }

private:
    ui::SettingsSheet sheet_;
};

} // namespace

RunDriverServices defaultRunDriverServices()
{
    RunDriverServices services;
    services.createLauncher = [] { return std::make_unique<ProgressDialogLauncher>(); };
    services.showError = [](const std::wstring& text) {
        win::showMessageText(nullptr, MB_ICONHAND | MB_SYSTEMMODAL, text);
    };
    services.openOutput = [](const std::wstring& outputPath) {
        ShellExecuteW(nullptr, nullptr, outputPath.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
    };
    return services;
}

int runApplication(options::ArgumentSet& arguments)
{
    const RunDriverServices runServices = defaultRunDriverServices();
    MainLoopServices loop;
    loop.createSheet = [&arguments] { return std::make_unique<SheetPass>(arguments); };
    loop.runConversion = [&runServices](const ConversionRequest& request) {
        return runConversion(request, runServices);
    };
    return runMainLoop(loop);
}

} // namespace app
