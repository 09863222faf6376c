// The converter's command line: the options the front end's pages write, the kill
// event, the input and output files and --force.
#pragma once

#include "reference/text/TextLayer.h"

#include <string>
#include <vector>

namespace reference {

struct Options {
    std::wstring killEvent;
    std::wstring input;
    std::wstring output;
    bool force = false;

    int dpi = 300;
    int thresholdLevel = 80;
    std::string fgQuality = "lossless";
    int bgSubsample = 3;
    int quality = 65;
    TextLevel text = TextLevel::Words;
    bool noSpaces = false;        // --nosep: no blanks between the words of a text line
    bool separate = false;        // --fgbg-sep: pages of pictures only are separated too (their dark pixels are marks)
    bool convertLinks = false;    // --convert-links: the document's links as DjVu map areas
    bool ignoreColorProfiles = false;
    int fgColors = 256;
    int fgImageColors = 256;
    int pagesPerDict = 1;         // pages sharing a shape dictionary
    std::wstring bgSlices;
    std::wstring resourceDir;
    std::string renderingIntent;  // --pdf: "printed" or "screen"

    std::vector<std::wstring> ignored; // options read but not carried out (named in a notice)
    std::wstring problem;              // a usage error, empty when the line is good
};

// Reads the arguments (without the program name).
Options parseOptions(const std::vector<std::wstring>& arguments);

} // namespace reference
