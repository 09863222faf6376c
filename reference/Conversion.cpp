#include "reference/Conversion.h"

#include "reference/host/Files.h"

namespace reference {

namespace {

constexpr DWORD kPollMs = 10;

} // namespace

Conversion::Conversion(const Options& options, ToolHost& host, const std::wstring& work, const std::wstring& part,
    HANDLE stop)
    : options_(options), host_(host), work_(work), part_(part), stop_(stop), files_{work},
      planner_(options, host, PageFiles{work}), renderer_(options, host, planner_, files_, console_, stop),
      shapes_(options, planner_, files_, console_), pages_(options, host, planner_, files_, console_, renderer_, shapes_),
      structure_(options, host, files_, console_, renderer_, stop)
{
}

int Conversion::run()
{
    try {
        convert();
        finish();
    } catch (const Abandoned& abandoned) {
        abandon(abandoned.code);
    }
    return 0;
}

void Conversion::convert()
{
    renderer_.start();
    for (;;) {
        bool busy = renderer_.poll();
        renderer_.hold(pages_.firstWaiting(), pages_.workers());
        pages_.startPages();
        busy = shapes_.encodeGroups(pages_.tasks(), renderer_.rendering(), renderer_.rendered()) || busy;
        busy = pages_.advance() || busy;
        busy = structure_.poll() || busy;
        pages_.reportFinishedPages();
        console_.flush(false);
        if (pages_.allReported()) {
            break;
        }
        if (WaitForSingleObject(stop_, busy ? 0 : kPollMs) == WAIT_OBJECT_0) {
            reference::abandon(kExitStopped);
        }
    }
    console_.flush(true);
    if (renderer_.rendered() == 0) {
        fail(console_, kExitRender, "the renderer made no page; its messages above say why", nullptr);
    }
    if (console_.countedByRenderer() && renderer_.rendered() < console_.announced()) {
        fail(console_, kExitRender, "the renderer ended after page " + std::to_string(renderer_.rendered()) + " of "
            + std::to_string(console_.announced()), nullptr);
    }
    bundle();
    if (!structure_.writeInto(part_, pages_.reported())) {
        bundle(); // without the structure that djvused could not write
    }
    if (WaitForSingleObject(stop_, 0) == WAIT_OBJECT_0) {
        reference::abandon(kExitStopped);
    }
    const DWORD flags = options_.force ? MOVEFILE_REPLACE_EXISTING : 0;
    if (!MoveFileExW(part_.c_str(), options_.output.c_str(), flags)) {
        const DWORD error = GetLastError();
        if (error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS) {
            fail(console_, kExitInput, "the output file appeared during the conversion and was left as it is (--force "
                "replaces it): " + toAnsi(options_.output), nullptr);
        }
        fail(console_, kExitOutput, "the output file could not be written (system error " + std::to_string(error)
            + "): " + toAnsi(options_.output), nullptr);
    }
}

// The finished pages, in their order, make the bundle.
void Conversion::bundle()
{
    // djvm's own words for a folder that is gone ("Can't 'Save' the document in the
    // requested format") do not say it.
    const HANDLE file = CreateFileW(part_.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        fail(console_, kExitOutput, "the temporary output can no longer be written (system error "
            + std::to_string(GetLastError()) + "; was the output folder removed?): " + toAnsi(part_), nullptr);
    }
    CloseHandle(file);
    Step step{"djvm", {L"-c", host_.toolPath(part_)}};
    for (int page = 1; page <= pages_.reported(); ++page) {
        step.arguments.push_back(host_.toolPath(files_.djvu(page)));
    }
    RunningTool run{step.tool, host_.start(step.tool, step.arguments), {}};
    if (!run.job) {
        fail(console_, kExitTools, step.tool + " could not be started", nullptr);
    }
    run.keep(waitForEnd(run, stop_));
    if (run.job->exitCode() != 0) {
        fail(console_, kExitEncode, "bundling the pages failed: " + step.tool + " ended with exit code "
            + std::to_string(run.job->exitCode()), &run);
    }
}

void Conversion::finish()
{
    shapes_.release();
    renderer_.release();
    host_.shutDown();
    removeTree(work_);
}

void Conversion::abandon(int code)
{
    console_.flush(true);
    shapes_.drop(); // a group being coded is not waited for: the process ends below
    std::vector<ToolJob*> jobs = renderer_.jobs();
    jobs.push_back(structure_.job());
    for (ToolJob* job : pages_.jobs()) {
        jobs.push_back(job);
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
    renderer_.release();
    structure_.release();
    host_.shutDown();
    DeleteFileW(part_.c_str());
    removeTree(work_);
    ExitProcess(static_cast<UINT>(code));
}

} // namespace reference
