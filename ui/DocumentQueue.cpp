#include "ui/DocumentQueue.h"

#include <shlwapi.h>

#include "base/StringTable.h"
#include "converter/ConverterContract.h"
#include "options/ArgumentQuoting.h"
#include "res/resource.h"
#include "ui/BasicPage.h"
#include "win/FileSystem.h"
#include "win/Module.h"

namespace ui {

namespace {

// The refusal message names this many documents, then how many more.
constexpr size_t kNamedRefusals = 10;

// The text before the extension, as the output's name is derived.
size_t extensionStart(const std::wstring& path)
{
    const wchar_t* extension = PathFindExtensionW(path.c_str());
    return extension != nullptr ? static_cast<size_t>(extension - path.c_str()) : path.size();
}

} // namespace

std::wstring queuedOutputPath(const std::wstring& outputFolder, const std::wstring& input)
{
    const std::wstring beside = deriveOutputName(input);
    if (outputFolder.empty()) {
        return beside;
    }
    const bool separated = outputFolder.back() == L'\\' || outputFolder.back() == L'/';
    return outputFolder + (separated ? L"" : L"\\") + win::fileNamePart(beside);
}

std::wstring documentLogPath(const std::wstring& configuredLog, const std::wstring& input, std::set<std::wstring>& used)
{
    if (configuredLog.empty()) {
        return configuredLog;
    }
    const size_t cut = extensionStart(configuredLog);
    const std::wstring head = configuredLog.substr(0, cut) + L"-";
    const std::wstring tail = configuredLog.substr(cut);
    const std::wstring name = win::fileNamePart(input);
    const std::wstring stem = name.substr(0, extensionStart(name));
    std::wstring candidate = head + stem + tail;
    for (int number = 2; !used.insert(win::pathKey(candidate)).second; ++number) {
        candidate = head + name + (number == 2 ? L"" : L"-" + std::to_wstring(number)) + tail;
    }
    return candidate;
}

options::QueuedDocument makeQueuedDocument(const options::QueueRecipe& recipe, const std::wstring& input,
    std::set<std::wstring>& usedLogs)
{
    options::QueuedDocument document;
    document.input = input;
    document.output = queuedOutputPath(recipe.outputFolder, input);
    document.logPath = documentLogPath(recipe.logPath, input, usedLogs);
    document.converterArguments = recipe.parameterText;
    if (!document.converterArguments.empty()) {
        document.converterArguments.push_back(L' ');
    }
    document.converterArguments += options::quotedArgument(document.input) + L" " + options::quotedArgument(document.output);
    if (win::pathExists(document.output)) {
        if (recipe.replaceExisting) {
            document.converterArguments += converter::kForceOption;
        } else {
            document.skip = true;
        }
    }
    return document;
}

QueueCheck checkQueue(const std::vector<options::QueuedDocument>& documents, const std::wstring& outputFolder,
    const std::wstring& frontEndPath)
{
    QueueCheck result;
    if (!outputFolder.empty() && !win::isDirectory(outputFolder)) {
        result.refusal = FileCheck{FileVerdict::Refuse, IDS_OUTPUT_FOLDER_MISSING, outputFolder, CheckPage::Basic, IDC_BASIC_OUTPUT};
        return result;
    }
    const std::wstring longestKillEvent = converter::killEventName(UINT64_MAX);
    for (size_t i = 0; i < documents.size(); ++i) {
        const options::QueuedDocument& document = documents[i];
        ConfirmFiles files;
        files.input = document.input;
        files.output = document.output;
        files.logPath = document.logPath;
        files.converterArguments = document.converterArguments;
        files.commandLineLength = converter::converterCommandLine(frontEndPath, longestKillEvent, document.converterArguments).size();
        const FileCheck check = checkFiles(files);
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
    }
    if (result.refused.size() > kNamedRefusals) {
        result.refusedText += base::formatString(IDS_MORE_DOCUMENTS, {std::to_wstring(result.refused.size() - kNamedRefusals)}) + L"\n";
    }
    return result;
}

} // namespace ui
