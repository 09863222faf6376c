// A queue's documents not yet converted, kept per user while it runs (settings/
// PendingQueueStore), so that a queue ended by a crash or a log-off is offered again at
// the next start. A running queue holds a named mutex of its own: a stored queue whose
// mutex nobody holds was ended before it could remove itself.
#pragma once

#include <string>
#include <vector>

#include "queue/QueueOutcome.h"
#include "queue/QueuedDocument.h"
#include "win/Handle.h"

namespace queue {

class QueueJournal {
public:
    explicit QueueJournal(bool openAfterConversion);
    ~QueueJournal();
    QueueJournal(const QueueJournal&) = delete;
    QueueJournal& operator=(const QueueJournal&) = delete;

    // Stores the documents that are still to be converted (or converting).
    void store(const std::vector<QueuedDocument>& documents, const std::vector<DocumentResult>& results);
    // The queue ended as the user saw it: nothing is kept.
    void clear();

private:
    std::wstring id_;
    win::UniqueHandle running_;
    bool openAfterConversion_;
};

// Queues of this user that were ended before they could remove themselves, taken from the
// store (another front end starting at the same time does not get them too).
struct UnfinishedQueue {
    std::vector<QueuedDocument> documents; // those whose input still exists
    std::vector<std::wstring> missing;     // inputs that no longer exist
    bool openAfterConversion = false;
};
UnfinishedQueue takeUnfinishedQueues();

} // namespace queue
