#include "queue/FileChecks.h"

#include <string_view>

#include "converter/ConverterContract.h"
#include "res/resource.h"
#include "win/CommandLine.h"
#include "win/FileSystem.h"

namespace queue {

namespace {

FileCheck refuse(UINT stringId, std::wstring insert, int controlId)
{
    const CheckPage page = controlId == 0 ? CheckPage::None : CheckPage::Basic;
    return FileCheck{FileVerdict::Refuse, stringId, std::move(insert), page, controlId};
}

FileCheck refuseOnMiscPage(UINT stringId, std::wstring insert, int controlId)
{
    return FileCheck{FileVerdict::Refuse, stringId, std::move(insert), CheckPage::Misc, controlId};
}

// The composed arguments must reach the converter as options followed by exactly the
// two file names: a stray word (a value cut off by a line break, say) would be taken for
// a file name, and a quote left open would swallow the file names.
FileCheck checkArgumentSplit(const ConfirmFiles& files)
{
    const std::vector<std::wstring> words = splitByPlatform(files.converterArguments);
    const size_t count = words.size();
    if (count < 2 || words[count - 2] != files.input || words[count - 1] != files.output) {
        std::wstring standIn = count >= 2 && words[count - 2] == files.input ? words[count - 1]
                             : count >= 2                                    ? words[count - 2]
                             : count == 1                                    ? words[0]
                                                                             : std::wstring();
        return refuseOnMiscPage(IDS_ARGUMENTS_SPLIT_WRONG, std::move(standIn), IDC_MISC_ADDITIONAL);
    }
    for (size_t i = 0; i + 2 < count; ++i) {
        if (words[i].empty() || words[i].front() != L'-') {
            return refuseOnMiscPage(IDS_STRAY_ARGUMENT, words[i], IDC_MISC_ADDITIONAL);
        }
    }
    return FileCheck{};
}

} // namespace

std::vector<std::wstring> splitByPlatform(const std::wstring& arguments)
{
    // A stand-in program name first: the first word of a command line follows other rules.
    std::vector<std::wstring> words = win::splitCommandLine(L"program " + arguments);
    if (!words.empty()) {
        words.erase(words.begin());
    }
    return words;
}

FileCheck checkFiles(const ConfirmFiles& files)
{
    if (files.input.empty()) {
        return refuse(IDS_INPUT_EMPTY, std::wstring(), IDC_BASIC_INPUT);
    }
    if (files.output.empty()) {
        return refuse(IDS_OUTPUT_EMPTY, std::wstring(), IDC_BASIC_OUTPUT);
    }
    if (!win::pathExists(files.input)) {
        return refuse(IDS_FILE_NOT_EXISTS, files.input, IDC_BASIC_INPUT);
    }
    if (win::isDirectory(files.input)) {
        return refuse(IDS_INPUT_IS_DIRECTORY, files.input, IDC_BASIC_INPUT);
    }
    if (win::isDirectory(files.output)) {
        return refuse(IDS_OUTPUT_IS_DIRECTORY, files.output, IDC_BASIC_OUTPUT);
    }
    if (const std::wstring folder = win::folderOf(files.output); !win::isDirectory(folder)) {
        return refuse(IDS_OUTPUT_FOLDER_MISSING, folder, IDC_BASIC_OUTPUT);
    }
    if (win::sameFile(files.output, files.input)) {
        return refuse(IDS_OUTPUT_IS_INPUT, files.output, IDC_BASIC_OUTPUT);
    }
    if (!files.logPath.empty()) {
        if (win::sameFile(files.logPath, files.input)) {
            return refuseOnMiscPage(IDS_LOG_IS_INPUT, files.logPath, IDC_MISC_LOG_PATH);
        }
        if (win::sameFile(files.logPath, files.output)) {
            return refuseOnMiscPage(IDS_LOG_IS_OUTPUT, files.logPath, IDC_MISC_LOG_PATH);
        }
    }
    if (const FileCheck split = checkArgumentSplit(files); split.verdict != FileVerdict::Accept) {
        return split;
    }
    // Replacing an existing output adds " --force" to the command line.
    const bool outputExists = win::pathExists(files.output);
    const size_t length = files.commandLineLength + (outputExists ? std::wstring_view(converter::kForceOption).size() : 0);
    if (length > kMaxCommandLineLength) {
        return refuse(IDS_COMMAND_LINE_TOO_LONG, std::to_wstring(length), 0);
    }
    if (outputExists) {
        return FileCheck{FileVerdict::AskOverwrite, IDS_OVERWRITE_QUESTION, files.output, CheckPage::Basic, IDC_BASIC_OUTPUT};
    }
    return FileCheck{};
}

} // namespace queue
