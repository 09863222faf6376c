// korvello.exe, the reference converter: PDF or PostScript to DjVu with Ghostscript
// (rendering, text) and DjVuLibre (encoding, bundling, text layer).
//
//   korvello.exe --killevent=<name> [options] "<input>" "<output>" [--force]
//
// It prints "Processing pages 1 through N." first and "Page N" when page N is
// finished; the renderer's messages pass through unchanged; its own notices and error
// lines say what it could not do and why. Exit codes: 0 success, 1 bad command line, 2
// input missing or output in the way, 3 rendering failed, 4 encoding failed, 5 the
// output could not be written, 6 a tool is missing, 5963 stopped on the kill event.
// The output is written under a temporary name beside it and renamed at the very end.
// See reference/README.md.
#include "reference/Conversion.h"
#include "reference/Failure.h"
#include "reference/Options.h"
#include "reference/djvu/DjVuFormat.h"
#include "reference/host/Files.h"
#include "reference/host/ToolHost.h"

#include <windows.h>
#include <shellapi.h>

#include <algorithm>

namespace reference {
namespace {

HANDLE gStop = nullptr; // manual-reset: set once the kill event was signalled

DWORD WINAPI watchKillEvent(void* killEvent)
{
    if (WaitForSingleObject(static_cast<HANDLE>(killEvent), INFINITE) == WAIT_OBJECT_0) {
        SetEvent(gStop);
    }
    return 0;
}

std::vector<std::wstring> commandLineArguments()
{
    int count = 0;
    wchar_t** words = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::wstring> arguments;
    for (int i = 1; i < count; ++i) {
        arguments.emplace_back(words[i]);
    }
    LocalFree(words);
    return arguments;
}

std::wstring folderOf(const std::wstring& path)
{
    wchar_t full[MAX_PATH * 4] = {};
    wchar_t* name = nullptr;
    if (GetFullPathNameW(path.c_str(), MAX_PATH * 4, full, &name) == 0 || name == nullptr) {
        return {};
    }
    *name = L'\0';
    return full;
}

// The notices naming what the converter does not carry out, or does otherwise than asked;
// the options are set to what is done.
void noticeOptions(Options& options)
{
    if (options.dpi < kDjVuMinDpi || options.dpi > kDjVuMaxDpi) {
        const int asked = options.dpi;
        options.dpi = std::clamp(options.dpi, kDjVuMinDpi, kDjVuMaxDpi);
        writeLine("   **** Notice: --dpi=" + std::to_string(asked) + " is outside what DjVu holds ("
            + std::to_string(kDjVuMinDpi) + " to " + std::to_string(kDjVuMaxDpi) + " dpi); the pages are rendered at "
            + std::to_string(options.dpi) + " dpi.");
    }
    if (!options.resourceDir.empty()) {
        const DWORD attributes = GetFileAttributesW(options.resourceDir.c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
            writeLine("   **** Notice: the resource folder does not exist (--resourcedir=" + toAnsi(options.resourceDir)
                + "); the renderer's own resources are used.");
            options.resourceDir.clear();
        }
    }
    if (options.ignored.empty()) {
        return;
    }
    std::wstring names;
    for (const auto& name : options.ignored) {
        names += (names.empty() ? L"" : L", ") + name;
    }
    writeLine("   **** Notice: this converter cannot carry out " + toAnsi(names) + "; ignored.");
}

// Everything that can be known wrong before any work: exit code, or 0.
int checkFiles(const Options& options, const std::wstring& part)
{
    if (!fileExists(options.input)) {
        writeLine("Error: the input file does not exist: " + toAnsi(options.input));
        return kExitInput;
    }
    if (fileExists(options.output) && !options.force) {
        writeLine("Error: the output file exists (--force replaces it): " + toAnsi(options.output));
        return kExitInput;
    }
    const std::wstring folder = folderOf(options.output);
    const DWORD attributes = GetFileAttributesW(folder.c_str());
    if (folder.empty() || attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        writeLine("Error: the output folder does not exist: " + toAnsi(folder));
        return kExitOutput;
    }
    // The temporary output is made now, so a folder that takes no files fails at once.
    const HANDLE file = CreateFileW(part.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        writeLine("Error: no file can be written in the output folder (system error " + std::to_string(GetLastError())
            + "): " + toAnsi(folder));
        return kExitOutput;
    }
    CloseHandle(file);
    return 0;
}

} // namespace
} // namespace reference

int main()
{
    using namespace reference;
    Options options = parseOptions(commandLineArguments());
    gStop = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (!options.killEvent.empty()) {
        // Held for the whole run, so a signal from the front end reaches us.
        const HANDLE killEvent = CreateEventW(nullptr, FALSE, FALSE, options.killEvent.c_str());
        if (killEvent != nullptr) {
            CloseHandle(CreateThread(nullptr, 0, &watchKillEvent, killEvent, 0, nullptr));
        }
    }
    writeLine("Korvello reference converter (Ghostscript and DjVuLibre)");
    if (!options.problem.empty()) {
        writeLine("Error: " + toAnsi(options.problem) + ".");
        writeLine("Usage: korvello.exe --killevent=<name> [options] \"<input>\" \"<output>\" [--force]");
        return kExitUsage;
    }
    if (options.noSpaces && options.text != TextLevel::Lines) {
        options.ignored.push_back(L"--nosep (it joins the words of line-level text only)");
    }
    // Named after this run, so two runs writing the same output never share it.
    const std::wstring part = options.output + L"." + std::to_wstring(GetCurrentProcessId()) + L".korvello-part";
    if (const int problem = checkFiles(options, part); problem != 0) {
        return problem;
    }

    wchar_t temp[MAX_PATH + 1] = {};
    GetTempPathW(MAX_PATH + 1, temp);
    const std::wstring work = std::wstring(temp) + L"korvello-" + std::to_wstring(GetCurrentProcessId()) + L"-"
        + std::to_wstring(GetTickCount());
    if (!CreateDirectoryW(work.c_str(), nullptr)) {
        writeLine("Error: no temporary folder could be made: " + toAnsi(work));
        DeleteFileW(part.c_str());
        return kExitOutput;
    }
    auto host = makeToolHost(work, part);
    std::vector<std::string> needed = {"gs", "cjb2", "c44", "djvm", "djvumake", "djvuextract", "djvused", "djvutxt"};
    for (const auto& name : needed) {
        if (!host->hasTool(name)) {
            writeLine("Error: the tool " + name + " was not found (" + host->name() + " host).");
            host->shutDown();
            removeTree(work);
            DeleteFileW(part.c_str());
            return kExitTools;
        }
    }
    noticeOptions(options);
    Conversion conversion(options, *host, work, part, gStop);
    return conversion.run();
}
