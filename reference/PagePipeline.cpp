#include "reference/PagePipeline.h"

#include "reference/djvu/DjVuChunks.h"
#include "reference/host/Files.h"

#include <windows.h>

#include <algorithm>
#include <cmath>

namespace reference {

namespace {

// A run names the document once a band: its command line stays short.
constexpr int kBandsPerRun = 64;

} // namespace

PagePipeline::PagePipeline(const Options& options, ToolHost& host, const PagePlanner& planner, const PageFiles& files,
    ConsoleLines& console, RenderPasses& renderer, ShapeGroupCoder& shapes)
    : options_(options), host_(host), planner_(planner), files_(files), console_(console), renderer_(renderer),
      shapes_(shapes)
{
    // A page's job spends part of its time waiting (for its start through the dispatcher,
    // for its files to be seen), so two more pages than cores keep every core busy.
    SYSTEM_INFO system = {};
    GetSystemInfo(&system);
    workers_ = std::clamp(static_cast<int>(system.dwNumberOfProcessors) + 2, 1, 16);
    startTick_ = GetTickCount();
}

void PagePipeline::startPages()
{
    int active = 0;
    for (const auto& [page, task] : pages_) {
        // A page whose marks only wait for the rest of its group takes no encoder, nor
        // does one whose group was coded (its last runs are short): the renderer and the
        // next pages go on meanwhile.
        // A page whose marks wait to be cut holds them (in memory or in its rendered file): it
        // takes a worker until then, so the marks waiting stay as few as the workers.
        const bool parked = task.waitingForShapes && !task.tool.job && task.steps.empty()
            && !shapes_.waitsToBeCut(page);
        active += task.done || parked || task.assembling ? 0 : 1;
    }
    for (int started = active; started < workers_ && nextPage_ <= renderer_.rendered(); ++started) {
        PageTask task;
        task.page = nextPage_++;
        task.dpi = options_.dpi;
        task.image = renderer_.image(task.page, task.width, task.height);
        pages_.emplace(task.page, std::move(task));
    }
}

// Reads the page's size; a page too large for DjVu is rendered again at the highest
// resolution that fits, a page too large for the image budget in bands; otherwise its
// encoding steps are planned.
void PagePipeline::planPage(PageTask& task)
{
    if (task.bands) {
        if (renderBands(task)) {
            std::string problem;
            if (!planner_.planBanded(task.page, *task.bands, task.dpi, task.steps, problem, task.shared)) {
                fail(console_, kExitEncode, problem, nullptr);
            }
            task.bands.reset(); // the page's memory: the next page may be rendered in bands
            bandingPage_ = 0;
            planned(task);
        }
        return;
    }
    PnmHeader header;
    if (!task.image.empty()) { // else measured by the renderer, too large to be written
        if (!header.read(task.image)) {
            fail(console_, kExitRender, "the rendered image of page " + std::to_string(task.page) + " could not be read",
                nullptr);
        }
        task.width = header.width;
        task.height = header.height;
    }
    const int side = std::max(task.width, task.height);
    if ((side > kDjVuMaxSide || task.image.empty()) && !renderer_.onePageSourceReady()) {
        return; // rendered again alone (or in bands) once the document can give the page alone
    }
    if (side > kDjVuMaxSide) {
        if (task.rerendered || task.dpi * static_cast<long long>(kDjVuMaxSide) / side < 1) {
            fail(console_, kExitEncode, "page " + std::to_string(task.page) + " is too large for DjVu at any resolution ("
                + std::to_string(task.width) + " by " + std::to_string(task.height) + " pixels)", nullptr);
        }
        task.dpi = static_cast<int>(task.dpi * static_cast<long long>(kDjVuMaxSide) / side);
        task.rerendered = true;
        console_.say("   **** Notice: page " + std::to_string(task.page) + " is too large for DjVu at "
            + std::to_string(options_.dpi) + " dpi; it is encoded at " + std::to_string(task.dpi) + " dpi.");
        if (!task.image.empty()) {
            DeleteFileW(task.image.c_str());
        }
        // Measured again before it is written: still too large for the budget, it is left
        // unwritten and rendered in bands.
        task.image = files_.file(L"large", task.page, L".pnm");
        const std::wstring program = files_.file(L"measure", task.page, L".ps");
        if (!writeWholeFile(program, renderer_.onePageProgram(task.page, true))) {
            fail(console_, kExitRender, "page " + std::to_string(task.page) + " could not be rendered again (its "
                "program could not be written)", nullptr);
        }
        std::vector<std::wstring> arguments = renderer_.rendererOptions();
        arguments.insert(arguments.end(), {L"-q", L"-r" + std::to_wstring(task.dpi)});
        for (auto& argument : renderer_.onePageArguments(task.page)) {
            arguments.push_back(std::move(argument));
        }
        arguments.insert(arguments.end(), {L"-sDEVICE=pnmraw", L"-o", tool(task.image), tool(program),
            renderer_.onePageSource()});
        task.steps.push_back({"gs", arguments});
        task.measuring = true;
        return;
    }
    if (task.image.empty()) {
        task.bands = std::make_unique<PageBands>(task.width, task.height, renderer_.budget());
        renderBands(task);
        return;
    }
    std::string problem;
    if (!planner_.planEncoding(task.page, task.image, header, task.dpi, task.steps, problem, task.shared)) {
        fail(console_, kExitRender, problem, nullptr);
    }
    planned(task);
}

// Once its encoding steps are known: a background subsampled more than asked is said; a
// page whose marks are coded with its group's shapes hands them over, and its text and
// links go onto a page of its size meanwhile.
void PagePipeline::planned(PageTask& task)
{
    task.planned = true;
    if (task.shared.backgroundFactor > std::clamp(options_.bgSubsample, 1, 12)) {
        console_.say("   **** Notice: the background of page " + std::to_string(task.page) + " is subsampled by "
            + std::to_string(task.shared.backgroundFactor) + " instead of " + std::to_string(options_.bgSubsample)
            + ", so that its temporary file stays small at " + std::to_string(task.dpi) + " dpi.");
    }
    if (planner_.sharesShapes()) {
        task.waitingForShapes = true;
        shapes_.collect(task);
        if (!writeWholeFile(planner_.annotatedFile(task.page), djvuPage(task.shared.width, task.shared.height,
                task.shared.dpi, {}, {}))) {
            fail(console_, kExitEncode, "page " + std::to_string(task.page) + " could not be written", nullptr);
        }
    }
}

// Starts the run that renders the page's bands; true once every band is in. Where the
// document can give the page again (a PDF, named once a band) one run renders every band;
// else a run renders one. One page at a time is rendered in bands, so the temporary
// space holds about one band and the memory one such page.
bool PagePipeline::renderBands(PageTask& task)
{
    if (task.bands->done()) {
        DeleteFileW(files_.file(L"shift", task.page, L".ps").c_str());
        return true;
    }
    if (task.bandRunning || (bandingPage_ != 0 && bandingPage_ != task.page) || !renderer_.onePageSourceReady()) {
        return false;
    }
    bandingPage_ = task.page;
    const bool repeatable = renderer_.pagesSelectable();
    const int count = repeatable ? std::min(task.bands->bandsLeft(), kBandsPerRun) : 1;
    const std::wstring shift = files_.file(L"shift", task.page, L".ps");
    if (!writeWholeFile(shift, (repeatable ? std::string() : renderer_.onePageProgram(task.page, false))
            + task.bands->shiftProgram(count))) {
        fail(console_, kExitRender, "page " + std::to_string(task.page) + " could not be rendered (its band program "
            "could not be written)", nullptr);
    }
    std::vector<std::wstring> arguments = renderer_.rendererOptions();
    arguments.insert(arguments.end(), {L"-q", L"-r" + std::to_wstring(task.dpi), L"-g" + std::to_wstring(task.bands->width())
        + L"x" + std::to_wstring(task.bands->bandRows()), L"-dFIXEDMEDIA"});
    for (auto& argument : renderer_.onePageArguments(task.page)) {
        arguments.push_back(std::move(argument));
    }
    arguments.insert(arguments.end(), {L"-sDEVICE=pnmraw", L"-o", tool(files_.file(L"band", task.page, L"-%03d.pnm")),
        tool(shift)});
    for (int band = 0; band < count; ++band) {
        arguments.push_back(renderer_.onePageSource());
    }
    task.steps.push_back({"gs", arguments});
    task.bandRunning = true;
    task.bandsInRun = count;
    task.bandsTaken = 0;
    return false;
}

std::wstring PagePipeline::bandFile(const PageTask& task, int band) const
{
    wchar_t number[16] = {};
    swprintf(number, 16, L"-%03d.pnm", band);
    return files_.file(L"band", task.page, number);
}

// Takes in each band of the run that is complete (all its rows written, the next one
// begun, or the run ended) and deletes its file; true when one was taken. The renderer is
// held meanwhile (taking a band in may widen the rows before it), so it rarely begins
// writing the next band before this one is gone.
bool PagePipeline::takeBands(PageTask& task, bool ended)
{
    bool took = false;
    while (task.bandsTaken < task.bandsInRun) {
        const std::wstring band = bandFile(task, task.bandsTaken + 1);
        if (!(task.bands->complete(band) || fileExists(bandFile(task, task.bandsTaken + 2))
                || (ended && fileExists(band)))) {
            break;
        }
        if (!ended) {
            task.tool.job->pause(true);
        }
        const int top = task.bands->nextTop();
        const bool taken = task.bands->take(band);
        DeleteFileW(band.c_str());
        if (!taken) {
            fail(console_, kExitRender, "the rendered rows " + std::to_string(top + 1) + " to "
                + std::to_string(top + task.bands->nextHeight()) + " of page " + std::to_string(task.page)
                + " could not be read", nullptr);
        }
        ++task.bandsTaken;
        took = true;
    }
    if (!ended) {
        task.tool.job->pause(false);
    } else {
        task.bandRunning = false;
        if (task.bandsTaken < task.bandsInRun) {
            fail(console_, kExitRender, "the rendered rows " + std::to_string(task.bands->nextTop() + 1) + " to "
                + std::to_string(task.bands->height()) + " of page " + std::to_string(task.page) + " were not written",
                nullptr);
        }
    }
    return took;
}

// The page's text and links, once the text pass has finished the page.
bool PagePipeline::annotatePage(PageTask& task)
{
    if (!renderer_.annotationsReady(task.page)) {
        return false;
    }
    const auto* links = renderer_.links(task.page);
    const std::string areas = links == nullptr ? std::string()
        : mapAreas(*links, task.height, static_cast<double>(task.dpi) / options_.dpi);
    const std::string script = planner_.annotationScript(readWholeFile(files_.text(task.page)), areas, task.width,
        task.height, task.dpi);
    if (!script.empty()) {
        const std::wstring scriptFile = files_.file(L"annotations", task.page, L".djvused");
        if (!writeWholeFile(scriptFile, script)) {
            fail(console_, kExitEncode, "the text of page " + std::to_string(task.page) + " could not be written", nullptr);
        }
        for (auto& step : planner_.annotationSteps(task.page, scriptFile, script.find("set-txt") != std::string::npos)) {
            task.steps.push_back(std::move(step));
        }
    }
    task.annotated = true;
    return true;
}

void PagePipeline::finishPage(PageTask& task)
{
    shapes_.completePage(task);
    DeleteFileW(task.image.c_str());
    for (const auto& [stem, extension] : {std::pair{L"mask", L".pbm"}, {L"mask", L".djvu"},
             {L"mask", L".jb2"}, {L"notes", L".djvu"},
             {L"bg", L".ppm"}, {L"bg", L".pbm"}, {L"bg", L".djvu"}, {L"bg", L".iw44"}, {L"text", L".xml"},
             {L"annotations", L".djvused"}, {L"check", L".txt"}, {L"shift", L".ps"}, {L"measure", L".ps"}}) {
        DeleteFileW(files_.file(stem, task.page, extension).c_str());
    }
    task.done = true;
}

// One step further for the page: its running tool polled, the next tool started, or
// the next stage begun. True when something happened.
bool PagePipeline::advancePage(PageTask& task)
{
    if (task.tool.job) {
        std::vector<std::string> lines;
        const bool ended = task.tool.job->poll(lines);
        task.tool.keep(lines);
        if (!ended) {
            const bool took = task.bandRunning && takeBands(task, false);
            return !lines.empty() || took;
        }
        if (task.tool.job->exitCode() != 0) {
            fail(console_, kExitEncode, "encoding page " + std::to_string(task.page) + " failed: " + task.tool.name
                + " ended with exit code " + std::to_string(task.tool.job->exitCode()), &task.tool);
        }
        if (task.bandRunning) {
            takeBands(task, true);
        }
        if (task.measuring) {
            // The page's size at its lower resolution: left unwritten, it is rendered in bands.
            task.measuring = false;
            for (const auto& line : task.tool.lines) {
                if (RenderPasses::parsePageLine(line, task.width, task.height)
                    && !renderer_.writtenWhole(task.width, task.height)) {
                    DeleteFileW(task.image.c_str());
                    task.image.clear();
                }
            }
        }
        if (task.readingText) {
            task.readingText = false;
            // djvutxt writes the page's text, or "failed", into the file.
            if (readWholeFile(files_.file(L"check", task.page, L".txt")).rfind("(page", 0) != 0) {
                console_.say("   **** Notice: the hidden text of page " + std::to_string(task.page)
                    + " could not be read back and was left out of the page.");
                task.steps.push_back(planner_.textRemovalStep(task.page));
            }
        }
        task.tool.job.reset();
        task.tool.lines.clear();
    }
    if (!task.planned && task.steps.empty()) {
        planPage(task);
    }
    if (task.planned && !task.annotated) {
        annotatePage(task); // with the encoding when the page's text is there, else after it
    }
    if (!task.steps.empty()) {
        // The page's tools run as one job, so a page costs one job start.
        task.tool.name = task.steps.back().tool;
        task.readingText = std::any_of(task.steps.begin(), task.steps.end(),
            [](const Step& step) { return step.tool == "djvutxt"; });
        task.tool.job = host_.startChain({task.steps.begin(), task.steps.end()});
        if (!task.tool.job) {
            fail(console_, kExitTools, task.tool.name + " could not be started", nullptr);
        }
        task.steps.clear();
        return true;
    }
    if (task.planned && task.annotated && !task.waitingForShapes) {
        finishPage(task);
        return true;
    }
    return false;
}

// "Page N" once page N and every page before it is finished, or has done all it does
// alone and waits for the rest of its group's shapes: the progress follows the pages
// whatever the group's size, and the group is coded and its pages assembled afterwards.
void PagePipeline::reportFinishedPages()
{
    const int unheld = std::max(console_.announced(), renderer_.rendered()) - linesHeldForShapes();
    for (auto next = pages_.find(reported_ + 1);
         next != pages_.end() && (next->second.done || (waitsForGroupOnly(next->second) && next->first <= unheld));
         next = pages_.find(reported_ + 1)) {
        ++reported_;
        if (reported_ > console_.announced()) {
            console_.announce(reported_); // the document had more pages than it said
        }
        console_.say("Page " + std::to_string(reported_));
    }
    for (auto task = pages_.begin(); task != pages_.end() && task->first <= reported_;) {
        task = task->second.done ? pages_.erase(task) : std::next(task);
    }
}

// The last lines of the document wait for as many pages as the shape coding still to be
// done would take at the pace of the pages so far: the bar reaches its end with the work,
// and the lines kept back come as the groups are coded.
int PagePipeline::linesHeldForShapes() const
{
    constexpr double kFirstGuess = 0.4; // a group's coding against its pages' own work, before one is measured
    const int pending = shapes_.pendingPages();
    if (pending == 0 || reported_ == 0) {
        return 0;
    }
    const double msPerPage = static_cast<double>(GetTickCount() - startTick_) / reported_;
    const double coding = pending * shapes_.msPerPage(msPerPage * kFirstGuess);
    return std::min(pending, static_cast<int>(std::ceil(coding / std::max(1.0, msPerPage))));
}

bool PagePipeline::waitsForGroupOnly(const PageTask& task)
{
    return task.waitingForShapes && task.annotated && !task.tool.job && task.steps.empty();
}

bool PagePipeline::advance()
{
    bool busy = false;
    for (auto& [page, task] : pages_) {
        if (!task.done) {
            busy = advancePage(task) || busy;
        }
    }
    return busy;
}

bool PagePipeline::allReported() const
{
    return !renderer_.rendering() && reported_ == renderer_.rendered() && nextPage_ > renderer_.rendered()
        && pages_.empty();
}

std::vector<ToolJob*> PagePipeline::jobs() const
{
    std::vector<ToolJob*> jobs;
    for (const auto& [page, task] : pages_) {
        jobs.push_back(task.tool.job.get());
    }
    return jobs;
}

} // namespace reference
