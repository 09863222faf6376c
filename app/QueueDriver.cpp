#include "app/QueueDriver.h"

#include "converter/ConversionRun.h"
#include "ui/QueueProgressDialog.h"
#include "ui/QueueSummaryDialog.h"
#include "win/FileSystem.h"

namespace app {

namespace {

// Documents that arrived after the queue's window had closed, or were never taken: they
// are reported not converted, so that none is lost.
void appendUnrun(std::vector<ui::DocumentResult>& results, const std::vector<options::QueuedDocument>& documents)
{
    for (const options::QueuedDocument& document : documents) {
        ui::DocumentResult result;
        result.input = document.input;
        result.output = document.output;
        result.logPath = document.logPath;
        result.outcome = document.skip ? ui::DocumentOutcome::Skipped : ui::DocumentOutcome::NotConverted;
        results.push_back(result);
    }
}

} // namespace

QueueResult runQueue(const ConversionRequest& request, const RunDriverServices& services, QueueArrivals* arrivals)
{
    std::vector<ui::DocumentResult> results;
    {
        converter::ConversionRun run;
        ui::QueueProgressDialog dialog(request.documents, services.frontEndPath);
        if (arrivals != nullptr) {
            arrivals->setListener([&dialog, arrivals] { dialog.append(arrivals->take()); });
        }
        results = dialog.runAll(run);
        if (arrivals != nullptr) {
            arrivals->setListener(nullptr);
            appendUnrun(results, arrivals->take());
        }
    }

    QueueResult queue;
    queue.endProgram = true;
    for (const ui::DocumentResult& result : results) {
        if (!ui::documentDone(result.outcome)) {
            queue.endProgram = false;
            queue.notConverted.push_back(result.input);
        }
    }
    if (request.openAfterConversion) {
        for (const ui::DocumentResult& result : results) {
            if (ui::QueueSummaryDialog::outputMade(result.outcome)) {
                services.openOutput(win::folderOf(result.output));
                break;
            }
        }
    }
    ui::QueueSummaryDialog summary(std::move(results), services.openOutput);
    summary.show(nullptr);
    return queue;
}

} // namespace app
