#include "queue/QueuedDocument.h"

#include <shlwapi.h>

#include "converter/ConverterContract.h"
#include "converter/RunLog.h"
#include "options/ArgumentQuoting.h"
#include "win/FileSystem.h"
#include "win/Module.h"

namespace queue {

namespace {

// The text before the extension, as the output's name is derived.
size_t extensionStart(const std::wstring& path)
{
    const wchar_t* extension = PathFindExtensionW(path.c_str());
    return extension != nullptr ? static_cast<size_t>(extension - path.c_str()) : path.size();
}

// How many numbered logs a run tries when the configured one is being written by another.
constexpr int kLastLogNumber = 9;

} // namespace

std::wstring deriveOutputName(const std::wstring& inputPath)
{
    return inputPath.substr(0, extensionStart(inputPath)) + L".djvu";
}

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

std::wstring numberedLogPath(const std::wstring& log, int number)
{
    const size_t cut = extensionStart(log);
    return log.substr(0, cut) + L" (" + std::to_wstring(number) + L")" + log.substr(cut);
}

void addUsedLogs(const std::vector<QueuedDocument>& documents, std::set<std::wstring>& used)
{
    for (const QueuedDocument& document : documents) {
        if (!document.logPath.empty()) {
            used.insert(win::pathKey(document.logPath));
        }
    }
}

QueuedDocument makeQueuedDocument(const QueueRecipe& recipe, const std::wstring& input, std::set<std::wstring>& usedLogs)
{
    QueuedDocument document;
    document.input = input;
    document.output = queuedOutputPath(recipe.outputFolder, input);
    document.logPath = documentLogPath(recipe.logPath, input, usedLogs);
    document.converterArguments = recipe.parameterText;
    if (!document.converterArguments.empty()) {
        document.converterArguments.push_back(L' ');
    }
    document.converterArguments += options::quotedArgument(document.input) + L" " + options::quotedArgument(document.output);
    // The user agreed to replace only the outputs he was asked about (the sheet marks those).
    document.skip = win::pathExists(document.output);
    return document;
}

std::wstring runArguments(const QueuedDocument& document)
{
    return document.replaceOutput ? document.converterArguments + converter::kForceOption : document.converterArguments;
}

PreparedRun prepareRun(const QueuedDocument& document, const std::wstring& frontEndPath)
{
    PreparedRun prepared;
    converter::RunSetup& setup = prepared.setup;
    setup.killEventName = converter::newKillEventName();
    setup.commandLine = converter::converterCommandLine(frontEndPath.empty() ? win::modulePath() : frontEndPath,
        setup.killEventName, runArguments(document));
    setup.logPath = document.logPath;
    prepared.logFile = converter::createRunLog(setup.logPath, setup.logOpenError);
    // Another run writes that log (a second front end, or one whose finished run is still
    // shown): this run writes a log of its own beside it rather than none.
    for (int number = 2; setup.logOpenError == ERROR_SHARING_VIOLATION && number <= kLastLogNumber; ++number) {
        DWORD error = 0;
        const std::wstring candidate = numberedLogPath(document.logPath, number);
        win::UniqueHandle log = converter::createRunLog(candidate, error);
        if (error != ERROR_SHARING_VIOLATION) {
            prepared.logFile = std::move(log);
            setup.logPath = candidate;
            setup.logOpenError = error;
        }
    }
    setup.logFile = prepared.logFile.get();
    return prepared;
}

} // namespace queue
