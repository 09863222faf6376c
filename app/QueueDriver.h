// Carries out a confirmed queue: several documents converted one after another with the
// same options in one progress window, documents joining while it runs, and a summary
// at the end.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "app/ConversionRequest.h"
#include "app/RunDriver.h"
#include "queue/QueuedDocument.h"

namespace app {

// Documents joining a running queue (handed over by other front ends); UI thread only.
class QueueArrivals {
public:
    virtual ~QueueArrivals() = default;
    // onArrival is called on the UI thread (inside the dialog's message loop) whenever
    // documents arrived; the queue then calls take(). Null: no more calls.
    virtual void setListener(std::function<void()> onArrival) = 0;
    virtual std::vector<queue::QueuedDocument> take() = 0;
};

struct QueueResult {
    bool endProgram = false;                  // every document converted (skipped ones count)
    std::vector<std::wstring> notConverted;   // inputs failed, cancelled or never reached (not skipped), in order
};

// Runs request.documents (and the arrivals, which may be null) in order behind one
// progress window, then shows the summary. With "open after conversion" the folder of the
// first converted document is opened once (services.openOutput), which also opens what
// the summary is asked to open. The converter lies beside services.frontEndPath.
QueueResult runQueue(const ConversionRequest& request, const RunDriverServices& services, QueueArrivals* arrivals);

} // namespace app
