// Entry point: prepares the process, registers the shell verb and runs the main loop.
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>
#include <shellapi.h>

#include <clocale>
#include <string>
#include <vector>

#include "app/Application.h"
#include "app/DocumentCollector.h"
#include "app/ShellVerb.h"
#include "options/ArgumentSet.h"
#include "win/CommandLine.h"

namespace {

std::vector<std::wstring> programArguments()
{
    std::vector<std::wstring> arguments = win::splitCommandLine(GetCommandLineW());
    if (!arguments.empty()) {
        arguments.erase(arguments.begin()); // the program's name
    }
    return arguments;
}

} // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, wchar_t*, int)
{
    // The runtime's wide/multibyte conversions follow the user's settings.
    _wsetlocale(LC_ALL, L"");

    // Written at every start, whatever the arguments, before they are looked at.
    app::registerShellVerb();

    const std::vector<std::wstring> arguments = programArguments();
    if (arguments.size() == 1 && arguments[0] == L"/Install") {
        return 0;
    }

    // The file manager starts one front end per selected file: the first collects them
    // all into one sheet, the others hand their file over and end.
    app::DocumentCollector collector;
    const bool mayCollect = arguments.size() == 1 && !arguments[0].empty() && arguments[0].front() != L'-';
    if (mayCollect && collector.join(arguments[0]) == app::DocumentCollector::Role::HandedOver) {
        return 0;
    }

    const HRESULT comResult = CoInitialize(nullptr);

    INITCOMMONCONTROLSEX bars = {};
    bars.dwSize = sizeof(bars);
    bars.dwICC = ICC_BAR_CLASSES;
    InitCommonControlsEx(&bars);
    // The dialogs also use up-down, progress, list-view and animation controls.
    INITCOMMONCONTROLSEX others = {};
    others.dwSize = sizeof(others);
    others.dwICC = ICC_UPDOWN_CLASS | ICC_PROGRESS_CLASS | ICC_LISTVIEW_CLASSES | ICC_ANIMATE_CLASS
        | ICC_STANDARD_CLASSES | ICC_TAB_CLASSES;
    InitCommonControlsEx(&others);

    int exitCode = 0;
    {
        options::ArgumentSet argumentSet = options::ArgumentSet::fromCommandLine(arguments);
        exitCode = app::runApplication(argumentSet, collector.collecting() ? &collector : nullptr);
    }

    if (SUCCEEDED(comResult)) {
        CoUninitialize();
    }
    return exitCode;
}
