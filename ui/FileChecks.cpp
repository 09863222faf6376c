#include "ui/FileChecks.h"

#include <string_view>

#include "converter/ConverterContract.h"
#include "res/resource.h"
#include "win/FileSystem.h"

namespace ui {

namespace {

FileCheck refuse(UINT stringId, std::wstring insert, int controlId)
{
    return FileCheck{FileVerdict::Refuse, stringId, std::move(insert), controlId};
}

} // namespace

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
    if (win::sameFile(files.output, files.input)) {
        return refuse(IDS_OUTPUT_IS_INPUT, files.output, IDC_BASIC_OUTPUT);
    }
    if (!files.logPath.empty()) {
        if (win::sameFile(files.logPath, files.input)) {
            return refuse(IDS_LOG_IS_INPUT, files.logPath, IDC_MISC_LOG_PATH);
        }
        if (win::sameFile(files.logPath, files.output)) {
            return refuse(IDS_LOG_IS_OUTPUT, files.logPath, IDC_MISC_LOG_PATH);
        }
    }
    // Replacing an existing output adds " --force" to the command line.
    const bool outputExists = win::pathExists(files.output);
    const size_t length = files.commandLineLength + (outputExists ? std::wstring_view(converter::kForceOption).size() : 0);
    if (length > kMaxCommandLineLength) {
        return refuse(IDS_COMMAND_LINE_TOO_LONG, std::to_wstring(length), 0);
    }
    if (outputExists) {
        return FileCheck{FileVerdict::AskOverwrite, IDS_OVERWRITE_QUESTION, files.output, IDC_BASIC_OUTPUT};
    }
    return FileCheck{};
}

} // namespace ui
