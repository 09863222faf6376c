// One conversion: the renderer's passes make the pages' images (and their text and
// links), the page pipeline encodes each page as it comes, the shape coder codes the
// marks of groups of pages, the structure pass reads the book's outline, labels and
// information, and the finished pages are bundled, given that structure, and the bundle
// renamed to the output at the end. A failure or a stop ends every tool and removes every file of
// the run. Exit codes are those of Failure.h.
#pragma once

#include "reference/ConsoleLines.h"
#include "reference/Options.h"
#include "reference/PagePipeline.h"
#include "reference/RenderPasses.h"
#include "reference/ShapeGroupCoder.h"
#include "reference/StructurePass.h"
#include "reference/host/ToolHost.h"
#include "reference/page/PagePlan.h"

#include <windows.h>

#include <string>

namespace reference {

class Conversion {
public:
    Conversion(const Options& options, ToolHost& host, const std::wstring& work, const std::wstring& part,
        HANDLE stop);

    // The exit code (ends the process itself after a failure or a stop).
    int run();

private:
    void convert();
    void bundle();
    void finish();
    [[noreturn]] void abandon(int code);

    const Options& options_;
    ToolHost& host_;
    std::wstring work_;
    std::wstring part_;
    HANDLE stop_;
    PageFiles files_;
    PagePlanner planner_;
    ConsoleLines console_;
    RenderPasses renderer_;
    ShapeGroupCoder shapes_;
    PagePipeline pages_;
    StructurePass structure_; // the outline, page labels and information
};

} // namespace reference
