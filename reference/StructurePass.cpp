#include "reference/StructurePass.h"

#include "reference/Failure.h"
#include "reference/host/Files.h"

#include <algorithm>

namespace reference {

namespace {

constexpr DWORD kPollMs = 10;
constexpr size_t kMaxObjectsNamed = 200; // more objects to look up: the tool lists them all

// "12 0 R" as the tool's object argument "--json-object=12,0".
std::wstring objectArgument(const std::string& reference)
{
    std::string numbers = reference.substr(0, reference.size() - 2);
    numbers[numbers.find(' ')] = ',';
    return L"--json-object=" + std::wstring(numbers.begin(), numbers.end());
}

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

StructurePass::StructurePass(const Options& options, ToolHost& host, const PageFiles& files, ConsoleLines& console,
    const RenderPasses& renderer, HANDLE stop)
    : options_(options), host_(host), files_(files), console_(console), renderer_(renderer), stop_(stop)
{
}

// A PDF document's own file at once; PostScript from the PDF the text pass makes of it,
// once that pass has ended, or (without hidden text) from a PDF made for this alone when
// the document mentions a structure.
void StructurePass::start()
{
    started_ = true;
    if (!host_.hasTool("qpdf")) {
        notice_ = "   **** Notice: the document's outline, page labels and information are not carried over: the tool "
                  "qpdf was not found (" + std::string(host_.name()) + " host).";
        return;
    }
    const bool postScript = renderer_.postScript();
    reader_ = PdfStructureReader(postScript);
    std::vector<Step> steps;
    std::wstring pdf = options_.input;
    if (postScript && options_.text != TextLevel::None) {
        pdf = files_.folder + L"\\text.pdf";
        if (!fileExists(pdf)) {
            return; // the text pass failed and said so
        }
    } else if (postScript) {
        if (!mentionsStructure(options_.input)) {
            return;
        }
        pdf = files_.folder + L"\\structure.pdf";
        steps.push_back(pdfOfDocument(renderer_.rendererOptions(), tool(options_.input), tool(pdf)));
    }
    pdf_ = tool(pdf);
    steps.push_back({"qpdf", {L"--json=2", L"--json-key=pages", L"--json-key=outlines", L"--json-key=pagelabels",
        L"--json-key=qpdf", L"--json-object=trailer", L"--no-warn", pdf_}});
    job_ = steps.size() == 1 ? host_.start(steps.front().tool, steps.front().arguments) : host_.startChain(steps);
    if (!job_) {
        notice_ = failure("qpdf could not be started");
    }
}

// The information dictionary, and the actions of bookmarks that lead to no page.
void StructurePass::lookUpObjects()
{
    const auto& objects = reader_.objectsToLookUp();
    Step step{"qpdf", {L"--json=2", L"--json-key=qpdf", L"--no-warn"}};
    for (size_t i = 0; i < objects.size() && objects.size() <= kMaxObjectsNamed; ++i) {
        step.arguments.push_back(objectArgument(objects[i]));
    }
    step.arguments.push_back(pdf_);
    overview_ = false;
    job_ = host_.start(step.tool, step.arguments);
    if (!job_) {
        notice_ = failure("qpdf could not be started");
    }
}

std::string StructurePass::failure(const std::string& what) const
{
    // The overview holds the outline and the labels; the objects after it the information.
    std::string notice = overview_ ? "   **** Notice: the document's outline, page labels and information could not be read ("
                                   : "   **** Notice: the document's information could not be read (";
    notice += what;
    if (!lastMessage_.empty()) {
        notice += ": " + lastMessage_.substr(0, 200);
    }
    return notice + (overview_ ? "); the pages are kept without them." : "); its outline and page labels are kept.");
}

bool StructurePass::poll()
{
    if (!started_) {
        if (renderer_.postScript() && renderer_.texting()) {
            return false;
        }
        start();
        return true;
    }
    if (!job_) {
        return false;
    }
    std::vector<std::string> lines;
    const bool ended = job_->poll(lines);
    for (const auto& line : lines) {
        report_ += line;
        report_ += '\n';
        if (!line.empty() && line.rfind(kChainMarker, 0) != 0 && line.front() != ' ' && line.front() != '{'
            && line.front() != '}') {
            lastMessage_ = line; // the report's own lines are indented or brackets
        }
    }
    if (!ended) {
        return !lines.empty();
    }
    // The tool ends with 3 when it repaired what it read (warnings): its report holds.
    const int code = job_->exitCode();
    job_.reset();
    const bool read = (code == 0 || code == 3)
        && (overview_ ? reader_.readOverview(report_) : reader_.readObjects(report_));
    report_.clear();
    if (!read) {
        notice_ = failure(code == 0 || code == 3 ? std::string("qpdf's report could not be read")
                                                : "the reading ended with exit code " + std::to_string(code));
    } else if (overview_ && !reader_.objectsToLookUp().empty()) {
        lookUpObjects();
    }
    return true;
}

bool StructurePass::writeInto(const std::wstring& bundle, int pages)
{
    if (!started_) {
        start(); // the text pass has ended: every page has its text
    }
    while (job_) {
        if (!poll() && WaitForSingleObject(stop_, kPollMs) == WAIT_OBJECT_0) {
            abandon(kExitStopped);
        }
    }
    if (!notice_.empty()) {
        console_.say(notice_);
    }
    console_.flush(true);
    if (reader_.structure().empty()) {
        return true;
    }
    std::vector<std::string> pageIds;
    for (int page = 1; page <= pages; ++page) {
        pageIds.push_back(toUtf8(PageFiles::name(L"page", page, L".djvu")));
    }
    const std::wstring script = files_.folder + L"\\structure.djvused";
    if (!writeWholeFile(script, structureScript(reader_.structure(), pageIds))) {
        fail(console_, kExitEncode, "the outline and page titles could not be written to the working folder", nullptr);
    }
    RunningTool run{"djvused", host_.start("djvused", {L"-f", tool(script), tool(bundle)}), {}};
    if (!run.job) {
        fail(console_, kExitTools, "djvused could not be started", nullptr);
    }
    run.keep(waitForEnd(run, stop_));
    if (run.job->exitCode() == 0) {
        return true;
    }
    const auto said = std::find_if(run.lines.rbegin(), run.lines.rend(), [](const std::string& l) { return !l.empty(); });
    console_.say("   **** Notice: the document's outline, page labels and information could not be written (djvused: "
        + (said != run.lines.rend() ? *said : std::string("exit code ") + std::to_string(run.job->exitCode()))
        + "); the pages are kept without them.");
    return false;
}

} // namespace reference
