// The documents of queues that have not ended, kept per user under the settings key
// ("Queues\<id>"), so that a queue ended by a crash or a log-off can be offered again at
// the next start. Every failure is silent, as for the other settings.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace settings {

// One document of a queue as stored: what its run needs.
struct PendingDocument {
    std::wstring input;
    std::wstring output;
    std::wstring converterArguments;
    std::wstring logPath;
    bool replaceOutput = false;
    bool operator==(const PendingDocument&) const = default;
};

struct PendingQueue {
    std::wstring id;
    std::vector<PendingDocument> documents;
    bool openAfterConversion = false;
};

class PendingQueueStore {
public:
    // The queues under HKCU\settingsKeyPath()\Queues.
    PendingQueueStore();

    // Replaces the stored documents of the queue (none: the queue is removed).
    void write(const PendingQueue& queue) const;
    void remove(const std::wstring& id) const;
    std::vector<std::wstring> ids() const;
    // The stored queue of that id; empty documents when there is none or it is unreadable.
    PendingQueue read(const std::wstring& id) const;

private:
    std::wstring keyPath_;
};

} // namespace settings
