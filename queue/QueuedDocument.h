// The documents of a conversion, one or several converted in one go with the same
// options: what each one needs to run, the recipe that makes those for documents joining
// later, how their outputs and logs are named, and the setup of one document's run.
#pragma once

#include <windows.h>

#include <set>
#include <string>
#include <vector>

#include "converter/ConversionRun.h"
#include "win/Handle.h"

namespace queue {

// One document to convert.
struct QueuedDocument {
    std::wstring input;              // full path (one document: as typed on the sheet)
    std::wstring output;             // full path (one document: as typed on the sheet)
    std::wstring converterArguments; // the options and the quoted file names
    std::wstring logPath;            // this document's own log; empty: no log
    bool replaceOutput = false;      // the user agreed to replace its existing output (" --force")
    bool skip = false;               // its output exists and the user chose to keep it
};

// How every document of a queue is made from its input: the same options, the output
// beside the document or in one folder, a log of its own.
struct QueueRecipe {
    std::wstring parameterText;  // the options as composed on the sheet, without file names
    std::wstring outputFolder;   // empty: each output beside its document
    std::wstring logPath;        // the configured log path, expanded; empty: no logs
    bool replaceExisting = false; // the sheet's answer for the outputs it asked about (only those)
};

// The input path cut at its extension (as PathFindExtensionW finds it) plus ".djvu".
std::wstring deriveOutputName(const std::wstring& inputPath);

// The output of a document: named after it, beside the document or in the folder.
std::wstring queuedOutputPath(const std::wstring& outputFolder, const std::wstring& input);

// A document's own log: the configured log with "-<document name>" before its extension
// ("_korvello.log" and "report.pdf" give "_korvello-report.log"). A name in used (upper
// case) takes the document's extension too, then a number; the name chosen joins used.
std::wstring documentLogPath(const std::wstring& configuredLog, const std::wstring& input, std::set<std::wstring>& used);

// The log a run writes when another run holds the one it was given: " (number)" before
// the extension ("_korvello.log" and 2 give "_korvello (2).log"; a document's own log is
// never named so).
std::wstring numberedLogPath(const std::wstring& log, int number);

// Adds the logs of the documents to used (as documentLogPath keeps them).
void addUsedLogs(const std::vector<QueuedDocument>& documents, std::set<std::wstring>& used);

// A document of the recipe: its output, its log, the options and its quoted file names.
// A document whose output exists is skipped (nobody agreed to replace it yet).
QueuedDocument makeQueuedDocument(const QueueRecipe& recipe, const std::wstring& input, std::set<std::wstring>& usedLogs);

// The converter's arguments of a document: " --force" added when it may replace its output.
std::wstring runArguments(const QueuedDocument& document);

// One document's run as the converter is started for it: a fresh kill event, the command
// line (the converter beside frontEndPath) and its log created. Owns the log's handle.
// setup.logPath names the log written: a numbered one when another run holds the
// document's log.
struct PreparedRun {
    converter::RunSetup setup;
    win::UniqueHandle logFile;
};
PreparedRun prepareRun(const QueuedDocument& document, const std::wstring& frontEndPath);

} // namespace queue
