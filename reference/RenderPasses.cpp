#include "reference/RenderPasses.h"

#include "reference/djvu/DjVuFormat.h"
#include "reference/host/Files.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace reference {

namespace {

constexpr const char* kPageSizeLine = "KORVELLO-PAGE-SIZE ";
// Rendered images waiting for the encoders take at most about this much (a page more
// than this waits alone).
constexpr unsigned long long kWaitingBytes = 96ull << 20;

bool startsWith(const std::string& text, const char* prefix)
{
    return text.rfind(prefix, 0) == 0;
}

// Up to size bytes of the file from offset (from its end when offset is negative).
std::string readPart(const std::wstring& path, long long offset, DWORD size)
{
    std::string bytes;
    const HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
        OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return bytes;
    }
    LARGE_INTEGER length = {};
    GetFileSizeEx(file, &length);
    LARGE_INTEGER from = {};
    from.QuadPart = offset >= 0 ? offset : std::max(0LL, length.QuadPart + offset);
    bytes.resize(size);
    DWORD read = 0;
    if (!SetFilePointerEx(file, from, nullptr, FILE_BEGIN) || !ReadFile(file, bytes.data(), size, &read, nullptr)) {
        read = 0;
    }
    bytes.resize(read);
    CloseHandle(file);
    return bytes;
}

bool isPostScript(const std::wstring& path)
{
    const std::string head = readPart(path, 0, 1024);
    return head.find("%PDF-") == std::string::npos
        && (startsWith(head, "%!") || startsWith(head, "\xC5\xD0\xD3\xC6") || head.find("%!PS") != std::string::npos);
}

// The number after the first (or last) "%%Pages:" of the text, 0 when there is none
// (or it is "(atend)"): the document's own comment, not one of a document it embeds.
int pagesComment(const std::string& text, bool last)
{
    const size_t at = last ? text.rfind("%%Pages:") : text.find("%%Pages:");
    return at == std::string::npos ? 0 : std::atoi(text.c_str() + at + 8);
}

// Before each page is written, the renderer says its size in pixels; a page too large
// for DjVu, or whose image (at three bytes a pixel: its kind is known only as it is
// written) would take more than the budget, is not written (it would take gigabytes at a
// high resolution): it is rendered again alone, at a resolution that fits, or in bands.
// With only above 0, pages are counted as they end and only that one is measured and
// written; the count is kept in global memory, which a document's restore does not undo.
std::string endPageProgram(unsigned long long budget, int only, bool measure)
{
    std::string test = "true";
    if (measure) {
        test = "currentpagedevice /PageSize get aload pop currentpagedevice /HWResolution get aload pop\n"
               "        3 -1 roll mul 72 div round cvi 3 1 roll mul 72 div round cvi exch\n"
               "        (" + std::string(kPageSizeLine) + ") print 1 index =only ( ) print dup =only (\\n) print flush\n"
               "        2 copy max " + std::to_string(kDjVuMaxSide) + " le 3 1 roll cvr mul 3 mul "
            + std::to_string(budget) + " le and";
    }
    std::string program;
    if (only > 0) {
        program = "currentglobal true setglobal /KorvelloPages 1 dict dup /shown 0 put def setglobal\n";
        test = "KorvelloPages dup /shown get 1 add dup 3 1 roll /shown exch put " + std::to_string(only) + " eq {\n"
            "        " + test + "\n    } { false } ifelse";
    }
    // A page not written is erased all the same (the renderer keeps its marks otherwise,
    // and the next page of its size would show them).
    return program + "<< /EndPage {\n"
           "    exch pop 2 eq { false } {\n"
           "        " + test + "\n"
           "        dup not { erasepage } if\n"
           "    } ifelse\n"
           "} >> setpagedevice\n";
}

} // namespace

RenderPasses::RenderPasses(const Options& options, ToolHost& host, const PagePlanner& planner,
    const PageFiles& files, ConsoleLines& console, HANDLE stop)
    : options_(options), host_(host), planner_(planner), files_(files), console_(console), stop_(stop),
      budget_(imageBudget())
{
}

std::vector<std::wstring> RenderPasses::rendererOptions() const
{
    std::vector<std::wstring> arguments = {L"-dNOPAUSE", L"-dBATCH", L"-dSAFER"};
    if (options_.ignoreColorProfiles) {
        arguments.push_back(L"-dUseFastColor=true");
    }
    if (options_.renderingIntent == "printed") {
        arguments.push_back(L"-dPrinted=true");
    } else if (options_.renderingIntent == "screen") {
        arguments.push_back(L"-dPrinted=false");
    }
    if (!options_.resourceDir.empty()) {
        arguments.push_back(L"-I" + host_.toolListPath(options_.resourceDir));
    }
    return arguments;
}

std::unique_ptr<ToolJob> RenderPasses::startTool(const Step& step)
{
    auto job = host_.start(step.tool, step.arguments);
    if (!job) {
        fail(console_, kExitTools, step.tool + " could not be started", nullptr);
    }
    return job;
}

// PostScript does not say its pages while it is rendered: "%%Pages:" does (at the start,
// or at the end after "(atend)"); without it a quick pass with the bounding-box device
// counts them.
void RenderPasses::countPostScriptPages()
{
    int pages = pagesComment(readPart(options_.input, 0, 65536), false);
    if (pages <= 0) {
        pages = pagesComment(readPart(options_.input, -65536, 65536), true);
    }
    if (pages <= 0) {
        std::vector<std::wstring> arguments = rendererOptions();
        arguments.push_back(L"-sDEVICE=bbox");
        arguments.push_back(tool(options_.input));
        RunningTool run{"gs", startTool({"gs", arguments}), {}};
        for (const auto& line : waitForEnd(run, stop_)) {
            if (startsWith(line, "%%BoundingBox:")) {
                ++pages;
            } else if (!startsWith(line, "%%HiResBoundingBox:") && !console_.relayOnce(line)) {
                fail(console_, kExitRender, "the renderer's output reached the converter damaged (NUL bytes in a "
                    "line); the conversion was stopped", nullptr);
            }
        }
    }
    if (pages > 0) {
        console_.announce(pages);
    }
}

void RenderPasses::start()
{
    postScript_ = isPostScript(options_.input);
    if (postScript_) {
        countPostScriptPages();
    }
    const std::wstring resolution = L"-r" + std::to_wstring(options_.dpi);
    if (options_.text != TextLevel::None) {
        textJob_ = {"gs", host_.startChain(planner_.textSteps(rendererOptions(), postScript_)), {}};
        if (!textJob_.job) {
            fail(console_, kExitTools, "gs could not be started", nullptr);
        }
        texting_ = true;
    }
    if (options_.convertLinks) {
        const std::wstring program = files_.folder + L"\\links.ps";
        writeWholeFile(program, linkProgram());
        // The PDF interpreter of old hands link annotations to the pdfmark procedure. The
        // pass reads the document as the rendering does (resources, annotations, colour).
        std::vector<std::wstring> arguments = rendererOptions();
        arguments.insert(arguments.end(), {L"-q", L"-dNEWPDF=false", L"-dDOPDFMARKS", L"-sDEVICE=nullpage",
            resolution, tool(program), tool(options_.input)});
        linkJob_ = {"gs", startTool({"gs", arguments}), {}};
        linking_ = true;
    }
    // pnmraw writes a page of black and white only as a bitonal PBM, which is what the
    // bitonal encoder takes, and shades or colour as PGM or PPM.
    const std::wstring sizes = files_.folder + L"\\sizes.ps";
    writeWholeFile(sizes, endPageProgram(budget_, 0, true));
    std::vector<std::wstring> arguments = rendererOptions();
    arguments.insert(arguments.end(), {resolution, L"-sDEVICE=pnmraw", L"-o", tool(files_.folder + L"\\page%05d.pnm"),
        tool(sizes), tool(options_.input)});
    renderer_ = {"gs", startTool({"gs", arguments}), {}};
    rendering_ = true;
}

bool RenderPasses::poll()
{
    bool busy = pollRenderer();
    busy = pollTextJob() || busy;
    return pollLinkJob() || busy;
}

bool RenderPasses::pollRenderer()
{
    if (!rendering_) {
        return false;
    }
    std::vector<std::string> lines;
    const bool ended = renderer_.job->poll(lines);
    renderer_.keep(lines);
    for (const auto& line : lines) {
        if (takePageLine(line)) {
            continue;
        }
        if (!console_.relay(line)) {
            fail(console_, kExitRender, "the renderer's output reached the converter damaged (NUL bytes in a line); "
                "the conversion was stopped", nullptr);
        }
    }
    if (ended) {
        rendering_ = false;
        if (renderer_.job->exitCode() != 0) {
            fail(console_, kExitRender, "the renderer ended with exit code " + std::to_string(renderer_.job->exitCode()),
                nullptr);
        }
    }
    countRendered();
    return ended || !lines.empty();
}

bool RenderPasses::onePageSourceReady()
{
    if (!postScript_ || pagesAlone_ == PagesAlone::FromPdf || pagesAlone_ == PagesAlone::Counting) {
        return true;
    }
    if (pagesAlone_ == PagesAlone::FromInput) {
        distiller_ = {"gs", startTool(pdfOfDocument(rendererOptions(), tool(options_.input), tool(alonePdf()))), {}};
        pagesAlone_ = PagesAlone::Distilling;
    }
    std::vector<std::string> lines;
    if (!distiller_.job->poll(lines)) {
        distiller_.keep(lines);
        return false;
    }
    // Without the PDF the pages are still rendered alone, counted from the start of the
    // PostScript each time: slower, the same pages.
    pagesAlone_ = distiller_.job->exitCode() == 0 ? PagesAlone::FromPdf : PagesAlone::Counting;
    distiller_.job.reset();
    return true;
}

std::wstring RenderPasses::onePageSource() const
{
    return tool(pagesAlone_ == PagesAlone::FromPdf ? alonePdf() : options_.input);
}

std::vector<std::wstring> RenderPasses::onePageArguments(int page) const
{
    if (!pagesSelectable()) {
        return {};
    }
    return {L"-dFirstPage=" + std::to_wstring(page), L"-dLastPage=" + std::to_wstring(page)};
}

std::string RenderPasses::onePageProgram(int page, bool measure) const
{
    // The renderer's own page selection wrote nothing for some PostScript documents: read
    // from the PostScript itself, pages are counted instead. A PDF's page is read alone,
    // the first the program sees.
    return endPageProgram(budget_, pagesSelectable() ? 1 : page, measure);
}

bool RenderPasses::writtenWhole(int width, int height) const
{
    return std::max(width, height) <= kDjVuMaxSide && 3ull * static_cast<unsigned long long>(width)
        * static_cast<unsigned long long>(height) <= budget_;
}

bool RenderPasses::parsePageLine(const std::string& line, int& width, int& height)
{
    return startsWith(line, kPageSizeLine)
        && std::sscanf(line.c_str() + std::strlen(kPageSizeLine), "%d %d", &width, &height) == 2;
}

bool RenderPasses::takePageLine(const std::string& line)
{
    MeasuredPage page;
    if (!parsePageLine(line, page.width, page.height)) {
        return false;
    }
    if (writtenWhole(page.width, page.height)) {
        page.file = 1 + static_cast<int>(std::count_if(measured_.begin(), measured_.end(),
            [](const MeasuredPage& earlier) { return earlier.file > 0; }));
    }
    measured_.push_back(page);
    return true;
}

// A file is complete once the next one appears or the renderer has ended; a page, once
// its file is, or once it was measured too large.
void RenderPasses::countRendered()
{
    while (fileExists(files_.image(filesDone_ + 2)) || (!rendering_ && fileExists(files_.image(filesDone_ + 1)))) {
        ++filesDone_;
    }
    if (!rendering_) {
        // Files the renderer wrote without measuring them (a document that sets its own
        // end of page) are pages in their order.
        int files = static_cast<int>(std::count_if(measured_.begin(), measured_.end(),
            [](const MeasuredPage& page) { return page.file > 0; }));
        while (files < filesDone_) {
            measured_.push_back({0, 0, ++files});
        }
    }
    while (rendered_ < static_cast<int>(measured_.size())
        && (measured_[static_cast<size_t>(rendered_)].file == 0 || measured_[static_cast<size_t>(rendered_)].file <= filesDone_)) {
        ++rendered_;
    }
}

std::wstring RenderPasses::image(int page, int& width, int& height) const
{
    const MeasuredPage& measured = measured_.at(static_cast<size_t>(page - 1));
    width = measured.width;
    height = measured.height;
    return measured.file > 0 ? files_.image(measured.file) : std::wstring();
}

bool RenderPasses::pollTextJob()
{
    if (!texting_) {
        return false;
    }
    std::vector<std::string> lines;
    const bool ended = textJob_.job->poll(lines);
    textJob_.keep(lines); // its messages are the renderer's again: not relayed
    if (ended) {
        texting_ = false;
        if (textJob_.job->exitCode() != 0) {
            console_.say("   **** Notice: the hidden text could not be made (the text pass ended with exit code "
                + std::to_string(textJob_.job->exitCode()) + "); pages without it are kept.");
        }
    }
    while (fileExists(files_.text(textDone_ + 2)) || (!texting_ && fileExists(files_.text(textDone_ + 1)))) {
        ++textDone_;
    }
    return ended || !lines.empty();
}

bool RenderPasses::pollLinkJob()
{
    if (!linking_) {
        return false;
    }
    std::vector<std::string> lines;
    const bool ended = linkJob_.job->poll(lines);
    for (const auto& line : lines) {
        int page = 0;
        LinkArea area;
        if (parseLinkLine(line, page, area)) {
            links_[page].push_back(area);
        } else if (const int done = linkPassPage(line); done > 0) {
            linksDone_ = done;
        } else {
            linkJob_.keep({line});
        }
    }
    if (ended) {
        linking_ = false;
        if (linkJob_.job->exitCode() != 0) {
            console_.say("   **** Notice: the links could not be read (the link pass ended with exit code "
                + std::to_string(linkJob_.job->exitCode()) + "); pages without them are kept.");
        }
    }
    return ended || !lines.empty();
}

// Rendered pages wait on disk for the encoders: the renderer is held while a few more
// than the encoders can take are waiting, so the temporary folder stays small whatever
// the page count.
void RenderPasses::hold(int firstWaiting, int workers)
{
    if (!rendering_) {
        return;
    }
    int waiting = 0;
    unsigned long long bytes = 0;
    for (int page = firstWaiting; page <= rendered_; ++page) {
        const int file = measured_[static_cast<size_t>(page - 1)].file;
        WIN32_FILE_ATTRIBUTE_DATA data = {};
        if (file > 0 && GetFileAttributesExW(files_.image(file).c_str(), GetFileExInfoStandard, &data)) {
            bytes += (static_cast<unsigned long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
            ++waiting;
        }
    }
    if (!paused_ && (waiting >= workers + 3 || (waiting > 0 && bytes >= kWaitingBytes))) {
        paused_ = true;
        renderer_.job->pause(true);
    } else if (paused_ && waiting <= workers + 1 && bytes < kWaitingBytes / 2) {
        paused_ = false;
        renderer_.job->pause(false);
    }
}

bool RenderPasses::annotationsReady(int page) const
{
    return !((options_.text != TextLevel::None && texting_ && textDone_ < page) || (linking_ && linksDone_ < page));
}

const std::vector<LinkArea>* RenderPasses::links(int page) const
{
    const auto found = links_.find(page);
    return found == links_.end() ? nullptr : &found->second;
}

std::vector<ToolJob*> RenderPasses::jobs() const
{
    return {renderer_.job.get(), textJob_.job.get(), linkJob_.job.get(), distiller_.job.get()};
}

void RenderPasses::release()
{
    renderer_.job.reset();
    textJob_.job.reset();
    linkJob_.job.reset();
    distiller_.job.reset();
}

} // namespace reference
