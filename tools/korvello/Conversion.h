// One conversion: the renderer makes the pages' images (and their text) one file per
// page, a few pages ahead of the encoders; each page is encoded by its own chain of tool
// runs, two more pages at once than there are cores; "Page N" is printed when page N and
// every page before it is finished (or only waits for its group's shapes); the pages are
// bundled and the bundle renamed to the output at the end. Exit codes are those of main.cpp.
#pragma once

#include "Links.h"
#include "Options.h"
#include "PagePlan.h"
#include "SharedShapes.h"
#include "StructurePass.h"
#include "ToolHost.h"
#include "WorkQueue.h"

#include <windows.h>

#include <atomic>
#include <deque>
#include <map>
#include <memory>
#include <set>
#include <string>

constexpr int kExitUsage = 1;
constexpr int kExitInput = 2;
constexpr int kExitRender = 3;
constexpr int kExitEncode = 4;
constexpr int kExitOutput = 5;
constexpr int kExitTools = 6;
constexpr int kExitStopped = 5963;

// Writes one line (with CR LF) to standard output in one piece.
void writeLine(const std::string& line);
bool fileExists(const std::wstring& path);
void removeTree(const std::wstring& folder);

// A tool's run and the last lines it wrote (kept for the reason of a failure).
struct RunningTool {
    std::string name;
    std::unique_ptr<ToolJob> job;
    std::deque<std::string> lines;
    void keep(const std::vector<std::string>& more);
};

// A page on its way from its rendered image to its finished DjVu page.
struct PageTask {
    int page = 0;
    int dpi = 0;
    int width = 0;
    int height = 0;
    std::wstring image;
    bool rerendered = false; // rendered again at a lower resolution (too large for DjVu)
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

class Conversion {
public:
    Conversion(const Options& options, ToolHost& host, const std::wstring& work, const std::wstring& part,
        HANDLE stop);

    int run();

private:
    [[noreturn]] void abandon(int code);
    [[noreturn]] void fail(int code, const std::string& what, const RunningTool* tool);
    bool stopRequested() const { return WaitForSingleObject(stop_, 0) == WAIT_OBJECT_0; }
    std::wstring tool(const std::wstring& path) const { return host_.toolPath(path); }
    std::vector<std::wstring> rendererOptions() const;
    std::unique_ptr<ToolJob> startTool(const Step& step);
    void startRenderers();
    bool countPostScriptPages();
    int runToEnd(const Step& step, const char* what);

    bool pollRenderer();
    bool pollTextJob();
    bool pollLinkJob();
    void relay(const std::string& line);
    void say(const std::string& line);
    void flushOwnLines(bool always);
    void holdRenderer();
    void startPages();
    bool advancePage(PageTask& task);
    void planPage(PageTask& task);
    bool annotatePage(PageTask& task);
    void finishPage(PageTask& task);
    void collectShapes(PageTask& task);
    bool encodeShapeGroups();
    void completeSharedPage(const PageTask& task);
    void reportFinishedPages();
    static bool waitsForGroupOnly(const PageTask& task);
    void announce(int pages);
    void bundle();
    bool pollStructure();
    void writeStructure();

    const Options& options_;
    ToolHost& host_;
    PagePlanner planner_;
    PageFiles files_;
    std::wstring work_;
    std::wstring part_;
    HANDLE stop_;
    int workers_ = 1;

    RunningTool renderer_;
    RunningTool textJob_;
    RunningTool linkJob_;
    bool linking_ = false;
    int linksDone_ = 0;       // pages whose links are known
    std::map<int, std::vector<LinkArea>> links_;
    bool rendering_ = false;
    bool texting_ = false;
    bool paused_ = false;
    int announced_ = 0;       // pages in the last "Processing pages" line
    bool countedByRenderer_ = false;
    int rendered_ = 0;        // pages whose image is complete
    int textDone_ = 0;        // pages whose text is complete
    int nextPage_ = 1;        // the next page to start encoding
    int reported_ = 0;        // pages printed as finished
    std::map<int, PageTask> pages_;
    // Groups of pages sharing a dictionary, by group number (0 for the first), while their
    // pages' marks come in and are coded on the shape coder's thread.
    struct ShapeGroupWork {
        int collected = 0;              // pages whose marks came in (main thread)
        bool posted = false;            // its coding is asked for (main thread)
        ShapeGroup shapes;              // the coder's thread
        std::vector<int> taken;         // the pages the group took, in its order (the coder's thread)
        ShapeGroup::Encoded encoded;    // the coder's thread, until coded is set
        std::atomic<bool> coded{false};
    };
    std::map<int, std::unique_ptr<ShapeGroupWork>> shapeGroups_;
    std::unique_ptr<WorkQueue> shapeCoder_;
    bool postScript_ = false;
    bool structureStarted_ = false;
    std::unique_ptr<StructurePass> structure_; // the outline, page labels and information
    std::deque<std::string> ownLines_;
    std::set<std::string> relayed_; // messages of an earlier pass over the document
    DWORD lastRelayTick_ = 0;
};
