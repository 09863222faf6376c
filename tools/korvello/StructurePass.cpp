#include "StructurePass.h"

namespace {

constexpr size_t kMaxObjectsNamed = 200; // more objects to look up: the tool lists them all

// "12 0 R" as the tool's object argument "12,0".
std::wstring objectArgument(const std::string& reference)
{
    std::string numbers = reference.substr(0, reference.size() - 2);
    numbers[numbers.find(' ')] = ',';
    return L"--json-object=" + std::wstring(numbers.begin(), numbers.end());
}

} // namespace

Step StructurePass::overviewStep(const std::wstring& pdf)
{
    return {"qpdf", {L"--json=2", L"--json-key=pages", L"--json-key=outlines", L"--json-key=pagelabels",
        L"--json-key=qpdf", L"--json-object=trailer", L"--no-warn", pdf}};
}

bool StructurePass::start(const std::vector<Step>& steps, const std::wstring& pdf)
{
    pdf_ = pdf;
    job_ = steps.size() == 1 ? host_.start(steps.front().tool, steps.front().arguments) : host_.startChain(steps);
    if (!job_) {
        notice_ = failure("qpdf could not be started");
    }
    return job_ != nullptr;
}

std::string StructurePass::failure(const std::string& what) const
{
    // The overview holds the outline and the labels; the objects after it the information.
    std::string notice = overview_ ? "   **** Notice: the document's outline, page labels and information could not be read ("
                                   : "   **** Notice: the document's information could not be read (";
    notice += what;
    if (!lastLine_.empty()) {
        notice += ": " + lastLine_.substr(0, 200);
    }
    return notice + (overview_ ? "); the pages are kept without them." : "); its outline and page labels are kept.");
}

bool StructurePass::poll()
{
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
            lastLine_ = line; // a tool's message, for the notice (the report's lines are indented)
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
        return true;
    }
    const auto& objects = reader_.objectsToLookUp();
    if (overview_ && !objects.empty()) {
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
    return true;
}
