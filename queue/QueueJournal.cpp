#include "queue/QueueJournal.h"

#include <windows.h>

#include "settings/PendingQueueStore.h"
#include "win/FileSystem.h"

namespace queue {

namespace {

std::wstring runningName(const std::wstring& id)
{
    return L"Local\\Korvello_GUI_Queue_" + id;
}

// The performance counter's value with the process id: unique among this user's queues.
std::wstring newQueueId()
{
    LARGE_INTEGER counter = {};
    QueryPerformanceCounter(&counter);
    return std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(counter.QuadPart);
}

} // namespace

QueueJournal::QueueJournal(bool openAfterConversion)
    : id_(newQueueId()), running_(CreateMutexW(nullptr, FALSE, runningName(id_).c_str())),
      openAfterConversion_(openAfterConversion)
{
}

QueueJournal::~QueueJournal() = default;

void QueueJournal::store(const std::vector<QueuedDocument>& documents, const std::vector<DocumentResult>& results)
{
    settings::PendingQueue pending;
    pending.id = id_;
    pending.openAfterConversion = openAfterConversion_;
    for (size_t i = 0; i < documents.size() && i < results.size(); ++i) {
        const QueuedDocument& document = documents[i];
        if (!document.skip && results[i].outcome == DocumentOutcome::NotConverted) {
            pending.documents.push_back(
                {document.input, document.output, document.converterArguments, document.logPath, document.replaceOutput});
        }
    }
    settings::PendingQueueStore().write(pending);
}

void QueueJournal::clear()
{
    settings::PendingQueueStore().remove(id_);
}

UnfinishedQueue takeUnfinishedQueues()
{
    UnfinishedQueue unfinished;
    const settings::PendingQueueStore store;
    for (const std::wstring& id : store.ids()) {
        // Held by its queue while it runs: a queue still running is left alone.
        const win::UniqueHandle claim(CreateMutexW(nullptr, FALSE, runningName(id).c_str()));
        if (!claim || GetLastError() == ERROR_ALREADY_EXISTS) {
            continue;
        }
        const settings::PendingQueue queue = store.read(id);
        store.remove(id);
        unfinished.openAfterConversion = unfinished.openAfterConversion || queue.openAfterConversion;
        for (const settings::PendingDocument& stored : queue.documents) {
            if (!win::pathExists(stored.input)) {
                unfinished.missing.push_back(stored.input);
                continue;
            }
            QueuedDocument document;
            document.input = stored.input;
            document.output = stored.output;
            document.converterArguments = stored.converterArguments;
            document.logPath = stored.logPath;
            document.replaceOutput = stored.replaceOutput;
            unfinished.documents.push_back(std::move(document));
        }
    }
    return unfinished;
}

} // namespace queue
