// What a confirmed settings sheet hands to the main loop: the documents to convert, one
// or several, with the same options.
#pragma once

#include <vector>

#include "queue/QueuedDocument.h"

namespace app {

struct ConversionRequest {
    // One document: the single run (its output and log as typed on the sheet). Two or
    // more: converted one after another in one window.
    std::vector<queue::QueuedDocument> documents;
    // Files handed over after the sheet was confirmed, made by the recipe: they join the
    // documents, checked against them as a queue checks a document joining it.
    std::vector<queue::QueuedDocument> arrivals;
    queue::QueueRecipe recipe; // makes the documents that join later
    bool openAfterConversion = false;
};

} // namespace app
