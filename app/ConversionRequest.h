// What a confirmed settings sheet hands to the run driver.
#pragma once

#include <string>

namespace app {

struct ConversionRequest {
    std::wstring quotedOutputPath;   // the output file in double quotes, as on the command line
    std::wstring converterArguments; // the complete converter argument text, file names included
    std::wstring logPath;       // empty: no log
    bool openAfterConversion = false;
};

} // namespace app
