#include "Conversion.h"

#include <algorithm>
#include <cstdlib>

namespace {

constexpr size_t kKeptLines = 40;      // of each tool's output, for the reason of a failure
constexpr DWORD kMessageQuietMs = 300; // a renderer message may still go on this long
constexpr DWORD kPollMs = 10;

bool startsWith(const std::string& text, const char* prefix)
{
    return text.rfind(prefix, 0) == 0;
}

// "Page 12": the renderer's own page line (the converter prints its own).
bool isRendererPageLine(const std::string& line)
{
    return startsWith(line, "Page ") && line.size() > 5 && line.find_first_not_of("0123456789", 5) == std::string::npos;
}

// A line of a tool's error output worth passing on: DjVuLibre's "*** " prefix goes, its
// source locations ("*** (GBitmap.cpp:214)", "*** 'void ...'") are left out.
std::string meaningful(std::string line)
{
    while (!line.empty() && (line.front() == '*' || line.front() == ' ' || line.front() == '\t')) {
        line.erase(line.begin());
    }
    while (!line.empty() && (line.back() == ' ' || line.back() == '\t')) {
        line.pop_back();
    }
    if (line.empty() || line.front() == '(' || line.front() == '\'') {
        return {};
    }
    return line;
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

} // namespace

void RunningTool::keep(const std::vector<std::string>& more)
{
    for (const auto& line : more) {
        lines.push_back(line.substr(0, 1000));
        if (lines.size() > kKeptLines) {
            lines.pop_front();
        }
    }
}

Conversion::Conversion(const Options& options, ToolHost& host, const std::wstring& work, const std::wstring& part,
    HANDLE stop)
    : options_(options), host_(host), planner_(options, host, PageFiles{work}), files_{work}, work_(work), part_(part),
      stop_(stop)
{
    // A page's job spends part of its time waiting (for its start through the dispatcher,
    // for its files to be seen), so two more pages than cores keep every core busy.
    SYSTEM_INFO system = {};
    GetSystemInfo(&system);
    workers_ = std::clamp(static_cast<int>(system.dwNumberOfProcessors) + 2, 1, 16);
}

std::vector<std::wstring> Conversion::rendererOptions() const
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
        arguments.push_back(L"-I" + tool(options_.resourceDir));
    }
    return arguments;
}

std::unique_ptr<ToolJob> Conversion::startTool(const Step& step)
{
    auto job = host_.start(step.tool, step.arguments);
    if (!job) {
        fail(kExitTools, step.tool + " could not be started", nullptr);
    }
    return job;
}

void Conversion::say(const std::string& line)
{
    ownLines_.push_back(line);
    flushOwnLines(false);
}

// The converter's own lines wait while a message of the renderer may go on with more
// lines, so they never split one.
void Conversion::flushOwnLines(bool always)
{
    if (!always && GetTickCount() - lastRelayTick_ < kMessageQuietMs) {
        return;
    }
    while (!ownLines_.empty()) {
        writeLine(ownLines_.front());
        ownLines_.pop_front();
    }
}

void Conversion::announce(int pages)
{
    announced_ = pages;
    say("Processing pages 1 through " + std::to_string(pages) + ".");
}

void Conversion::relay(const std::string& line)
{
    if (line.find('\0') != std::string::npos) {
        fail(kExitRender, "the renderer's output reached the converter damaged (NUL bytes in a line); the conversion "
            "was stopped", nullptr);
    }
    if (isRendererPageLine(line) || relayed_.count(line) != 0) {
        return; // "Page N" is printed when page N is finished; a message of the counting pass once
    }
    if (startsWith(line, "Processing pages 1 through ")) {
        countedByRenderer_ = true;
        announce(std::atoi(line.c_str() + 27));
        return;
    }
    const bool continuation = startsWith(line, "   ") && line.find("   **** ") == std::string::npos;
    if (!continuation) {
        flushOwnLines(true);
    }
    writeLine(line);
    lastRelayTick_ = GetTickCount();
}

// Runs one tool to its end (watching the kill event); its exit code. Its lines are
// kept in tool.
int Conversion::runToEnd(const Step& step, const char* what)
{
    RunningTool run{step.tool, startTool(step), {}};
    std::vector<std::string> lines;
    while (!run.job->poll(lines)) {
        if (WaitForSingleObject(stop_, kPollMs) == WAIT_OBJECT_0) {
            run.job->stop();
            run.job->waitGone(1000);
            abandon(kExitStopped);
        }
    }
    run.keep(lines);
    if (run.job->exitCode() != 0) {
        fail(kExitEncode, std::string(what) + " failed: " + step.tool + " ended with exit code "
            + std::to_string(run.job->exitCode()), &run);
    }
    return 0;
}

// PostScript does not say its pages while it is rendered: "%%Pages:" does (at the start,
// or at the end after "(atend)"); without it a quick pass with the bounding-box device
// counts them.
bool Conversion::countPostScriptPages()
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
        std::vector<std::string> lines;
        while (!run.job->poll(lines)) {
            if (WaitForSingleObject(stop_, kPollMs) == WAIT_OBJECT_0) {
                run.job->stop();
                run.job->waitGone(1000);
                abandon(kExitStopped);
            }
        }
        for (const auto& line : lines) {
            if (startsWith(line, "%%BoundingBox:")) {
                ++pages;
            } else if (!startsWith(line, "%%HiResBoundingBox:")) {
                relay(line);
                relayed_.insert(line);
            }
        }
    }
    if (pages > 0) {
        announce(pages);
    }
    return pages > 0;
}

void Conversion::startRenderers()
{
    postScript_ = isPostScript(options_.input);
    if (postScript_) {
        countPostScriptPages();
    }
    const std::wstring resolution = L"-r" + std::to_wstring(options_.dpi);
    if (options_.text != TextLevel::None) {
        textJob_ = {"gs", host_.startChain(planner_.textSteps(rendererOptions(), postScript_)), {}};
        if (!textJob_.job) {
            fail(kExitTools, "gs could not be started", nullptr);
        }
        texting_ = true;
    }
    if (options_.convertLinks) {
        const std::wstring program = files_.folder + L"\\links.ps";
        writeWholeFile(program, linkProgram());
        // The PDF interpreter of old hands link annotations to the pdfmark procedure.
        std::vector<std::wstring> arguments = {L"-q", L"-dNOPAUSE", L"-dBATCH", L"-dSAFER", L"-dNEWPDF=false",
            L"-dDOPDFMARKS", L"-sDEVICE=nullpage", resolution, tool(program), tool(options_.input)};
        linkJob_ = {"gs", startTool({"gs", arguments}), {}};
        linking_ = true;
    }
    // pnmraw writes a page of black and white only as a bitonal PBM, which is what the
    // bitonal encoder takes, and shades or colour as PGM or PPM.
    std::vector<std::wstring> arguments = rendererOptions();
    arguments.insert(arguments.end(), {resolution, L"-sDEVICE=pnmraw", L"-o", tool(files_.folder + L"\\page%05d.pnm"),
        tool(options_.input)});
    renderer_ = {"gs", startTool({"gs", arguments}), {}};
    rendering_ = true;
}

bool Conversion::pollRenderer()
{
    if (!rendering_) {
        return false;
    }
    std::vector<std::string> lines;
    const bool ended = renderer_.job->poll(lines);
    renderer_.keep(lines);
    for (const auto& line : lines) {
        relay(line);
    }
    if (ended) {
        rendering_ = false;
        if (renderer_.job->exitCode() != 0) {
            fail(kExitRender, "the renderer ended with exit code " + std::to_string(renderer_.job->exitCode()), nullptr);
        }
    }
    while (fileExists(files_.image(rendered_ + 2)) || (!rendering_ && fileExists(files_.image(rendered_ + 1)))) {
        ++rendered_;
    }
    return ended || !lines.empty();
}

bool Conversion::pollTextJob()
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
            say("   **** Notice: the hidden text could not be made (the text pass ended with exit code "
                + std::to_string(textJob_.job->exitCode()) + "); pages without it are kept.");
        }
    }
    while (fileExists(files_.text(textDone_ + 2)) || (!texting_ && fileExists(files_.text(textDone_ + 1)))) {
        ++textDone_;
    }
    return ended || !lines.empty();
}

bool Conversion::pollLinkJob()
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
            say("   **** Notice: the links could not be read (the link pass ended with exit code "
                + std::to_string(linkJob_.job->exitCode()) + "); pages without them are kept.");
        }
    }
    return ended || !lines.empty();
}


int Conversion::run()
{
    startRenderers();
    for (;;) {
        bool busy = pollRenderer();
        busy = pollTextJob() || busy;
        busy = pollLinkJob() || busy;
        busy = pollStructure() || busy;
        holdRenderer();
        startPages();
        busy = encodeShapeGroups() || busy;
        for (auto& [page, task] : pages_) {
            if (!task.done) {
                busy = advancePage(task) || busy;
            }
        }
        reportFinishedPages();
        flushOwnLines(false);
        if (!rendering_ && reported_ == rendered_ && nextPage_ > rendered_ && pages_.empty()) {
            break;
        }
        if (WaitForSingleObject(stop_, busy ? 0 : kPollMs) == WAIT_OBJECT_0) {
            abandon(kExitStopped);
        }
    }
    flushOwnLines(true);
    if (rendered_ == 0) {
        fail(kExitRender, "the renderer made no page; its messages above say why", nullptr);
    }
    if (countedByRenderer_ && rendered_ < announced_) {
        fail(kExitRender, "the renderer ended after page " + std::to_string(rendered_) + " of " + std::to_string(announced_),
            nullptr);
    }
    bundle();
    writeStructure();
    if (stopRequested()) {
        abandon(kExitStopped);
    }
    const DWORD flags = options_.force ? MOVEFILE_REPLACE_EXISTING : 0;
    if (!MoveFileExW(part_.c_str(), options_.output.c_str(), flags)) {
        const DWORD error = GetLastError();
        if (error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS) {
            fail(kExitInput, "the output file appeared during the conversion and was left as it is (--force replaces "
                "it): " + toAnsi(options_.output), nullptr);
        }
        fail(kExitOutput, "the output file could not be written (system error " + std::to_string(error) + "): "
            + toAnsi(options_.output), nullptr);
    }
    shapeCoder_.reset();
    renderer_.job.reset();
    textJob_.job.reset();
    linkJob_.job.reset();
    host_.shutDown();
    removeTree(work_);
    return 0;
}

void Conversion::fail(int code, const std::string& what, const RunningTool* tool)
{
    // A chain's lines are headed by the name of the tool that wrote them: the reason is
    // in the lines of the tool that failed, the last one.
    std::string name = tool != nullptr ? tool->name : std::string();
    size_t from = 0;
    for (size_t i = 0; tool != nullptr && i < tool->lines.size(); ++i) {
        if (startsWith(tool->lines[i], kChainMarker)) {
            name = tool->lines[i].substr(3);
            from = i + 1;
        }
    }
    std::string said = what;
    if (tool != nullptr && name != tool->name) {
        said.replace(said.find(tool->name), tool->name.size(), name);
    }
    say("Error: " + said + ".");
    int passed = 0;
    for (size_t i = from; tool != nullptr && i < tool->lines.size() && passed < 4; ++i) {
        const std::string reason = meaningful(tool->lines[i]);
        if (!reason.empty()) {
            say("Error: " + name + ": " + reason);
            ++passed;
        }
    }
    abandon(code);
}

void Conversion::abandon(int code)
{
    flushOwnLines(true);
    if (shapeCoder_) {
        shapeCoder_->drop(); // a group being coded is not waited for: the process ends below
    }
    std::vector<ToolJob*> jobs = {renderer_.job.get(), textJob_.job.get(), linkJob_.job.get(),
        structure_ ? structure_->job() : nullptr};
    for (auto& [page, task] : pages_) {
        jobs.push_back(task.tool.job.get());
    }
    for (ToolJob* job : jobs) {
        if (job != nullptr) {
            job->stop();
        }
    }
    for (ToolJob* job : jobs) {
        if (job != nullptr) {
            job->waitGone(1000);
        }
    }
    pages_.clear(); // closes the relay files, so the folder can go
    structure_.reset();
    renderer_.job.reset();
    textJob_.job.reset();
    linkJob_.job.reset();
    host_.shutDown();
    DeleteFileW(part_.c_str());
    removeTree(work_);
    ExitProcess(static_cast<UINT>(code));
}
