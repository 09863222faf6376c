#include "app/QueueDriver.h"

#include "converter/ConversionRun.h"
#include "queue/QueueRun.h"
#include "ui/QueueProgressDialog.h"
#include "ui/QueueSummaryDialog.h"
#include "win/FileSystem.h"

namespace app {

namespace {

// The queue's end: the folder of the first converted document opened once when asked
// for, then the summary over the queue's window (owner) unless it is not wanted.
void endQueue(HWND owner, const std::vector<queue::DocumentResult>& results, const ConversionRequest& request,
    const RunDriverServices& services, bool showSummary = true)
{
    if (request.openAfterConversion) {
        for (const queue::DocumentResult& result : results) {
            if (queue::outputMade(result.outcome)) {
                services.openOutput(win::folderOf(result.output));
                break;
            }
        }
    }
    if (showSummary) { // not when the user chose to close the window when done
        ui::QueueSummaryDialog summary(results, services.openOutput);
        summary.show(owner);
    }
}

} // namespace

QueueResult runQueue(const ConversionRequest& request, const RunDriverServices& services, QueueArrivals* arrivals)
{
    std::vector<queue::DocumentResult> results;
    bool ended = false; // the summary has been shown, or the session ends
    {
        converter::ConversionRun run;
        queue::QueueRun queue(request.documents, services.frontEndPath);
        queue::QueueJournal journal(request.openAfterConversion);
        queue.setJournal(&journal);
        queue.append(request.arrivals);
        ui::QueueProgressDialog dialog(queue);
        if (arrivals != nullptr) {
            arrivals->setListener([&queue, arrivals] { queue.append(arrivals->take()); });
        }
        queue.setQueueEnded([&](const std::vector<queue::DocumentResult>& shown) {
            // Documents arriving from now on run on their own.
            if (arrivals != nullptr) {
                arrivals->setListener(nullptr);
            }
            ended = true;
            endQueue(dialog.hwnd(), shown, request, services, !dialog.closesWhenDone());
        });
        queue.run(run, dialog);
        ended = ended || queue.sessionEnding();
        if (arrivals != nullptr) {
            // Documents that arrived after the queue's window had closed, or were never
            // taken: reported not converted, so that none is lost.
            arrivals->setListener(nullptr);
            queue.addNotRun(arrivals->take());
        }
        results = queue.results();
    }
    if (!ended) {
        endQueue(nullptr, results, request, services);
    }

    QueueResult result;
    result.endProgram = true;
    for (const queue::DocumentResult& document : results) {
        if (!queue::documentDone(document.outcome)) {
            result.endProgram = false;
            result.notConverted.push_back(document.input);
        }
    }
    return result;
}

} // namespace app
