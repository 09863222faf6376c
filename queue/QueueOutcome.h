// What became of each document of a queue: the queue's run fills it, the summary shows
// it.
#pragma once

#include <string>

namespace queue {

enum class DocumentOutcome {
    NotConverted, // never reached: the whole queue was stopped first (or the window failed)
    Converted,
    ConvertedWithWarnings,
    Failed,
    Skipped,      // its output existed and was kept; not run
    Cancelled,    // stopped by the user while it ran
};

struct DocumentResult {
    std::wstring input;
    std::wstring output;
    std::wstring logPath;  // empty: no log
    DocumentOutcome outcome = DocumentOutcome::NotConverted;
    int warningCount = 0;
    int errorCount = 0;
    bool logComplete = false; // the log holds the document's whole run
    std::wstring problem;     // why a document failed before its converter ran; empty otherwise
};

// Converted (with or without warnings) or skipped: nothing is left to do for it.
inline bool documentDone(DocumentOutcome outcome)
{
    return outcome == DocumentOutcome::Converted || outcome == DocumentOutcome::ConvertedWithWarnings
        || outcome == DocumentOutcome::Skipped;
}

// The documents whose output is there to open: converted, with or without warnings.
inline bool outputMade(DocumentOutcome outcome)
{
    return outcome == DocumentOutcome::Converted || outcome == DocumentOutcome::ConvertedWithWarnings;
}

} // namespace queue
