// The checks made on the documents of a conversion when the user confirms, free of
// windows: each document checked as one is (FileChecks), and no two writing one output.
// One document is a list of one.
#pragma once

#include <string>
#include <vector>

#include "queue/FileChecks.h"
#include "queue/QueuedDocument.h"

namespace queue {

struct QueueCheck {
    FileCheck refusal;                // a refusal of them all (a missing output folder)
    std::vector<FileCheck> checks;    // each document's own check, in order
    std::vector<size_t> refused;      // documents that cannot be converted
    std::wstring refusedText;         // one line each: the document's name and why
    std::vector<size_t> existing;     // documents whose output exists
};

// Checks every document as the sheet checks one, and that no two share an output.
// frontEndPath and the kill event's longest name give the command line's length.
QueueCheck checkQueue(const std::vector<QueuedDocument>& documents, const std::wstring& outputFolder,
    const std::wstring& frontEndPath);

// Why a document joining a running queue cannot be converted (empty: it can): the checks
// of one document, and its output, input and log against those of every document of the
// queue. An output that exists is no refusal: the document is then skipped, as nobody
// agreed to replace it.
std::wstring arrivalProblem(const std::vector<QueuedDocument>& queued, const QueuedDocument& arrival,
    const std::wstring& frontEndPath);

} // namespace queue
