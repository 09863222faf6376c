// The book's structure (outline, page titles, metadata): read beside the pages, written
// into the bundle before it becomes the output.
#include "Conversion.h"

#include <algorithm>

namespace {

constexpr DWORD kStructurePollMs = 10;

// Whether a PostScript document may carry an outline, labels or information: pdfmarks,
// or a title comment. Read in pieces; a piece overlaps the one before by a few bytes.
bool mentionsStructure(const std::wstring& path)
{
    const HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
        FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    std::string piece(1 << 20, '\0');
    std::string carried;
    bool found = false;
    DWORD read = 0;
    while (!found && ReadFile(file, piece.data(), static_cast<DWORD>(piece.size()), &read, nullptr) && read > 0) {
        const std::string text = carried + piece.substr(0, read);
        found = text.find("pdfmark") != std::string::npos || text.find("%%Title:") != std::string::npos;
        carried = text.substr(text.size() - std::min<size_t>(text.size(), 8));
    }
    CloseHandle(file);
    return found;
}

} // namespace

// Starts reading when its PDF is there: a PDF document's own file at once; PostScript
// from the PDF the text pass makes of it, once that pass has ended, or (without hidden
// text) from a PDF made for this alone when the document mentions a structure.
bool Conversion::pollStructure()
{
    if (!structureStarted_) {
        if (postScript_ && texting_) {
            return false;
        }
        structureStarted_ = true;
        if (!host_.hasTool("qpdf")) {
            say("   **** Notice: the document's outline, page labels and information are not carried over: the tool "
                "qpdf was not found (" + std::string(host_.name()) + " host).");
            return false;
        }
        structure_ = std::make_unique<StructurePass>(host_, postScript_);
        std::vector<Step> steps;
        std::wstring pdf = options_.input;
        if (postScript_ && options_.text != TextLevel::None) {
            pdf = files_.folder + L"\\text.pdf";
            if (!fileExists(pdf)) {
                return false; // the text pass failed and said so
            }
        } else if (postScript_) {
            if (!mentionsStructure(options_.input)) {
                return false;
            }
            pdf = files_.folder + L"\\structure.pdf";
            Step step{"gs", rendererOptions()};
            step.arguments.insert(step.arguments.end(), {L"-q", L"-sDEVICE=pdfwrite", L"-dOmitInfoDate",
                L"-dAutoRotatePages=/None", L"-o", tool(pdf), tool(options_.input)});
            steps.push_back(step);
        }
        steps.push_back(StructurePass::overviewStep(tool(pdf)));
        structure_->start(steps, tool(pdf));
        return true;
    }
    return structure_ && structure_->poll();
}

// Once the pages are bundled: waits for the structure, then gives the bundle its
// outline, page titles and metadata with djvused. Should that fail, the pages are
// bundled again without them and a notice says so.
void Conversion::writeStructure()
{
    while (!structureStarted_ || (structure_ && structure_->running())) {
        pollTextJob();
        if (!pollStructure() && WaitForSingleObject(stop_, kStructurePollMs) == WAIT_OBJECT_0) {
            abandon(kExitStopped);
        }
    }
    if (structure_ && !structure_->notice().empty()) {
        say(structure_->notice());
    }
    flushOwnLines(true);
    if (!structure_ || structure_->structure().empty()) {
        return;
    }
    std::vector<std::string> pageIds;
    for (int page = 1; page <= reported_; ++page) {
        pageIds.push_back(toUtf8(PageFiles::name(L"page", page, L".djvu")));
    }
    const std::wstring script = files_.folder + L"\\structure.djvused";
    if (!writeWholeFile(script, structureScript(structure_->structure(), pageIds))) {
        fail(kExitEncode, "the outline and page titles could not be written to the working folder", nullptr);
    }
    RunningTool run{"djvused", startTool({"djvused", {L"-f", tool(script), tool(part_)}}), {}};
    std::vector<std::string> lines;
    while (!run.job->poll(lines)) {
        if (WaitForSingleObject(stop_, kStructurePollMs) == WAIT_OBJECT_0) {
            run.job->stop();
            run.job->waitGone(1000);
            abandon(kExitStopped);
        }
    }
    run.keep(lines);
    if (run.job->exitCode() != 0) {
        std::string reason;
        for (const auto& line : run.lines) {
            reason = line.empty() ? reason : line;
        }
        say("   **** Notice: the document's outline, page labels and information could not be written (djvused: "
            + reason + "); the pages are kept without them.");
        bundle();
    }
}
