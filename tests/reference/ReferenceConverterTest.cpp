// Real conversions: korvello-gui.exe with the reference converter on the sample PDFs,
// checked with DjVuLibre's own tools; and the converter's stop on its kill event.
#include <windows.h>

#include <gtest/gtest.h>

#include <commctrl.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "e2e/E2eSupport.h"
#include "ToolHost.h"
#include "res/resource.h"
#include "win/Handle.h"
#include "win/Text.h"

namespace {

struct ToolResult {
    int exitCode = -1;
    std::vector<std::string> lines;
};

// The tools, run the way the converter runs them (through /bin/sh under Wine).
class Tools {
public:
    explicit Tools(const Installation& installation)
        : work_(installation.path(L"tools"))
    {
        CreateDirectoryW(work_.c_str(), nullptr);
        host_ = makeToolHost(work_);
    }

    // Empty when everything is there; otherwise what is missing.
    std::string missing() const
    {
        std::string absent;
        for (const char* tool : {"gs", "cjb2", "c44", "djvm", "djvumake", "djvuextract", "djvused", "ddjvu"}) {
            if (!host_->hasTool(tool)) {
                absent += std::string(absent.empty() ? "" : ", ") + tool;
            }
        }
        return absent;
    }

    ToolResult run(const std::string& tool, const std::vector<std::wstring>& arguments)
    {
        ToolResult result;
        auto job = host_->start(tool, arguments);
        if (!job) {
            return result;
        }
        while (!job->poll(result.lines)) {
            Sleep(10);
        }
        result.exitCode = job->exitCode();
        return result;
    }

    std::wstring path(const std::wstring& windowsPath) const { return host_->toolPath(windowsPath); }

    // The page count as the named tool reports it ("n" of djvused; pdfpagecount of gs).
    int djvuPages(const std::wstring& djvu)
    {
        const ToolResult result = run("djvused", {L"-e", L"n", path(djvu)});
        return result.exitCode == 0 && !result.lines.empty() ? std::atoi(result.lines.back().c_str()) : -1;
    }
    int pdfPages(const std::wstring& pdf)
    {
        std::wstring file = path(pdf);
        const ToolResult result = run("gs", {L"-q", L"-dNODISPLAY", L"-dNOSAFER", L"-c",
            L"(" + file + L") (r) file runpdfbegin pdfpagecount = quit"});
        return result.exitCode == 0 && !result.lines.empty() ? std::atoi(result.lines.back().c_str()) : -2;
    }

private:
    std::wstring work_;
    std::unique_ptr<ToolHost> host_;
};

std::wstring samplePath(const wchar_t* name)
{
    return windowsPathOf(KORVELLO_SAMPLES) + L"\\" + name;
}

// Counts of dark and light pixels of a binary PGM file.
std::pair<size_t, size_t> darkAndLight(const std::string& pgm)
{
    size_t at = 0;
    int fields = 0;
    while (at < pgm.size() && fields < 4) { // P5, width, height, maximum
        while (at < pgm.size() && std::isspace(static_cast<unsigned char>(pgm[at]))) {
            ++at;
        }
        while (at < pgm.size() && !std::isspace(static_cast<unsigned char>(pgm[at]))) {
            ++at;
        }
        ++fields;
    }
    ++at;
    size_t dark = 0;
    size_t light = 0;
    for (; at < pgm.size(); ++at) {
        (static_cast<unsigned char>(pgm[at]) < 128 ? dark : light)++;
    }
    return {dark, light};
}

// The message rows of another process's progress dialog: (type, description). The
// list view's texts are fetched through memory allocated in that process.
std::vector<std::pair<std::wstring, std::wstring>> messageRows(HWND progress)
{
    std::vector<std::pair<std::wstring, std::wstring>> rows;
    const HWND list = GetDlgItem(progress, IDC_PROGRESS_MESSAGES);
    DWORD processId = 0;
    GetWindowThreadProcessId(list, &processId);
    const win::UniqueHandle process(OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, processId));
    if (!process) {
        return rows;
    }
    constexpr size_t kTextChars = 1024;
    auto* remote = static_cast<char*>(VirtualAllocEx(process.get(), nullptr, sizeof(LVITEMW) + kTextChars * 2,
        MEM_COMMIT, PAGE_READWRITE));
    auto cell = [&](int row, int column) {
        LVITEMW item = {};
        item.iSubItem = column;
        item.pszText = reinterpret_cast<wchar_t*>(remote + sizeof(LVITEMW));
        item.cchTextMax = kTextChars;
        WriteProcessMemory(process.get(), remote, &item, sizeof(item), nullptr);
        SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(remote));
        std::wstring text(kTextChars, L'\0');
        ReadProcessMemory(process.get(), remote + sizeof(LVITEMW), text.data(), kTextChars * 2, nullptr);
        text.resize(wcslen(text.c_str()));
        return text;
    };
    const int count = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
    for (int row = 0; row < count; ++row) {
        rows.emplace_back(cell(row, 0), cell(row, 2));
    }
    VirtualFreeEx(process.get(), remote, 0, MEM_RELEASE);
    return rows;
}

struct GuiRun {
    std::optional<DWORD> exitCode;
    std::vector<std::pair<std::wstring, std::wstring>> rows;
};

// The front end on input (a copy in the installation), OK on the sheet, rows of the
// finished progress dialog, OK there.
GuiRun convertWithTheFrontEnd(const Installation& installation, const std::wstring& input)
{
    GuiRun run;
    GuiProcess gui(installation.gui(), {input});
    const HWND sheet = gui.waitForSheet();
    if (sheet == nullptr) {
        ADD_FAILURE() << "no settings sheet";
        return run;
    }
    pressButton(sheet, IDOK);
    const HWND progress = gui.waitForFinishedProgress(180000);
    if (progress == nullptr) {
        ADD_FAILURE() << "the progress dialog did not finish";
        return run;
    }
    run.rows = messageRows(progress);
    pressButton(progress, IDCANCEL);
    run.exitCode = gui.waitForExit(60000);
    return run;
}

#define SKIP_WITHOUT_TOOLS(tools)                                                                            \
    if (const std::string absent = (tools).missing(); !absent.empty()) {                                    \
        GTEST_SKIP() << "Not installed: " << absent << " (scripts/setup.sh installs ghostscript and "       \
                     << "djvulibre-bin)";                                                                   \
    }                                                                                                        \
    if (GetFileAttributesW(samplePath(L"sample.pdf").c_str()) == INVALID_FILE_ATTRIBUTES) {                 \
        GTEST_SKIP() << "The sample PDFs were not made (the build needs ps2pdf from ghostscript)";           \
    }

} // namespace

TEST(ReferenceConverter, TheFrontEndTurnsTheSamplePdfIntoAMultiPageDjVu)
{
    CleanSettingsKey settings;
    settings.setDword(L"OpenDjVuAfterConversion", 0);
    Installation installation(KORVELLO_REFERENCE_EXE);
    Tools tools(installation);
    SKIP_WITHOUT_TOOLS(tools);
    const std::wstring input = installation.path(L"sample.pdf");
    ASSERT_TRUE(CopyFileW(samplePath(L"sample.pdf").c_str(), input.c_str(), FALSE));

    const GuiRun run = convertWithTheFrontEnd(installation, input);
    EXPECT_EQ(1u, run.exitCode.value_or(12345));
    for (const auto& [type, text] : run.rows) {
        EXPECT_NE(L"Error", type) << win::toUtf8(text);
    }

    const std::wstring output = installation.path(L"sample.djvu");
    const int pages = tools.pdfPages(input);
    EXPECT_GT(pages, 1);
    EXPECT_EQ(pages, tools.djvuPages(output));
    const std::wstring firstPage = installation.path(L"first.pgm");
    ASSERT_EQ(0, tools.run("ddjvu", {L"-format=pgm", L"-page=1", L"-scale=50", tools.path(output), tools.path(firstPage)})
                     .exitCode);
    const auto [dark, light] = darkAndLight(installation.readFile(L"first.pgm"));
    EXPECT_GT(dark, 1000u) << "the first page decodes blank";
    EXPECT_GT(light, dark);
    EXPECT_FALSE(installation.exists(L"sample.djvu.korvello-part"));
}

TEST(ReferenceConverter, RepairWarningsOfADamagedPdfBecomeRows)
{
    CleanSettingsKey settings;
    settings.setDword(L"OpenDjVuAfterConversion", 0);
    Installation installation(KORVELLO_REFERENCE_EXE);
    Tools tools(installation);
    SKIP_WITHOUT_TOOLS(tools);
    const std::wstring input = installation.path(L"damaged.pdf");
    ASSERT_TRUE(CopyFileW(samplePath(L"damaged.pdf").c_str(), input.c_str(), FALSE));

    const GuiRun run = convertWithTheFrontEnd(installation, input);
    EXPECT_EQ(1u, run.exitCode.value_or(12345));
    // The renderer's "   **** This file had errors that were repaired or ignored."
    // graded and reworded by the shipped rule file.
    const std::pair<std::wstring, std::wstring> repaired = {L"Warning",
        L"The document had errors that were repaired or ignored; check the result."};
    EXPECT_NE(run.rows.end(), std::find(run.rows.begin(), run.rows.end(), repaired));
    EXPECT_EQ(5, tools.djvuPages(installation.path(L"damaged.djvu")));
}

TEST(ReferenceConverter, TheKillEventStopsALongConversionAndLeavesNoOutput)
{
    Installation installation(KORVELLO_REFERENCE_EXE);
    Tools tools(installation);
    SKIP_WITHOUT_TOOLS(tools);
    const std::wstring output = installation.path(L"long.djvu");
    const std::wstring event = L"Korvello_GUI_test" + std::to_wstring(GetCurrentProcessId());
    std::wstring commandLine = L"\"" + installation.path(L"korvello.exe") + L"\" --killevent=" + event
        + L" --dpi=300 --words \"" + samplePath(L"long.pdf") + L"\" \"" + output + L"\"";

    SECURITY_ATTRIBUTES inheritable = {sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE readEnd = nullptr;
    HANDLE writeEnd = nullptr;
    ASSERT_TRUE(CreatePipe(&readEnd, &writeEnd, &inheritable, 0));
    const win::UniqueHandle reader(readEnd);
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = writeEnd;
    startup.hStdError = writeEnd;
    PROCESS_INFORMATION information = {};
    const BOOL started = CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
        &startup, &information);
    CloseHandle(writeEnd);
    ASSERT_TRUE(started);
    const win::UniqueHandle process(information.hProcess);
    const win::UniqueHandle thread(information.hThread);

    // Read until the renderer is well into the document.
    std::string output_text;
    char buffer[4096];
    DWORD read = 0;
    while (output_text.find("\nPage 6") == std::string::npos
        && ReadFile(reader.get(), buffer, sizeof(buffer), &read, nullptr) && read > 0) {
        output_text.append(buffer, read);
    }
    ASSERT_NE(std::string::npos, output_text.find("Processing pages 1 through 100.")) << output_text;
    ASSERT_NE(WAIT_OBJECT_0, WaitForSingleObject(process.get(), 0)) << "the conversion ended before the stop";

    const win::UniqueHandle kill(CreateEventW(nullptr, FALSE, FALSE, event.c_str()));
    LARGE_INTEGER frequency = {}, before = {}, after = {};
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&before);
    SetEvent(kill.get());
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(process.get(), 30000));
    QueryPerformanceCounter(&after);
    DWORD code = 0;
    GetExitCodeProcess(process.get(), &code);
    EXPECT_EQ(5963u, code);
    EXPECT_FALSE(installation.exists(L"long.djvu"));
    EXPECT_FALSE(installation.exists(L"long.djvu.korvello-part"));
    // The working folder (named after the converter's process id) is gone too.
    wchar_t temp[MAX_PATH + 1] = {};
    GetTempPathW(MAX_PATH + 1, temp);
    WIN32_FIND_DATAW found = {};
    const std::wstring pattern = std::wstring(temp) + L"korvello-" + std::to_wstring(information.dwProcessId) + L"-*";
    const HANDLE search = FindFirstFileW(pattern.c_str(), &found);
    EXPECT_EQ(INVALID_HANDLE_VALUE, search);
    if (search != INVALID_HANDLE_VALUE) {
        FindClose(search);
    }
    const double milliseconds = 1000.0 * static_cast<double>(after.QuadPart - before.QuadPart)
        / static_cast<double>(frequency.QuadPart);
    std::cout << "stopped " << milliseconds << " ms after the kill event was signalled\n";
    RecordProperty("stop_ms", static_cast<int>(milliseconds));
}
