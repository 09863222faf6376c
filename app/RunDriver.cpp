#include "app/RunDriver.h"

#include <shellapi.h>

#include "converter/ConverterContract.h"
#include "converter/RunLog.h"
#include "options/ArgumentQuoting.h"
#include "res/resource.h"
#include "win/ErrorMessage.h"
#include "win/Handle.h"
#include "win/Module.h"
#include "base/StringTable.h"

namespace app {

std::wstring progressTitle(const std::wstring& quotedOutputPath)
{
    // The path was quoted by the platform's argument rules; undo exactly that.
    return base::formatString(IDS_PROGRESS_TITLE, { win::fileNamePart(options::unquotedArgument(quotedOutputPath)) });
}

bool runConversion(const ConversionRequest& request, const RunDriverServices& services)
{
    LaunchSetup setup;
    setup.run.killEventName = converter::newKillEventName();
    const std::wstring frontEndPath = services.frontEndPath.empty() ? win::modulePath() : services.frontEndPath;
    setup.run.commandLine = converter::converterCommandLine(frontEndPath, setup.run.killEventName, request.converterArguments);

    win::UniqueHandle logFile = converter::createRunLog(request.logPath, setup.run.logOpenError);
    setup.run.logFile = logFile.get();
    setup.run.logPath = request.logPath;

    std::unique_ptr<RunLauncher> launcher = services.createLauncher();
    setup.title = progressTitle(request.quotedOutputPath);
    setup.documentName = win::fileNamePart(options::unquotedArgument(request.quotedOutputPath));
    setup.statusText = base::loadString(IDS_STARTING_CONVERSION);

    const converter::RunResult result = launcher->launch(setup);

    // The worker has ended: nothing else touches the log any more.
    logFile.reset();

    bool endProgram = false;
    if (result.end == converter::RunEnd::Closed) {
        if (result.exitCode == converter::kExitSuccess && !result.waitFailed) {
            endProgram = true;
            if (request.openAfterConversion) {
                services.openOutput(request.quotedOutputPath);
            }
        }
    } else if (result.end == converter::RunEnd::NotStarted) {
        services.showError(base::formatString(IDS_OS_ERROR, { base::formatOsErrorText(result.osError) }));
    } else {
        services.showError(base::loadString(IDS_PROCESS_FAILED));
    }
    launcher.reset();
    return endProgram;
}

} // namespace app
