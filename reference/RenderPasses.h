// The renderer's passes over the document: the pages' images (one file per page, held
// while enough of them wait), their text with character boxes, and their links; and the
// page count of a PostScript document, which does not say it while it is rendered.
#pragma once

#include "reference/ConsoleLines.h"
#include "reference/Failure.h"
#include "reference/Options.h"
#include "reference/page/PagePlan.h"
#include "reference/text/Links.h"

#include <windows.h>

#include <map>
#include <string>
#include <vector>

namespace reference {

class RenderPasses {
public:
    RenderPasses(const Options& options, ToolHost& host, const PagePlanner& planner, const PageFiles& files,
        ConsoleLines& console, HANDLE stop);

    // Ghostscript's options shared by every pass (colour handling, annotations, resources).
    std::vector<std::wstring> rendererOptions() const;
    // Counts a PostScript document's pages and starts the passes.
    void start();
    // Follows the passes; true when something happened.
    bool poll();
    // Holds the renderer while waiting images are more than the encoders can take.
    void hold(int waiting, int workers);

    bool postScript() const { return postScript_; }
    bool rendering() const { return rendering_; }
    // True while the text pass runs (for PostScript it makes text.pdf first).
    bool texting() const { return texting_; }
    int rendered() const { return rendered_; }
    // True when the page's text (when there is a text pass) and links are known.
    bool annotationsReady(int page) const;
    const std::vector<LinkArea>* links(int page) const;
    // The passes' jobs (for stopping them all).
    std::vector<ToolJob*> jobs() const;
    void release();

private:
    std::wstring tool(const std::wstring& path) const { return host_.toolPath(path); }
    std::unique_ptr<ToolJob> startTool(const Step& step);
    void countPostScriptPages();
    bool pollRenderer();
    bool pollTextJob();
    bool pollLinkJob();

    const Options& options_;
    ToolHost& host_;
    const PagePlanner& planner_;
    const PageFiles& files_;
    ConsoleLines& console_;
    HANDLE stop_;

    RunningTool renderer_;
    RunningTool textJob_;
    RunningTool linkJob_;
    bool postScript_ = false;
    bool rendering_ = false;
    bool texting_ = false;
    bool linking_ = false;
    bool paused_ = false;
    int rendered_ = 0;  // pages whose image is complete
    int textDone_ = 0;  // pages whose text is complete
    int linksDone_ = 0; // pages whose links are known
    std::map<int, std::vector<LinkArea>> links_;
};

} // namespace reference
