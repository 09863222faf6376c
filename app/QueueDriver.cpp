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

// The queue's end: the folder of the first converted document opened once when asked
// for, then the summary over the queue's window (owner).
void endQueue(HWND owner, const std::vector<ui::DocumentResult>& results, const ConversionRequest& request,
    const RunDriverServices& services)
{
    if (request.openAfterConversion) {
        for (const ui::DocumentResult& result : results) {
            if (ui::QueueSummaryDialog::outputMade(result.outcome)) {
                services.openOutput(win::folderOf(result.output));
                break;
            }
        }
    }
    ui::QueueSummaryDialog summary(results, services.openOutput);
    summary.show(owner);
}

} // namespace

QueueResult runQueue(const ConversionRequest& request, const RunDriverServices& services, QueueArrivals* arrivals)
{
    std::vector<ui::DocumentResult> results;
    bool ended = false; // the summary has been shown, or the session ends
    {
        converter::ConversionRun run;
        ui::QueueProgressDialog dialog(request.documents, services.frontEndPath);
        if (arrivals != nullptr) {
            arrivals->setListener([&dialog, arrivals] { dialog.append(arrivals->take()); });
        }
        dialog.setQueueEnded([&](HWND window, const std::vector<ui::DocumentResult>& shown) {
            // Documents arriving from now on run on their own.
            if (arrivals != nullptr) {
                arrivals->setListener(nullptr);
            }
            ended = true;
            endQueue(window, shown, request, services);
        });
        results = dialog.runAll(run);
        ended = ended || dialog.sessionEnding();
        if (arrivals != nullptr) {
            arrivals->setListener(nullptr);
            appendUnrun(results, arrivals->take());
        }
    }
    if (!ended) {
        endQueue(nullptr, results, request, services);
    }

    QueueResult queue;
    queue.endProgram = true;
    for (const ui::DocumentResult& result : results) {
        if (!ui::documentDone(result.outcome)) {
            queue.endProgram = false;
            queue.notConverted.push_back(result.input);
        }
    }
    return queue;
}

} // namespace app
