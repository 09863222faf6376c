// Several documents converted one after another with the same options.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "app/ConversionRequest.h"
#include "app/RunDriver.h"

namespace app {

// Documents joining a running queue (handed over by other front ends); UI thread only.
class QueueArrivals {
public:
    virtual ~QueueArrivals() = default;
    // onArrival is called on the UI thread (inside the dialog's message loop) whenever
    // documents arrived; the queue then calls take(). Null: no more calls.
    virtual void setListener(std::function<void()> onArrival) = 0;
    virtual std::vector<options::QueuedDocument> take() = 0;
};

struct QueueResult {
    bool endProgram = false;                // every document converted (skipped ones count)
    std::vector<std::wstring> notConverted; // inputs failed, cancelled or never reached (not skipped), in order
};

QueueResult runQueue(const ConversionRequest& request, const RunDriverServices& services, QueueArrivals* arrivals);

} // namespace app
