// Several documents converted with the same options: each one's output, log and
// converter arguments, and the checks made on them all when the user confirms, free of
// windows.
#pragma once

#include <set>
#include <string>
#include <vector>

#include "options/QueuedDocument.h"
#include "ui/FileChecks.h"

namespace ui {

// The output of a document: named as the sheet derives it, beside the document or in
// the folder.
std::wstring queuedOutputPath(const std::wstring& outputFolder, const std::wstring& input);

// A document's own log: the configured log with "-<document name>" before its extension
// ("_korvello.log" and "report.pdf" give "_korvello-report.log"). A name in used (upper
// case) takes the document's extension too, then a number; the name chosen joins used.
std::wstring documentLogPath(const std::wstring& configuredLog, const std::wstring& input, std::set<std::wstring>& used);

// A document of the recipe: its output, its log, the options and its quoted file names.
// An existing output is replaced (" --force") when the recipe says so, else skipped.
options::QueuedDocument makeQueuedDocument(const options::QueueRecipe& recipe, const std::wstring& input,
    std::set<std::wstring>& usedLogs);

struct QueueCheck {
    FileCheck refusal;                // a refusal of them all (a missing output folder)
    std::vector<size_t> refused;      // documents that cannot be converted
    std::wstring refusedText;         // one line each: the document's name and why
    std::vector<size_t> existing;     // documents whose output exists
};

// Checks every document as the sheet checks one, and that no two share an output.
// frontEndPath and the kill event's longest name give the command line's length.
QueueCheck checkQueue(const std::vector<options::QueuedDocument>& documents, const std::wstring& outputFolder,
    const std::wstring& frontEndPath);

} // namespace ui
