// What a confirmed settings sheet hands to the run driver.
#pragma once

#include <string>
#include <vector>

#include "options/QueuedDocument.h"

namespace app {

struct ConversionRequest {
    std::wstring quotedOutputPath;   // the output file in double quotes, as on the command line
    std::wstring converterArguments; // the complete converter argument text, file names included
    std::wstring logPath;       // empty: no log
    bool openAfterConversion = false;
    // Two or more documents: converted one after another with the same options (the
    // fields above then describe none of them). Documents that join later are made
    // with the recipe.
    std::vector<options::QueuedDocument> documents;
    options::QueueRecipe recipe;
};

} // namespace app
