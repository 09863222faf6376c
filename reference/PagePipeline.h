// The pages of a conversion: each rendered page taken by a task of its own, encoded by
// its chain of tool runs (as many pages at once as there are workers), given its text
// and links, and reported as "Page N" once it and every page before it is finished (or
// only waits for its group's shapes).
#pragma once

#include "reference/ConsoleLines.h"
#include "reference/Options.h"
#include "reference/PageTask.h"
#include "reference/RenderPasses.h"
#include "reference/ShapeGroupCoder.h"
#include "reference/page/PagePlan.h"

#include <windows.h>

#include <map>
#include <vector>

namespace reference {

class PagePipeline {
public:
    PagePipeline(const Options& options, ToolHost& host, const PagePlanner& planner, const PageFiles& files,
        ConsoleLines& console, RenderPasses& renderer, ShapeGroupCoder& shapes);

    // The first page no task has taken yet.
    int firstWaiting() const { return nextPage_; }
    int workers() const { return workers_; }
    // Starts tasks for rendered pages while workers are free.
    void startPages();
    // One step further for every page; true when something happened.
    bool advance();
    // Prints "Page N" for the pages finished in order.
    void reportFinishedPages();
    // Every rendered page is taken, finished and reported.
    bool allReported() const;
    int reported() const { return reported_; }
    std::map<int, PageTask>& tasks() { return pages_; }
    // The pages' running jobs (for stopping them all).
    std::vector<ToolJob*> jobs() const;
    void clear() { pages_.clear(); }

private:
    std::wstring tool(const std::wstring& path) const { return host_.toolPath(path); }
    bool advancePage(PageTask& task);
    void planPage(PageTask& task);
    void planned(PageTask& task);
    bool renderBands(PageTask& task);
    std::wstring bandFile(const PageTask& task, int band) const;
    bool takeBands(PageTask& task, bool ended);
    bool annotatePage(PageTask& task);
    void finishPage(PageTask& task);
    static bool waitsForGroupOnly(const PageTask& task);
    int linesHeldForShapes() const;

    const Options& options_;
    ToolHost& host_;
    const PagePlanner& planner_;
    const PageFiles& files_;
    ConsoleLines& console_;
    RenderPasses& renderer_;
    ShapeGroupCoder& shapes_;
    int workers_ = 1;
    int nextPage_ = 1; // the next page to start encoding
    int reported_ = 0; // pages printed as finished
    int bandingPage_ = 0; // the page being rendered in bands, 0 for none
    DWORD startTick_ = 0;
    std::map<int, PageTask> pages_;
};

} // namespace reference
