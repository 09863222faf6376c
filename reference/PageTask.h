// A page on its way from its rendered image to its finished DjVu page.
#pragma once

#include "reference/Failure.h"
#include "reference/host/ToolHost.h"
#include "reference/page/PagePlan.h"

#include <deque>
#include <memory>
#include <string>

namespace reference {

struct PageTask {
    int page = 0;
    int dpi = 0;
    int width = 0;
    int height = 0;
    std::wstring image;
    bool rerendered = false; // rendered again at a lower resolution (too large for DjVu)
    bool measuring = false;  // its running job renders it again, saying its size first
    std::unique_ptr<PageBands> bands; // rendered in bands (too large for the image budget), joined in memory
    bool bandRunning = false;         // its running job renders its next bands
    int bandsInRun = 0;               // how many, and how many of them are taken in
    int bandsTaken = 0;
    bool planned = false;    // its encoding steps are known
    bool annotated = false;  // its text and links step is known
    bool readingText = false;  // its running job ends with a read of its text
    bool done = false;
    bool waitingForShapes = false; // its marks wait for the rest of its group of pages
    bool assembling = false;       // only the short runs that join its parts are left
    SharedMaskPlan shared;         // what makes the page once its group's shapes are coded
    int dictionary = 0;            // the group whose dictionary file the page includes, 0 for none
    std::deque<Step> steps;
    RunningTool tool;
};

} // namespace reference
