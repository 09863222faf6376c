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
    // Holds the renderer while the images from page firstWaiting on are more (in number or
    // in bytes) than the encoders can take.
    void hold(int firstWaiting, int workers);

    bool postScript() const { return postScript_; }
    bool rendering() const { return rendering_; }
    // True while the text pass runs (for PostScript it makes text.pdf first).
    bool texting() const { return texting_; }
    // Pages whose rendering is complete (or known too large for DjVu), from the first on.
    int rendered() const { return rendered_; }
    // The page's rendered image; empty for a page too large for DjVu at the resolution, or
    // for the image budget, which the renderer measured and left unwritten (its size in
    // pixels in width and height).
    std::wstring image(int page, int& width, int& height) const;
    // The temporary space a rendered image may take; whether a page of that size is
    // written whole (else it is left unwritten by the renderer).
    unsigned long long budget() const { return budget_; }
    bool writtenWhole(int width, int height) const;
    // The document a page is rendered alone from: the input itself when it is a PDF. A
    // PostScript page cannot be reached without reading every page before it again, so a
    // PDF of the document is made once, when a page is first needed alone; false until
    // it is ready (it is started here).
    bool onePageSourceReady();
    std::wstring onePageSource() const;
    // False when a page alone is found by counting the pages as they end (the run then
    // renders it once, reading the document from its start).
    bool pagesSelectable() const { return pagesAlone_ != PagesAlone::Counting; }
    // The renderer's arguments and program (before the document) that make it write the
    // page alone; with measure, the page says its size first and is written only whole
    // within the budget.
    std::vector<std::wstring> onePageArguments(int page) const;
    std::string onePageProgram(int page, bool measure) const;
    // Reads a size line of that program.
    static bool parsePageLine(const std::string& line, int& width, int& height);
    // True when the page's text (when there is a text pass) and links are known.
    bool annotationsReady(int page) const;
    const std::vector<LinkArea>* links(int page) const;
    // The passes' jobs (for stopping them all).
    std::vector<ToolJob*> jobs() const;
    void release();

private:
    std::wstring tool(const std::wstring& path) const { return host_.toolPath(path); }
    std::wstring alonePdf() const { return files_.folder + L"\\alone.pdf"; }
    std::unique_ptr<ToolJob> startTool(const Step& step);
    void countPostScriptPages();
    bool pollRenderer();
    bool takePageLine(const std::string& line);
    void countRendered();
    bool pollTextJob();
    bool pollLinkJob();

    const Options& options_;
    ToolHost& host_;
    const PagePlanner& planner_;
    const PageFiles& files_;
    ConsoleLines& console_;
    HANDLE stop_;
    unsigned long long budget_;

    RunningTool renderer_;
    RunningTool textJob_;
    RunningTool linkJob_;
    RunningTool distiller_; // the PDF that PostScript pages are rendered alone from
    enum class PagesAlone { FromInput, Distilling, FromPdf, Counting } pagesAlone_ = PagesAlone::FromInput;
    bool postScript_ = false;
    bool rendering_ = false;
    bool texting_ = false;
    bool linking_ = false;
    bool paused_ = false;
    int rendered_ = 0;  // pages whose image is complete (or known too large)
    int filesDone_ = 0; // image files complete, in the renderer's order
    // Each page the renderer measured, in order: its size in pixels and the number of its
    // image file (0 for a page too large, left unwritten).
    struct MeasuredPage {
        int width = 0;
        int height = 0;
        int file = 0;
    };
    std::vector<MeasuredPage> measured_;
    int textDone_ = 0;  // pages whose text is complete
    int linksDone_ = 0; // pages whose links are known
    std::map<int, std::vector<LinkArea>> links_;
};

} // namespace reference
