#include "queue/QueueCheck.h"

#include "base/StringTable.h"
#include "converter/ConverterContract.h"
#include "res/resource.h"
#include "win/FileSystem.h"
#include "win/Module.h"

namespace queue {

namespace {

// The refusal message names this many documents, then how many more.
constexpr size_t kNamedRefusals = 10;

} // namespace

QueueCheck checkQueue(const std::vector<QueuedDocument>& documents, const std::wstring& outputFolder,
    const std::wstring& frontEndPath)
{
    QueueCheck result;
    if (!outputFolder.empty() && !win::isDirectory(outputFolder)) {
        result.refusal = FileCheck{FileVerdict::Refuse, IDS_OUTPUT_FOLDER_MISSING, outputFolder, CheckPage::Basic, IDC_BASIC_OUTPUT};
        return result;
    }
    const std::wstring longestKillEvent = converter::killEventName(UINT64_MAX);
    for (size_t i = 0; i < documents.size(); ++i) {
        const QueuedDocument& document = documents[i];
        ConfirmFiles files;
        files.input = document.input;
        files.output = document.output;
        files.logPath = document.logPath;
        files.converterArguments = document.converterArguments;
        files.commandLineLength = converter::converterCommandLine(frontEndPath, longestKillEvent, document.converterArguments).size();
        FileCheck check = checkFiles(files);
        std::wstring reason;
        if (check.verdict == FileVerdict::Refuse) {
            reason = base::formatString(check.stringId, {check.insert});
        }
        // Outputs are named after their documents: only equal names can be one file.
        const std::wstring outputName = win::pathKey(win::fileNamePart(document.output));
        for (size_t j = 0; j < i && reason.empty(); ++j) {
            if (win::pathKey(win::fileNamePart(documents[j].output)) == outputName
                && win::sameFile(documents[j].output, document.output)) {
                reason = base::formatString(IDS_SAME_OUTPUT, {document.output, win::fileNamePart(documents[j].input)});
                check = FileCheck{FileVerdict::Refuse, IDS_SAME_OUTPUT, document.output, CheckPage::Basic, IDC_BASIC_OUTPUT};
            }
        }
        if (!reason.empty()) {
            result.refused.push_back(i);
            if (result.refused.size() <= kNamedRefusals) {
                result.refusedText += win::fileNamePart(document.input) + L": " + reason + L"\n";
            }
        } else if (check.verdict == FileVerdict::AskOverwrite) {
            result.existing.push_back(i);
        }
        result.checks.push_back(std::move(check));
    }
    if (result.refused.size() > kNamedRefusals) {
        result.refusedText += base::formatString(IDS_MORE_DOCUMENTS, {std::to_wstring(result.refused.size() - kNamedRefusals)}) + L"\n";
    }
    return result;
}

std::wstring arrivalProblem(const std::vector<QueuedDocument>& queued, const QueuedDocument& arrival,
    const std::wstring& frontEndPath)
{
    const QueueCheck own = checkQueue({arrival}, std::wstring(), frontEndPath);
    const FileCheck& check = own.checks.front();
    if (check.verdict == FileVerdict::Refuse) {
        return base::formatString(check.stringId, {check.insert});
    }
    for (const QueuedDocument& document : queued) {
        if (win::sameFile(document.output, arrival.output)) {
            return base::formatString(IDS_SAME_OUTPUT, {arrival.output, win::fileNamePart(document.input)});
        }
        if (win::sameFile(document.input, arrival.output) || win::sameFile(document.output, arrival.input)) {
            return base::formatString(IDS_OUTPUT_IS_INPUT, {arrival.output});
        }
        const bool logClash = !arrival.logPath.empty()
            && ((!document.logPath.empty() && win::sameFile(document.logPath, arrival.logPath))
                || win::sameFile(document.input, arrival.logPath) || win::sameFile(document.output, arrival.logPath));
        if (logClash) {
            return base::formatString(IDS_LOG_IS_OUTPUT, {arrival.logPath});
        }
    }
    return std::wstring();
}

} // namespace queue
