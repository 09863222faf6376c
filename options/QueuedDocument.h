// Several documents converted in one go with the same options: what each one needs
// to run, and the recipe that makes those for documents joining later.
#pragma once

#include <string>

namespace options {

// One document of a queue.
struct QueuedDocument {
    std::wstring input;              // full path
    std::wstring output;             // full path
    std::wstring converterArguments; // the options, the quoted file names and " --force" when replacing
    std::wstring logPath;            // this document's own log; empty: no log
    bool skip = false;               // its output exists and the user chose to keep it
};

// How every document of a queue is made from its input: the same options, the output
// beside the document or in one folder, a log of its own, existing outputs replaced or kept.
struct QueueRecipe {
    std::wstring parameterText;  // the options as composed on the sheet, without file names
    std::wstring outputFolder;   // empty: each output beside its document
    std::wstring logPath;        // the configured log path, expanded; empty: no logs
    bool replaceExisting = false;
};

} // namespace options
