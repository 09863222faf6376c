#include "app/RunDriver.h"

#include <shellapi.h>

#include "converter/ConverterContract.h"
#include "options/ArgumentQuoting.h"
#include "res/resource.h"
#include "win/ErrorMessage.h"
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
    if (request.documents.empty()) {
        return false;
    }
    const queue::QueuedDocument& document = request.documents.front();
    const std::wstring quotedOutputPath = options::quotedArgument(document.output);
    queue::PreparedRun prepared = queue::prepareRun(document, services.frontEndPath);
    LaunchSetup setup;
    setup.run = prepared.setup;

    std::unique_ptr<RunLauncher> launcher = services.createLauncher();
    setup.title = progressTitle(quotedOutputPath);
    setup.documentName = win::fileNamePart(document.output);
    setup.statusText = base::loadString(IDS_STARTING_CONVERSION);

    const converter::RunResult result = launcher->launch(setup);

    // The worker has ended: nothing else touches the log any more.
    prepared.logFile.reset();

    bool endProgram = false;
    if (result.end == converter::RunEnd::Closed) {
        if (result.exitCode == converter::kExitSuccess && !result.waitFailed) {
            endProgram = true;
            if (request.openAfterConversion) {
                services.openOutput(quotedOutputPath);
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
