// What is done to a rendered page: the encoders' runs that make its DjVu page, and the
// djvused script that gives it its hidden text and its links.
#pragma once

#include "reference/Options.h"
#include "reference/djvu/DjVuFormat.h"
#include "reference/host/ToolHost.h"
#include "reference/page/PageBands.h"
#include "reference/page/PageImage.h"
#include "reference/text/TextLayer.h"

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

namespace reference {

// The folder of a run's files and the names of a page's files in it.
struct PageFiles {
    std::wstring folder;
    std::wstring file(const wchar_t* stem, int page, const wchar_t* extension) const;
    static std::wstring name(const wchar_t* stem, int page, const wchar_t* extension);
    std::wstring image(int page) const { return file(L"page", page, L".pnm"); }
    std::wstring djvu(int page) const { return file(L"page", page, L".djvu"); }
    std::wstring text(int page) const { return file(L"text", page, L".xml"); }
};

// A page whose marks are coded with the shapes of its group of pages: its marks, and
// what the page is made of besides them once they are coded.
struct SharedMaskPlan {
    std::wstring marks;               // the marks as PBM, a file only when a tool takes it (see bits)
    std::vector<std::uint8_t> bits;   // the marks packed in memory (PageImage::pack); empty when they are the rendered PBM
    size_t marksAt = 0;               // where the pixels of the rendered PBM begin
    int width = 0;
    int height = 0;
    int dpi = 0;
    std::vector<std::wstring> chunks; // the page's colours and background (djvumake's arguments)
    int backgroundFactor = 0;         // the background's subsampling, 0 for a page without one

    // djvumake's "INFO=width,height,dpi".
    std::wstring info() const
    {
        return L"INFO=" + std::to_wstring(width) + L"," + std::to_wstring(height) + L"," + std::to_wstring(dpi);
    }
};

// The renderer's run that makes a PDF of the document (its pages unrotated, as the
// rendering sees them; without the renderer's own dates, so that the PDF's information is
// the document's). Paths in the tools' form.
Step pdfOfDocument(std::vector<std::wstring> rendererOptions, const std::wstring& input, const std::wstring& pdf);

class PagePlanner {
public:
    PagePlanner(const Options& options, ToolHost& host, PageFiles files)
        : options_(options), host_(host), files_(std::move(files))
    {
    }

    // Appends the steps that encode the page's rendered image (whose header was read) at
    // dpi; false (with the reason in problem) when the image cannot be read. When pages
    // share shapes, the marks are left to the group (in shared, in memory) and the steps
    // make only the background.
    bool planEncoding(int page, const std::wstring& image, const PnmHeader& header, int dpi, std::deque<Step>& steps,
        std::string& problem, SharedMaskPlan& shared) const;
    // The same for a page rendered in bands, joined in memory.
    bool planBanded(int page, PageBands& bands, int dpi, std::deque<Step>& steps, std::string& problem,
        SharedMaskPlan& shared) const;
    // The marks are the converter's own shape coder's: in groups of pages sharing a
    // dictionary, and at every level other than lossless (also a page at a time), since
    // the page encoder codes those levels all alike on rendered pages.
    bool sharesShapes() const { return options_.pagesPerDict > 1 || options_.fgQuality != "lossless"; }
    // The background's subsampling for a page of that size: --bg-subsample, raised (up to
    // 12) until the background's file takes at most half the image budget.
    int backgroundFactor(int width, int height) const;
    // The steps that make the page of its coded marks (raw JB2 data) and the group's
    // dictionary (empty when it has none), or, with no coded marks (a page the group did
    // not take), of its marks coded by the page encoder.
    std::vector<Step> assemblySteps(int page, const SharedMaskPlan& plan, const std::wstring& dictionary,
        const std::wstring& codedMarks) const;
    // The renderer's run (two for PostScript) that writes each page's text to
    // text<page>.xml, laid out at textResolution().
    std::vector<Step> textSteps(const std::vector<std::wstring>& rendererOptions, bool postScript) const;
    int textResolution() const;
    // The djvused script giving the page its text (from the renderer's text of that page)
    // and links; empty when it has neither.
    std::string annotationScript(const std::string& textXml, const std::string& links, int width, int height, int dpi) const;
    // The djvused run of that script on the page, then, when it gives the page text, a
    // read of that text into check<page>.txt, which says "failed" when it cannot be read.
    std::vector<Step> annotationSteps(int page, const std::wstring& script, bool text) const;
    // The djvused run that takes the text off the page again.
    Step textRemovalStep(int page) const;
    // The file that takes the page's text and links: the page, or, when pages share shapes,
    // a page of its size holding nothing else, whose chunks join the page once it is made
    // (so the text need not wait for the group).
    std::wstring annotatedFile(int page) const
    {
        return sharesShapes() ? files_.file(L"notes", page, L".djvu") : files_.djvu(page);
    }

private:
    std::wstring tool(const std::wstring& path) const;
    std::vector<std::wstring> bitonalQuality() const;
    // cjb2's run coding the PBM into a single-page DjVu file at dpi (at most what cjb2 takes).
    Step bitonalStep(int dpi, const std::wstring& pbm, const std::wstring& djvu) const;
    // The steps that make a page of black marks only: cjb2's page, or, above the
    // resolutions cjb2 takes, its marks joined by djvumake at the page's resolution.
    void marksAlone(int page, const SharedMaskPlan& plan, std::deque<Step>& steps) const;
    // The steps for a page of shades or colour in memory: its marks, their colours and its background.
    void planPicture(int page, const PageImage& picture, int dpi, std::deque<Step>& steps, SharedMaskPlan& shared) const;
    std::vector<std::wstring> pictureQuality() const;
    // The steps that encode the page's background (bg<page>.ppm with bg<page>.pbm as the
    // pixels that do not matter); djvumake's argument for it.
    std::wstring backgroundSteps(int page, int dpi, int factor, std::deque<Step>& steps) const;

    const Options& options_;
    ToolHost& host_;
    PageFiles files_;
    unsigned long long backgroundBudget_ = imageBudget() / 2;
};

} // namespace reference
