// korvello.exe, the reference converter: PDF or PostScript to DjVu with Ghostscript
// (rendering, text) and DjVuLibre (encoding, bundling, text layer).
//
//   korvello.exe --killevent=<name> [options] "<input>" "<output>" [--force]
//
// Ghostscript's own output lines (page count, pages, warnings, errors) are passed
// through unchanged; the converter adds only a notice naming options it cannot carry
// out, and error lines of its own. Exit codes: 0 success, 1 bad command line, 2 input
// missing or output in the way, 3 rendering failed, 4 encoding failed, 5 the output
// could not be written, 6 a tool is missing, 5963 stopped on the kill event. The
// output is written under a temporary name beside it and renamed at the very end.
// See tools/korvello/README.md.
#include "Options.h"
#include "PageImage.h"
#include "TextLayer.h"
#include "ToolHost.h"

#include <windows.h>
#include <shellapi.h>

#include <algorithm>
#include <cstdio>
#include <deque>

namespace {

constexpr int kExitUsage = 1;
constexpr int kExitInput = 2;
constexpr int kExitRender = 3;
constexpr int kExitEncode = 4;
constexpr int kExitOutput = 5;
constexpr int kExitTools = 6;
constexpr int kExitStopped = 5963;
constexpr int kPagesAhead = 4;

HANDLE gStop = nullptr; // manual-reset: set once the kill event was signalled

void writeLine(const std::string& line)
{
    const std::string bytes = line + "\r\n";
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

DWORD WINAPI watchKillEvent(void* killEvent)
{
    if (WaitForSingleObject(static_cast<HANDLE>(killEvent), INFINITE) == WAIT_OBJECT_0) {
        SetEvent(gStop);
    }
    return 0;
}

bool stopRequested()
{
    return WaitForSingleObject(gStop, 0) == WAIT_OBJECT_0;
}

bool exists(const std::wstring& path)
{
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

void removeTree(const std::wstring& folder)
{
    WIN32_FIND_DATAW entry = {};
    const HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &entry);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = entry.cFileName;
            if (name == L"." || name == L"..") {
                continue;
            }
            const std::wstring path = folder + L"\\" + name;
            if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                removeTree(path);
            } else {
                DeleteFileW(path.c_str());
            }
        } while (FindNextFileW(search, &entry));
        FindClose(search);
    }
    RemoveDirectoryW(folder.c_str());
}

std::wstring numbered(const std::wstring& folder, const wchar_t* stem, int page, const wchar_t* extension)
{
    wchar_t name[64] = {};
    swprintf(name, 64, L"%ls%05d%ls", stem, page, extension);
    return folder + L"\\" + name;
}

// One tool run of a page's encoding, and the files it leaves behind.
struct Step {
    std::string tool;
    std::vector<std::wstring> arguments;
};

class Conversion {
public:
    Conversion(const Options& options, ToolHost& host, std::wstring work)
        : options_(options), host_(host), work_(std::move(work)),
          part_(options.output + L".korvello-part")
    {
    }

    int run();
    // Ends every tool, removes the temporary files and leaves with the stop code.
    [[noreturn]] void abandon(int code);

private:
    std::wstring tool(const std::wstring& path) const { return host_.toolPath(path); }
    std::vector<std::wstring> rendererOptions() const;
    void relayRendererLines(const std::vector<std::string>& lines);
    void say(const std::string& line);
    void flushOwnLines();
    bool startNextPage();
    bool prepareSteps(int page);
    std::vector<std::wstring> bitonalQuality() const;
    std::vector<std::wstring> pictureQuality() const;
    int runOne(const std::string& toolName, const std::vector<std::wstring>& arguments, const char* what);
    bool addTextLayer();

    const Options& options_;
    ToolHost& host_;
    std::wstring work_;
    std::wstring part_;
    std::unique_ptr<ToolJob> renderer_;
    std::unique_ptr<ToolJob> textJob_;
    std::unique_ptr<ToolJob> encoder_;
    bool rendering_ = true;
    int renderedThrough_ = 0; // pages whose image is complete
    int nextPage_ = 1;
    int encodingPage_ = 0;
    std::deque<Step> steps_;
    std::deque<std::string> ownLines_;
    std::vector<std::pair<int, int>> pageSizes_;
};

std::vector<std::wstring> Conversion::rendererOptions() const
{
    std::vector<std::wstring> arguments = {L"-dNOPAUSE", L"-dBATCH", L"-dSAFER", L"-r" + std::to_wstring(options_.dpi)};
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

// The renderer's lines go out as they are. Lines of our own wait until a line that
// cannot continue a message of the renderer, so they never split one.
void Conversion::relayRendererLines(const std::vector<std::string>& lines)
{
    for (const auto& line : lines) {
        if (line.rfind("   ", 0) != 0) {
            flushOwnLines();
        }
        writeLine(line);
        if (line.rfind("Page ", 0) == 0) {
            renderedThrough_ = std::max(renderedThrough_, std::atoi(line.c_str() + 5) - 1);
        }
    }
}

void Conversion::say(const std::string& line)
{
    ownLines_.push_back(line);
    if (!rendering_) {
        flushOwnLines();
    }
}

void Conversion::flushOwnLines()
{
    while (!ownLines_.empty()) {
        writeLine(ownLines_.front());
        ownLines_.pop_front();
    }
}

std::vector<std::wstring> Conversion::bitonalQuality() const
{
    const std::string& level = options_.fgQuality;
    if (level == "quasilossless") {
        return {L"-clean"};
    }
    if (level == "conservative") {
        return {L"-losslevel", L"50"};
    }
    if (level == "lossy") {
        return {L"-lossy"};
    }
    if (level == "aggressive") {
        return {L"-losslevel", L"200"};
    }
    return {};
}

std::vector<std::wstring> Conversion::pictureQuality() const
{
    if (!options_.bgSlices.empty()) {
        return {L"-slice", options_.bgSlices};
    }
    return {L"-decibel", std::to_wstring(16 + options_.quality * 34 / 100)};
}

// Decides how a rendered page is encoded and writes the encoders' input files.
bool Conversion::prepareSteps(int page)
{
    const std::wstring image = numbered(work_, L"page", page, L".ppm");
    PageImage picture;
    if (!picture.load(image)) {
        say("Error: the rendered image of page " + std::to_string(page) + " could not be read.");
        return false;
    }
    pageSizes_.emplace_back(picture.width, picture.height);
    const int dpi = std::clamp(options_.dpi, 25, 6000);
    const std::wstring pageFile = numbered(work_, L"page", page, L".djvu");
    const std::wstring maskImage = numbered(work_, L"mask", page, L".pbm");
    const std::wstring maskFile = numbered(work_, L"mask", page, L".djvu");
    const std::vector<std::wstring> dpiArguments = {L"-dpi", std::to_wstring(dpi)};
    auto encodeMask = [&](const std::vector<bool>& marks) {
        PageImage::writePbm(maskImage, marks, picture.width, picture.height);
        Step step{"cjb2", dpiArguments};
        for (const auto& argument : bitonalQuality()) {
            step.arguments.push_back(argument);
        }
        step.arguments.push_back(tool(maskImage));
        step.arguments.push_back(tool(maskFile));
        steps_.push_back(step);
    };
    const std::wstring info = L"INFO=" + std::to_wstring(picture.width) + L"," + std::to_wstring(picture.height) + L","
        + std::to_wstring(dpi);
    if (picture.isBitonal()) {
        const std::vector<bool> marks = picture.mask(options_.thresholdLevel);
        encodeMask(marks);
        if (options_.fgColors == 0 || picture.marksAreBlack(marks)) {
            steps_.back().arguments.back() = tool(pageFile); // black marks only: cjb2's page is the page
        } else {
            steps_.push_back({"djvumake", {tool(pageFile), info, L"Sjbz=" + tool(maskFile),
                L"FGbz=" + fromUtf8(picture.foregroundZones(marks, options_.fgColors))}});
        }
    } else if (options_.separate) {
        const std::vector<bool> marks = picture.mask(options_.thresholdLevel);
        encodeMask(marks);
        const std::wstring background = numbered(work_, L"bg", page, L".ppm");
        const std::wstring backgroundFile = numbered(work_, L"bg", page, L".djvu");
        picture.writeBackground(background, marks, options_.bgSubsample);
        Step step{"c44", {L"-dpi", std::to_wstring(std::max(25, dpi / options_.bgSubsample))}};
        for (const auto& argument : pictureQuality()) {
            step.arguments.push_back(argument);
        }
        step.arguments.push_back(tool(background));
        step.arguments.push_back(tool(backgroundFile));
        steps_.push_back(step);
        // djvumake takes the background as raw IW44 data, which djvuextract takes out
        // of c44's single-page file.
        const std::wstring backgroundData = numbered(work_, L"bg", page, L".iw44");
        steps_.push_back({"djvuextract", {tool(backgroundFile), L"BG44=" + tool(backgroundData)}});
        steps_.push_back({"djvumake", {tool(pageFile), info, L"Sjbz=" + tool(maskFile),
            L"FGbz=" + fromUtf8(picture.foregroundZones(marks, options_.fgImageColors)), L"BG44=" + tool(backgroundData)}});
    } else {
        Step step{"c44", dpiArguments};
        for (const auto& argument : pictureQuality()) {
            step.arguments.push_back(argument);
        }
        step.arguments.push_back(tool(image));
        step.arguments.push_back(tool(pageFile));
        steps_.push_back(step);
    }
    return true;
}

bool Conversion::startNextPage()
{
    if (!steps_.empty() || encoder_ || nextPage_ > renderedThrough_) {
        return true;
    }
    encodingPage_ = nextPage_++;
    return prepareSteps(encodingPage_);
}

// Runs one tool to its end (watching the kill event); its exit code.
int Conversion::runOne(const std::string& toolName, const std::vector<std::wstring>& arguments, const char* what)
{
    auto job = host_.start(toolName, arguments);
    if (!job) {
        say(std::string("Error: ") + what + ": " + toolName + " could not be started.");
        return -1;
    }
    std::vector<std::string> lines;
    while (!job->poll(lines)) {
        if (WaitForSingleObject(gStop, 10) == WAIT_OBJECT_0) {
            encoder_ = std::move(job);
            abandon(kExitStopped);
        }
    }
    if (job->exitCode() != 0) {
        std::string last = lines.empty() ? std::string() : ": " + lines.back();
        say(std::string("Error: ") + what + ": " + toolName + " ended with exit code " + std::to_string(job->exitCode())
            + last);
    }
    return job->exitCode();
}

bool Conversion::addTextLayer()
{
    std::vector<std::string> lines;
    while (textJob_ && !textJob_->poll(lines)) {
        if (WaitForSingleObject(gStop, 10) == WAIT_OBJECT_0) {
            abandon(kExitStopped);
        }
    }
    const std::vector<TextPage> pages = parseTextOutput(readWholeFile(work_ + L"\\text.xml"));
    std::string script;
    for (size_t i = 0; i < pages.size() && i < pageSizes_.size(); ++i) {
        const std::string expression = pageTextExpression(pages[i], options_.text, pageSizes_[i].first,
            pageSizes_[i].second, options_.dpi, options_.noSpaces);
        if (!expression.empty()) {
            script += "select " + std::to_string(i + 1) + "\nset-txt\n" + expression + "\n.\n";
        }
    }
    if (script.empty()) {
        return true;
    }
    script += "save\n";
    const std::wstring scriptFile = work_ + L"\\text.djvused";
    if (!writeWholeFile(scriptFile, script)) {
        return false;
    }
    return runOne("djvused", {L"-f", tool(scriptFile), tool(part_)}, "adding the text layer") == 0;
}

int Conversion::run()
{
    if (options_.text != TextLevel::None) {
        std::vector<std::wstring> arguments = rendererOptions();
        arguments.insert(arguments.begin(), L"-q");
        arguments.push_back(L"-sDEVICE=txtwrite");
        arguments.push_back(L"-dTextFormat=0");
        arguments.push_back(L"-o");
        arguments.push_back(tool(work_ + L"\\text.xml"));
        arguments.push_back(tool(options_.input));
        textJob_ = host_.start("gs", arguments);
    }
    std::vector<std::wstring> arguments = rendererOptions();
    arguments.push_back(L"-sDEVICE=ppmraw");
    arguments.push_back(L"-o");
    arguments.push_back(tool(work_ + L"\\page%05d.ppm"));
    arguments.push_back(tool(options_.input));
    renderer_ = host_.start("gs", arguments);
    if (!renderer_) {
        rendering_ = false;
        say("Error: the renderer (gs) could not be started.");
        return kExitTools;
    }

    std::vector<std::string> lines;
    for (;;) {
        bool busy = false;
        if (rendering_) {
            lines.clear();
            if (renderer_->poll(lines)) {
                rendering_ = false;
                busy = true;
                relayRendererLines(lines);
                flushOwnLines();
                if (renderer_->exitCode() != 0) {
                    say("Error: the renderer ended with exit code " + std::to_string(renderer_->exitCode()) + ".");
                    abandon(kExitRender);
                }
                while (exists(numbered(work_, L"page", renderedThrough_ + 1, L".ppm"))) {
                    ++renderedThrough_;
                }
            } else {
                busy = !lines.empty();
                relayRendererLines(lines);
            }
        }
        if (rendering_) {
            // Rendered pages wait on disk for the encoders: hold the renderer while a
            // few are waiting, so a long document never fills the temporary folder.
            const int waiting = renderedThrough_ - nextPage_ + 1;
            if (waiting >= kPagesAhead) {
                renderer_->pause(true);
            } else if (waiting <= kPagesAhead / 2) {
                renderer_->pause(false);
            }
        }
        if (encoder_) {
            lines.clear();
            if (encoder_->poll(lines)) {
                busy = true;
                if (encoder_->exitCode() != 0) {
                    say("Error: encoding page " + std::to_string(encodingPage_) + " failed: exit code "
                        + std::to_string(encoder_->exitCode()) + (lines.empty() ? "" : ": " + lines.back()));
                    encoder_.reset();
                    abandon(kExitEncode);
                }
                encoder_.reset();
                if (steps_.empty()) {
                    for (const wchar_t* stem : {L"page", L"mask", L"bg"}) {
                        DeleteFileW(numbered(work_, stem, encodingPage_, L".ppm").c_str());
                        DeleteFileW(numbered(work_, stem, encodingPage_, L".pbm").c_str());
                    }
                }
            }
        }
        if (!encoder_) {
            if (!startNextPage()) {
                abandon(kExitEncode);
            }
            if (!steps_.empty()) {
                encoder_ = host_.start(steps_.front().tool, steps_.front().arguments);
                if (!encoder_) {
                    say("Error: " + steps_.front().tool + " could not be started.");
                    abandon(kExitTools);
                }
                steps_.pop_front();
                busy = true;
            }
        }
        if (!rendering_ && !encoder_ && steps_.empty() && nextPage_ > renderedThrough_) {
            break;
        }
        if (WaitForSingleObject(gStop, busy ? 0 : 10) == WAIT_OBJECT_0) {
            abandon(kExitStopped);
        }
    }
    flushOwnLines();
    if (renderedThrough_ == 0) {
        say("Error: the document has no pages.");
        abandon(kExitRender);
    }

    std::vector<std::wstring> bundle = {L"-c", tool(part_)};
    for (int page = 1; page <= renderedThrough_; ++page) {
        bundle.push_back(tool(numbered(work_, L"page", page, L".djvu")));
    }
    if (runOne("djvm", bundle, "bundling the pages") != 0) {
        abandon(kExitEncode);
    }
    if (textJob_ && !addTextLayer()) {
        abandon(kExitEncode);
    }
    if (stopRequested()) {
        abandon(kExitStopped);
    }
    if (!MoveFileExW(part_.c_str(), options_.output.c_str(), MOVEFILE_REPLACE_EXISTING)) {
        say("Error: the output file could not be written: " + toAnsi(options_.output));
        abandon(kExitOutput);
    }
    renderer_.reset();
    textJob_.reset();
    removeTree(work_);
    return 0;
}

void Conversion::abandon(int code)
{
    flushOwnLines();
    for (ToolJob* job : {renderer_.get(), textJob_.get(), encoder_.get()}) {
        if (job != nullptr) {
            job->stop();
        }
    }
    for (ToolJob* job : {renderer_.get(), textJob_.get(), encoder_.get()}) {
        if (job != nullptr) {
            job->waitGone(1000);
        }
    }
    renderer_.reset(); // closes the relay files, so the folder can go
    textJob_.reset();
    encoder_.reset();
    DeleteFileW(part_.c_str());
    removeTree(work_);
    ExitProcess(static_cast<UINT>(code));
}

std::vector<std::wstring> commandLineArguments()
{
    int count = 0;
    wchar_t** words = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::wstring> arguments;
    for (int i = 1; i < count; ++i) {
        arguments.emplace_back(words[i]);
    }
    LocalFree(words);
    return arguments;
}

} // namespace

int main()
{
    Options options = parseOptions(commandLineArguments());
    gStop = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (!options.killEvent.empty()) {
        // Held for the whole run, so a signal from the front end reaches us.
        const HANDLE killEvent = CreateEventW(nullptr, FALSE, FALSE, options.killEvent.c_str());
        if (killEvent != nullptr) {
            CloseHandle(CreateThread(nullptr, 0, &watchKillEvent, killEvent, 0, nullptr));
        }
    }
    writeLine("Korvello reference converter (Ghostscript and DjVuLibre)");
    if (!options.problem.empty()) {
        writeLine("Error: " + toAnsi(options.problem) + ".");
        writeLine("Usage: korvello.exe --killevent=<name> [options] \"<input>\" \"<output>\" [--force]");
        return kExitUsage;
    }
    if (!exists(options.input)) {
        writeLine("Error: the input file does not exist: " + toAnsi(options.input));
        return kExitInput;
    }
    if (exists(options.output) && !options.force) {
        writeLine("Error: the output file exists (--force replaces it): " + toAnsi(options.output));
        return kExitInput;
    }
    if (options.noSpaces && options.text != TextLevel::Lines) {
        options.ignored.push_back(L"--nosep (it joins the words of line-level text only)");
    }

    wchar_t temp[MAX_PATH + 1] = {};
    GetTempPathW(MAX_PATH + 1, temp);
    const std::wstring work = std::wstring(temp) + L"korvello-" + std::to_wstring(GetCurrentProcessId()) + L"-"
        + std::to_wstring(GetTickCount());
    if (!CreateDirectoryW(work.c_str(), nullptr)) {
        writeLine("Error: no temporary folder could be made: " + toAnsi(work));
        return kExitOutput;
    }
    auto host = makeToolHost(work);
    std::vector<std::string> needed = {"gs", "cjb2", "c44", "djvm"};
    needed.push_back("djvumake");
    needed.push_back("djvuextract");
    if (options.text != TextLevel::None) {
        needed.push_back("djvused");
    }
    for (const auto& name : needed) {
        if (!host->hasTool(name)) {
            writeLine("Error: the tool " + name + " was not found (" + host->name() + " host).");
            removeTree(work);
            return kExitTools;
        }
    }
    if (!options.ignored.empty()) {
        std::wstring names;
        for (const auto& name : options.ignored) {
            names += (names.empty() ? L"" : L", ") + name;
        }
        writeLine("   **** Notice: this converter cannot carry out " + toAnsi(names) + "; ignored.");
    }
    Conversion conversion(options, *host, work);
    return conversion.run();
}
