// Real conversions: korvello-gui.exe with the reference converter on the sample PDFs,
// checked with DjVuLibre's own tools; and the converter's stop on its kill event.
#include <windows.h>

#include <gtest/gtest.h>

#include <commctrl.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "e2e/E2eSupport.h"
#include "reference/host/ToolHost.h"
#include "res/resource.h"
#include "win/Handle.h"
#include "base/Text.h"

using namespace reference;

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
        for (const char* tool : {"gs", "cjb2", "c44", "djvm", "djvumake", "djvuextract", "djvused", "ddjvu", "djvutxt"}) {
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
    bool has(const char* tool) const { return host_->hasTool(tool); }

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

// The message rows of another process's progress dialog: (type, description).
std::vector<std::pair<std::wstring, std::wstring>> messageRows(HWND progress)
{
    std::vector<std::pair<std::wstring, std::wstring>> rows;
    for (const auto& cells : listRowsOf(GetDlgItem(progress, IDC_PROGRESS_MESSAGES), 3)) {
        rows.emplace_back(cells[0], cells[2]);
    }
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
        EXPECT_NE(L"Error", type) << base::toUtf8(text);
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
    WIN32_FIND_DATAW found = {};
    EXPECT_EQ(INVALID_HANDLE_VALUE, FindFirstFileW(installation.path(L"*.korvello-part").c_str(), &found));
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

// Three front ends started as the file manager starts them: one sheet, the documents
// converted one after another, the damaged one failed while the others convert, and the
// sheet brought back with only the failed one.
TEST(ReferenceConverter, SeveralDocumentsStartedTogetherConvertAndTheFailedOneComesBack)
{
    CleanSettingsKey settings;
    settings.setDword(L"OpenDjVuAfterConversion", 0);
    settings.setHistory(L"--dpi=75");
    Installation installation(KORVELLO_REFERENCE_EXE);
    Tools tools(installation);
    SKIP_WITHOUT_TOOLS(tools);
    std::vector<std::wstring> inputs = {installation.path(L"one.pdf"), installation.path(L"two.pdf")};
    for (const std::wstring& input : inputs) {
        ASSERT_TRUE(CopyFileW(samplePath(L"sample.pdf").c_str(), input.c_str(), FALSE));
    }
    inputs.push_back(installation.writeFile(L"broken.pdf", "%PDF-1.4\nnot a document\n"));

    std::vector<std::unique_ptr<GuiProcess>> processes;
    for (const std::wstring& input : inputs) {
        processes.push_back(std::make_unique<GuiProcess>(installation.gui(), std::vector<std::wstring>{input}));
    }
    GuiProcess* collector = nullptr;
    HWND sheet = nullptr;
    for (const DWORD start = GetTickCount(); collector == nullptr && GetTickCount() - start < 30000; Sleep(20)) {
        for (auto& process : processes) {
            if ((sheet = process->waitForSheet(0)) != nullptr) {
                collector = process.get();
                break;
            }
        }
    }
    ASSERT_NE(nullptr, collector);
    for (const DWORD start = GetTickCount();
         GetTickCount() - start < 5000 && itemTextOf(sheetPage(sheet, 0), IDC_BASIC_INPUT) != L"3 documents";) {
        Sleep(20);
    }
    ASSERT_EQ(L"3 documents", itemTextOf(sheetPage(sheet, 0), IDC_BASIC_INPUT));
    pressButton(sheet, IDOK);

    const HWND summary = collector->waitForSummary(300000);
    ASSERT_NE(nullptr, summary);
    for (const auto& row : listRowsOf(GetDlgItem(summary, IDC_SUMMARY_LIST), 2)) {
        EXPECT_EQ(row[0] == L"broken.pdf" ? L"Failed" : L"Converted", row[1]) << base::toUtf8(row[0]);
    }
    pressButton(summary, IDCANCEL);
    EXPECT_EQ(5, tools.djvuPages(installation.path(L"one.djvu")));
    EXPECT_EQ(5, tools.djvuPages(installation.path(L"two.djvu")));
    EXPECT_FALSE(installation.exists(L"broken.djvu"));

    const HWND again = collector->waitForSheet();
    ASSERT_NE(nullptr, again);
    EXPECT_EQ(inputs[2], itemTextOf(sheetPage(again, 0), IDC_BASIC_INPUT));
    pressButton(again, IDCANCEL);
    EXPECT_TRUE(collector->waitForExit().has_value());
}

// korvello.exe alone, its standard output and error in one pipe, as the front end runs it.
class ConverterProcess {
public:
    ConverterProcess(const Installation& installation, const std::wstring& arguments)
    {
        std::wstring commandLine = L"\"" + installation.path(L"korvello.exe") + L"\" " + arguments;
        SECURITY_ATTRIBUTES inheritable = {sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
        HANDLE readEnd = nullptr;
        HANDLE writeEnd = nullptr;
        CreatePipe(&readEnd, &writeEnd, &inheritable, 0);
        reader_.reset(readEnd);
        SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
        STARTUPINFOW startup = {};
        startup.cb = sizeof(startup);
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdOutput = writeEnd;
        startup.hStdError = writeEnd;
        PROCESS_INFORMATION information = {};
        started_ = CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
            &information) != FALSE;
        CloseHandle(writeEnd);
        process_.reset(information.hProcess);
        thread_.reset(information.hThread);
        id_ = information.dwProcessId;
    }

    bool started() const { return started_; }
    DWORD id() const { return id_; }
    HANDLE process() const { return process_.get(); }
    const std::string& output() const { return output_; }

    // Reads until the text has been written (true) or the output ends (false).
    bool readUntil(const std::string& text)
    {
        char buffer[4096];
        DWORD read = 0;
        while (output_.find(text) == std::string::npos) {
            if (!ReadFile(reader_.get(), buffer, sizeof(buffer), &read, nullptr) || read == 0) {
                return false;
            }
            output_.append(buffer, read);
        }
        return true;
    }

    // Reads everything, then the exit code.
    DWORD finish()
    {
        readUntil(std::string(1, '\0'));
        WaitForSingleObject(process_.get(), 120000);
        DWORD code = 12345;
        GetExitCodeProcess(process_.get(), &code);
        return code;
    }

private:
    win::UniqueHandle reader_;
    win::UniqueHandle process_;
    win::UniqueHandle thread_;
    DWORD id_ = 0;
    bool started_ = false;
    std::string output_;
};

std::wstring quoted(const std::wstring& path)
{
    return L"\"" + path + L"\"";
}

} // namespace

TEST(ReferenceConverter, PostScriptPagesAreAnnouncedThenSaidOneByOneAndLinksKept)
{
    Installation installation(KORVELLO_REFERENCE_EXE);
    Tools tools(installation);
    SKIP_WITHOUT_TOOLS(tools);
    const std::wstring output = installation.path(L"sample.djvu");
    ConverterProcess converter(installation, L"--dpi=100 --convert-links " + quoted(windowsPathOf(KORVELLO_SAMPLE_PS))
        + L" " + quoted(output));
    ASSERT_TRUE(converter.started());
    EXPECT_EQ(0u, converter.finish()) << converter.output();
    // The count before any page, then every page once and in order.
    const std::string& text = converter.output();
    size_t at = text.find("\nProcessing pages 1 through 5.\r\n");
    ASSERT_NE(std::string::npos, at) << text;
    for (int page = 1; page <= 5; ++page) {
        const size_t next = text.find("\nPage " + std::to_string(page) + "\r\n");
        ASSERT_NE(std::string::npos, next) << page << text;
        EXPECT_LT(at, next);
        at = next;
    }
    EXPECT_EQ(std::string::npos, text.find("\nPage 6")) << text;
    EXPECT_EQ(5, tools.djvuPages(output));
    const ToolResult links = tools.run("djvused", {L"-e", L"select 1; print-ant", tools.path(output)});
    ASSERT_FALSE(links.lines.empty());
    EXPECT_NE(std::string::npos, links.lines.front().find("(maparea \"https://example.org/korvello\""));
}

struct TextWord {
    int x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    std::string text;
};

// The words of a DjVu page as djvutxt reads them, after a check that the page's text
// reads at all (djvused fails on a corrupt text layer, where djvutxt says nothing).
std::vector<TextWord> pageWords(Tools& tools, const std::wstring& djvu, int page, int& width, int& height)
{
    const std::wstring select = L"select " + std::to_wstring(page) + L"; ";
    EXPECT_EQ(0, tools.run("djvused", {L"-e", select + L"print-txt", tools.path(djvu)}).exitCode) << "page " << page;
    const ToolResult size = tools.run("djvused", {L"-e", select + L"size", tools.path(djvu)});
    width = height = 0;
    if (!size.lines.empty()) {
        std::sscanf(size.lines.front().c_str(), "width=%d height=%d", &width, &height);
    }
    std::vector<TextWord> words;
    const ToolResult text = tools.run("djvutxt", {L"-page=" + std::to_wstring(page), L"-detail=word", tools.path(djvu)});
    for (const auto& line : text.lines) {
        for (size_t at = line.find("(word "); at != std::string::npos; at = line.find("(word ", at + 1)) {
            TextWord word;
            char quoted[256] = {};
            if (std::sscanf(line.c_str() + at, "(word %d %d %d %d \"%255[^\"]", &word.x0, &word.y0, &word.x1, &word.y1,
                    quoted) == 5) {
                word.text = quoted;
                words.push_back(word);
            }
        }
    }
    return words;
}

// Converts the sample at 150 dpi with word-level text; for each page the words that
// must be found, and whether they run up or down the page.
void expectWords(const wchar_t* sample, const std::vector<std::pair<std::vector<std::string>, bool>>& pages)
{
    Installation installation(KORVELLO_REFERENCE_EXE);
    Tools tools(installation);
    SKIP_WITHOUT_TOOLS(tools);
    const std::wstring output = installation.path(L"text.djvu");
    ConverterProcess converter(installation, L"--dpi=150 --words " + quoted(samplePath(sample)) + L" " + quoted(output));
    ASSERT_EQ(0u, converter.finish()) << converter.output();
    EXPECT_EQ(std::string::npos, converter.output().find("Notice: the hidden text")) << converter.output();
    ASSERT_EQ(static_cast<int>(pages.size()), tools.djvuPages(output));
    for (size_t page = 0; page < pages.size(); ++page) {
        int width = 0, height = 0;
        const std::vector<TextWord> words = pageWords(tools, output, static_cast<int>(page) + 1, width, height);
        for (const auto& word : words) {
            EXPECT_TRUE(0 <= word.x0 && word.x0 < word.x1 && word.x1 <= width && 0 <= word.y0 && word.y0 < word.y1
                && word.y1 <= height) << word.text << " " << word.x0 << " " << word.y0 << " " << word.x1 << " " << word.y1;
            // No CJK: UTF-8 lead bytes of U+3000 to U+9FFF.
            EXPECT_TRUE(std::none_of(word.text.begin(), word.text.end(),
                [](char c) { return static_cast<unsigned char>(c) >= 0xE3 && static_cast<unsigned char>(c) <= 0xE9; }))
                << word.text;
        }
        for (const auto& wanted : pages[page].first) {
            const auto found = std::find_if(words.begin(), words.end(), [&](const TextWord& w) { return w.text == wanted; });
            ASSERT_NE(words.end(), found) << "page " << page + 1 << " lacks the word " << wanted;
            if (wanted.size() >= 5) { // shorter words may be higher than wide either way
                EXPECT_EQ(pages[page].second, found->y1 - found->y0 > found->x1 - found->x0) << wanted;
            }
        }
    }
}

// Kerned pieces, two-letter ligatures, letter-spaced words, text past the edge, text
// 0.1 pt high and text running down and up the page: every page's text reads and has
// the words, each inside the page.
TEST(ReferenceConverter, TheHiddenTextHasTheDocumentsWordsInsideThePage)
{
    expectWords(L"text.pdf", {{{"The", "following", "words", "kerned", "first", "floor", "office", "index", "caches",
                                   "Overflowing", "tiny", "Closing", "line"}, false},
                                 {{"Rotated", "card", "downward", "Another", "upward"}, true}});
}

// PostScript: letters placed one by one, ashow spacing and a page printed rotated.
TEST(ReferenceConverter, PostScriptTextIsJoinedIntoWordsAndBoxedAsItLies)
{
    expectWords(L"text.ps", {{{"Letters", "one", "by", "index", "caches"}, false},
                                {{"Landscape", "card", "printed", "rotated"}, true}});
}

// As users start it from a Linux shell (wine korvello.exe ... > out.txt): the relay of
// the tools' output stays whole to the last page.
TEST(ReferenceConverter, StartedFromALinuxShellItSaysEveryPage)
{
    Installation installation(KORVELLO_REFERENCE_EXE);
    Tools tools(installation);
    SKIP_WITHOUT_TOOLS(tools);
    if (!tools.has("wine")) {
        GTEST_SKIP() << "wine is not on the Linux side's PATH";
    }
    const std::wstring command = L"cd '" + tools.path(installation.folder()) + L"' && wine korvello.exe --dpi=100 "
        L"--no-texts '" + samplePath(L"long.pdf") + L"' '" + installation.path(L"long.djvu") + L"' > out.txt 2>&1";
    EXPECT_EQ(0, tools.run("sh", {L"-c", command}).exitCode) << installation.readFile(L"out.txt");
    const std::string output = installation.readFile(L"out.txt");
    EXPECT_EQ(std::string::npos, output.find('\0'));
    for (int page = 1; page <= 100; ++page) {
        ASSERT_NE(std::string::npos, output.find("\nPage " + std::to_string(page) + "\r\n")) << page << output;
    }
    EXPECT_EQ(100, tools.djvuPages(installation.path(L"long.djvu")));
}

TEST(ReferenceConverter, FailuresSayWhyAndLeaveNothing)
{
    Installation installation(KORVELLO_REFERENCE_EXE);
    Tools tools(installation);
    SKIP_WITHOUT_TOOLS(tools);

    ConverterProcess locked(installation, quoted(samplePath(L"locked.pdf")) + L" " + quoted(installation.path(L"a.djvu")));
    EXPECT_EQ(3u, locked.finish());
    EXPECT_NE(std::string::npos, locked.output().find("   **** This file requires a password for access.")) << locked.output();
    EXPECT_NE(std::string::npos, locked.output().find("\nError: the renderer made no page")) << locked.output();

    ConverterProcess noFolder(installation, quoted(samplePath(L"sample.pdf")) + L" " + quoted(installation.path(L"none\\b.djvu")));
    EXPECT_EQ(5u, noFolder.finish());
    EXPECT_NE(std::string::npos, noFolder.output().find("\nError: the output folder does not exist: ")) << noFolder.output();
    EXPECT_EQ(std::string::npos, noFolder.output().find("Processing pages")) << "rendered before the folder was checked";

    // A page 125 inches wide is 37500 pixels at 300 dpi; DjVu takes at most 32767.
    const std::wstring wide = installation.path(L"wide.djvu");
    ConverterProcess tooWide(installation, L"--dpi=300 " + quoted(samplePath(L"wide.ps")) + L" " + quoted(wide));
    EXPECT_EQ(0u, tooWide.finish()) << tooWide.output();
    EXPECT_NE(std::string::npos, tooWide.output().find(
        "   **** Notice: page 1 is too large for DjVu at 300 dpi; it is encoded at 262 dpi.")) << tooWide.output();
    const ToolResult size = tools.run("djvused", {L"-e", L"select 1; size", tools.path(wide)});
    ASSERT_FALSE(size.lines.empty());
    EXPECT_EQ(0u, size.lines.front().find("width=32750 ")) << size.lines.front();
    EXPECT_FALSE(installation.exists(L"a.djvu"));
}

// Options the converter cannot take as asked: a mistyped slice list stops the run before
// any work; a resolution DjVu cannot hold and a missing resource folder are said in
// notices, and the pages are what the notice says; the link pass reads the resources the
// rendering reads.
TEST(ReferenceConverter, OptionsItCannotTakeAsAskedAreSaidAndThePagesAreWhatIsSaid)
{
    Installation installation(KORVELLO_REFERENCE_EXE);
    Tools tools(installation);
    SKIP_WITHOUT_TOOLS(tools);
    ConverterProcess slices(installation, L"--bg-slices=74+13+x " + quoted(samplePath(L"sample.pdf")) + L" "
        + quoted(installation.path(L"slices.djvu")));
    EXPECT_EQ(1u, slices.finish());
    EXPECT_NE(std::string::npos, slices.output().find("\nError: --bg-slices=74+13+x is not a list of slices from 1 to "
        "1000 that never go down")) << slices.output();
    EXPECT_EQ(std::string::npos, slices.output().find("Processing pages")) << "rendered before the slices were checked";
    EXPECT_FALSE(installation.exists(L"slices.djvu"));

    const std::wstring low = installation.path(L"low.djvu");
    ConverterProcess lowRun(installation, L"--dpi=10 " + quoted(L"--resourcedir=" + installation.path(L"no folder"))
        + L" " + quoted(samplePath(L"sample.pdf")) + L" " + quoted(low));
    EXPECT_EQ(0u, lowRun.finish()) << lowRun.output();
    EXPECT_NE(std::string::npos, lowRun.output().find("\n   **** Notice: --dpi=10 is outside what DjVu holds (25 to 6000 "
        "dpi); the pages are rendered at 25 dpi.\r\n")) << lowRun.output();
    EXPECT_NE(std::string::npos, lowRun.output().find("\n   **** Notice: the resource folder does not exist "
        "(--resourcedir=")) << lowRun.output();
    const ToolResult size = tools.run("djvused", {L"-e", L"select 1; size", tools.path(low)});
    ASSERT_FALSE(size.lines.empty());
    int width = 0;
    std::sscanf(size.lines.front().c_str(), "width=%d", &width);
    EXPECT_NEAR(612 * 25 / 72.0, width, 1.0) << "a letter page at 25 dpi";

    // The words and the link's page come from a file of the resource folder.
    const std::wstring resources = installation.path(L"resources");
    CreateDirectoryW(resources.c_str(), nullptr);
    installation.writeFile(L"resources\\korvello-words.ps", "/korvello-words (Linked words) def\n");
    const std::wstring source = installation.writeFile(L"library.ps", "%!PS\n(korvello-words.ps) runlibfile\n"
        "/Helvetica findfont 24 scalefont setfont 72 600 moveto korvello-words show\n"
        "[ /Rect [72 590 300 630] /Border [0 0 0] /Action << /Subtype /URI /URI (https://example.org/words) >> "
        "/Subtype /Link /ANN pdfmark showpage\n");
    const std::wstring linked = installation.path(L"linked.djvu");
    ConverterProcess linkRun(installation, L"--dpi=50 --convert-links " + quoted(L"--resourcedir=" + resources) + L" "
        + quoted(source) + L" " + quoted(linked));
    EXPECT_EQ(0u, linkRun.finish()) << linkRun.output();
    EXPECT_EQ(std::string::npos, linkRun.output().find("Notice")) << linkRun.output();
    const ToolResult links = tools.run("djvused", {L"-e", L"select 1; print-ant", tools.path(linked)});
    ASSERT_FALSE(links.lines.empty());
    EXPECT_NE(std::string::npos, links.lines.front().find("(maparea \"https://example.org/words\"")) << links.lines.front();
}

// Above the resolutions the bitonal and picture encoders take, every level and every way
// of coding marks makes pages of the resolution asked for: a page of black marks and a
// page with a background, coded page by page, lossless and lossy.
TEST(ReferenceConverter, ResolutionsAboveTheEncodersLimitsMakePagesOfThatResolution)
{
    Installation installation(KORVELLO_REFERENCE_EXE);
    Tools tools(installation);
    SKIP_WITHOUT_TOOLS(tools);
    const std::wstring source = installation.writeFile(L"small.ps", "%!PS\n<< /PageSize [36 36] >> setpagedevice\n"
        "/Helvetica findfont 10 scalefont setfont 2 14 moveto (Ab) show showpage\n"
        "1 0 0 setrgbcolor 0 0 36 18 rectfill 0 setgray 2 24 moveto (Cd) show showpage\n");
    for (const std::wstring options : {L"--dpi=1201 --fg-quality=lossy --pages-per-dict=1",
             L"--dpi=1201 --fg-quality=lossless --pages-per-dict=1", L"--dpi=6000 --bg-subsample=1 --fg-quality=aggressive"}) {
        const std::wstring output = installation.path(L"small.djvu");
        DeleteFileW(output.c_str());
        ConverterProcess converter(installation, options + L" " + quoted(source) + L" " + quoted(output));
        ASSERT_EQ(0u, converter.finish()) << base::toUtf8(options) << converter.output();
        const ToolResult dump = tools.run("djvudump", {tools.path(output)});
        const std::string dpi = options.substr(6, 4) == L"1201" ? ", 1201 dpi" : ", 6000 dpi";
        EXPECT_EQ(2, std::count_if(dump.lines.begin(), dump.lines.end(),
            [&](const std::string& line) { return line.find(dpi) != std::string::npos; })) << base::toUtf8(options);
    }
}

// A page too large for DjVu is measured by the renderer and not written at the size asked
// for (gigabytes at a high resolution); it is rendered alone at a resolution that fits,
// and the pages after it keep their places.
TEST(ReferenceConverter, APageTooLargeIsMeasuredBeforeItIsWrittenAndThePagesAfterItKeepTheirPlaces)
{
    Installation installation(KORVELLO_REFERENCE_EXE);
    Tools tools(installation);
    SKIP_WITHOUT_TOOLS(tools);
    const std::wstring source = installation.writeFile(L"banner.ps", "%!PS\n/Helvetica findfont 20 scalefont setfont\n"
        "<< /PageSize [200 200] >> setpagedevice 20 100 moveto (One) show showpage\n"
        "<< /PageSize [30000 300] >> setpagedevice 20 100 moveto (Banner) show showpage\n"
        "<< /PageSize [200 200] >> setpagedevice 20 100 moveto (Three) show showpage\n");
    const std::wstring output = installation.path(L"banner.djvu");
    ConverterProcess converter(installation, L"--dpi=100 --words --pages-per-dict=20 " + quoted(source) + L" "
        + quoted(output));
    ASSERT_EQ(0u, converter.finish()) << converter.output();
    EXPECT_NE(std::string::npos, converter.output().find("   **** Notice: page 2 is too large for DjVu at 100 dpi; it is "
        "encoded at 78 dpi.")) << converter.output();
    const std::vector<std::pair<std::string, std::string>> pages = {
        {"width=278 height=278", "One"}, {"width=32500 height=325", "Banner"}, {"width=278 height=278", "Three"}};
    for (size_t page = 0; page < pages.size(); ++page) {
        const std::wstring select = L"select " + std::to_wstring(page + 1) + L"; ";
        const ToolResult size = tools.run("djvused", {L"-e", select + L"size", tools.path(output)});
        ASSERT_FALSE(size.lines.empty());
        EXPECT_EQ(0u, size.lines.front().find(pages[page].first)) << size.lines.front();
        const ToolResult text = tools.run("djvutxt", {L"-page=" + std::to_wstring(page + 1), tools.path(output)});
        ASSERT_FALSE(text.lines.empty()) << page + 1;
        EXPECT_NE(std::string::npos, text.lines.front().find(pages[page].second)) << text.lines.front();
    }
}

// The largest image (a page's, a band's, a mask or a background) in the converter's working
// folder, looked at every few milliseconds until the converter ends; sawBand when one was a band.
unsigned long long largestImageWhileRunning(const ConverterProcess& converter, bool& sawBand)
{
    wchar_t temp[MAX_PATH + 1] = {};
    GetTempPathW(MAX_PATH + 1, temp);
    const std::wstring folders = std::wstring(temp) + L"korvello-" + std::to_wstring(converter.id()) + L"-*";
    unsigned long long largest = 0;
    while (WaitForSingleObject(converter.process(), 5) == WAIT_TIMEOUT) {
        WIN32_FIND_DATAW folder = {};
        const HANDLE found = FindFirstFileW(folders.c_str(), &folder);
        if (found == INVALID_HANDLE_VALUE) {
            continue;
        }
        FindClose(found);
        WIN32_FIND_DATAW file = {};
        const HANDLE files = FindFirstFileW((std::wstring(temp) + folder.cFileName + L"\\*.p?m").c_str(), &file);
        for (bool more = files != INVALID_HANDLE_VALUE; more; more = FindNextFileW(files, &file) != FALSE) {
            largest = std::max(largest, (static_cast<unsigned long long>(file.nFileSizeHigh) << 32) | file.nFileSizeLow);
            sawBand = sawBand || std::wstring(file.cFileName).rfind(L"band", 0) == 0;
        }
        if (files != INVALID_HANDLE_VALUE) {
            FindClose(files);
        }
    }
    return largest;
}

// A page whose image would pass the image budget (set low for the test) is rendered in
// bands of rows, no file larger than the budget, and joined in memory: the DjVu is the one
// made of pages rendered whole, byte for byte. A page too large for DjVu is measured again
// at the resolution that fits, and rendered in bands too, with its notice.
TEST(ReferenceConverter, PagesOverTheImageBudgetAreRenderedInBandsAndComeOutAsRenderedWhole)
{
    Installation installation(KORVELLO_REFERENCE_EXE);
    Tools tools(installation);
    SKIP_WITHOUT_TOOLS(tools);
    const std::wstring source = installation.writeFile(L"large.ps", "%!PS\n/Helvetica findfont 40 scalefont setfont\n"
        "/ramp 64 string def 0 1 63 { ramp exch dup 4 mul put } for\n"
        "<< /PageSize [1000 1000] >> setpagedevice\n"
        "gsave 100 300 translate 800 400 scale 64 1 8 [64 0 0 1 0 0] { ramp } image grestore\n"
        "1 0 0 setrgbcolor 100 800 moveto (Red words over a ramp) show 0 setgray 100 150 moveto (Black words) show\n"
        "showpage 100 500 moveto (Only words) show showpage\n"
        "<< /PageSize [30000 300] >> setpagedevice 20 100 moveto (Banner) show showpage\n");
    constexpr unsigned long long kBudget = 3000000; // pages of 1000 points: two bands at 100 dpi
    for (const std::wstring options : {L"--dpi=100 --pages-per-dict=1 ", L"--dpi=100 --pages-per-dict=3 "}) {
        std::map<bool, std::string> outputs;
        for (const bool banded : {false, true}) {
            const std::wstring output = installation.path(banded ? L"banded.djvu" : L"whole.djvu");
            DeleteFileW(output.c_str());
            SetEnvironmentVariableW(L"KORVELLO_IMAGE_BUDGET", banded ? std::to_wstring(kBudget).c_str() : nullptr);
            ConverterProcess converter(installation, options + quoted(source) + L" " + quoted(output));
            SetEnvironmentVariableW(L"KORVELLO_IMAGE_BUDGET", nullptr);
            bool sawBand = false;
            const unsigned long long largest = largestImageWhileRunning(converter, sawBand);
            ASSERT_EQ(0u, converter.finish()) << converter.output();
            EXPECT_NE(std::string::npos, converter.output().find("   **** Notice: page 3 is too large for DjVu at 100 "
                "dpi; it is encoded at 78 dpi.")) << converter.output();
            EXPECT_EQ(banded, sawBand) << base::toUtf8(options);
            if (banded) {
                EXPECT_LE(largest, kBudget + 64) << "a band's file: at most the budget and its header";
            } else {
                EXPECT_GT(largest, kBudget) << "without the test's budget the pages are written whole";
            }
            outputs[banded] = installation.readFile(banded ? L"banded.djvu" : L"whole.djvu");
        }
        EXPECT_FALSE(outputs[true].empty());
        EXPECT_TRUE(outputs[true] == outputs[false]) << "the same pages, byte for byte: " << base::toUtf8(options);
        const std::wstring banded = tools.path(installation.path(L"banded.djvu"));
        const std::vector<std::string> sizes = {"width=1389 height=1389", "width=1389 height=1389",
            "width=32500 height=325"};
        for (size_t page = 0; page < sizes.size(); ++page) {
            const ToolResult size = tools.run("djvused", {L"-e", L"select " + std::to_wstring(page + 1) + L"; size", banded});
            ASSERT_FALSE(size.lines.empty());
            EXPECT_EQ(0u, size.lines.front().find(sizes[page])) << size.lines.front();
        }
        const ToolResult text = tools.run("djvutxt", {L"-page=3", banded});
        ASSERT_FALSE(text.lines.empty());
        EXPECT_NE(std::string::npos, text.lines.front().find("Banner"));
    }
    // A background at full resolution would take more than half the budget: it is
    // subsampled further, with a notice.
    const std::wstring output = installation.path(L"background.djvu");
    SetEnvironmentVariableW(L"KORVELLO_IMAGE_BUDGET", std::to_wstring(kBudget).c_str());
    ConverterProcess converter(installation, L"--dpi=100 --bg-subsample=1 " + quoted(source) + L" " + quoted(output));
    SetEnvironmentVariableW(L"KORVELLO_IMAGE_BUDGET", nullptr);
    bool sawBand = false;
    EXPECT_LE(largestImageWhileRunning(converter, sawBand), kBudget + 64);
    ASSERT_EQ(0u, converter.finish()) << converter.output();
    EXPECT_NE(std::string::npos, converter.output().find("   **** Notice: the background of page 1 is subsampled by 2 "
        "instead of 1, so that its temporary file stays small at 100 dpi.")) << converter.output();
    EXPECT_EQ(std::string::npos, converter.output().find("background of page 2")) << "a page without one";
    EXPECT_EQ(3, tools.djvuPages(output));
}

// --fgbg-sep separates pages of pictures only (a scanned page): the dark words on the
// picture become marks; a page with text beside its picture is separated by what it holds
// either way.
TEST(ReferenceConverter, SeparatingImageOnlyPagesTakesTheirDarkPixelsAsMarks)
{
    Installation installation(KORVELLO_REFERENCE_EXE);
    Tools tools(installation);
    SKIP_WITHOUT_TOOLS(tools);
    const std::wstring source = installation.writeFile(L"pictures.ps", "%!PS\n/side 120 def\n"
        "/data side side mul 3 mul string def 12345 srand\n"
        "0 1 side 1 sub { /y exch def 0 1 side 1 sub { /x exch def /i y side mul x add 3 mul def /noise rand 24 mod def\n"
        "  data i x 2 mul y add 2 idiv noise add 255 min put data i 1 add y 2 mul noise add 255 min put\n"
        "  data i 2 add 200 x sub y 3 idiv add noise add 0 max 255 min put } for } for\n"
        "/picture { gsave 36 36 translate 540 exch scale side side 8 [side 0 0 side neg 0 side] { data } false 3 colorimage\n"
        "  grestore } def\n"
        "/words { /Helvetica-Bold findfont 30 scalefont setfont 0 setgray\n"
        "  0 1 4 { 90 mul 120 add 80 exch moveto (Dark words on the picture) show } for } def\n"
        "720 picture words showpage\n"
        "560 picture words 72 700 moveto (A line of text beside the picture) show showpage\n");
    std::map<std::wstring, std::vector<size_t>> dark;
    for (const std::wstring option : {L"", L"--fgbg-sep "}) {
        const std::wstring output = installation.path(option.empty() ? L"plain.djvu" : L"separated.djvu");
        ConverterProcess converter(installation, L"--dpi=100 " + option + quoted(source) + L" " + quoted(output));
        ASSERT_EQ(0u, converter.finish()) << converter.output();
        for (const std::wstring page : {L"1", L"2"}) {
            const std::wstring mask = installation.path(L"mask" + page + L".pgm");
            DeleteFileW(mask.c_str());
            ASSERT_EQ(0, tools.run("ddjvu", {L"-format=pgm", L"-mode=black", L"-page=" + page, tools.path(output),
                tools.path(mask)}).exitCode);
            dark[option].push_back(darkAndLight(installation.readFile(L"mask" + page + L".pgm")).first);
        }
    }
    EXPECT_LT(dark[L""][0], 100u) << "the picture page is one picture without the option";
    EXPECT_GT(dark[L"--fgbg-sep "][0], 3000u) << "its dark words are marks with it";
    EXPECT_EQ(dark[L""][1], dark[L"--fgbg-sep "][1]) << "a page with text beside its picture is split as before";
    EXPECT_GT(dark[L""][1], 500u);
}

TEST(ReferenceConverter, AnOutputThatAppearsDuringTheRunIsNotReplacedWithoutForce)
{
    Installation installation(KORVELLO_REFERENCE_EXE);
    Tools tools(installation);
    SKIP_WITHOUT_TOOLS(tools);
    ConverterProcess converter(installation, L"--dpi=150 " + quoted(samplePath(L"long.pdf")) + L" "
        + quoted(installation.path(L"long.djvu")));
    ASSERT_TRUE(converter.readUntil("\nPage 1\r\n")) << converter.output();
    installation.writeFile(L"long.djvu", "another program's file");
    EXPECT_EQ(2u, converter.finish());
    EXPECT_NE(std::string::npos, converter.output().find("\nError: the output file appeared during the conversion"))
        << converter.output();
    EXPECT_EQ("another program's file", installation.readFile(L"long.djvu"));
    WIN32_FIND_DATAW found = {};
    const HANDLE search = FindFirstFileW(installation.path(L"*.korvello-part").c_str(), &found);
    EXPECT_EQ(INVALID_HANDLE_VALUE, search);
    if (search != INVALID_HANDLE_VALUE) {
        FindClose(search);
    }
}

TEST(ReferenceConverter, TheKillEventStopsALongConversionAndLeavesNoOutput)
{
    Installation installation(KORVELLO_REFERENCE_EXE);
    Tools tools(installation);
    SKIP_WITHOUT_TOOLS(tools);
    const std::wstring output = installation.path(L"long.djvu");
    const std::wstring event = L"Korvello_GUI_test" + std::to_wstring(GetCurrentProcessId());
    // The whole document is one group of pages sharing shapes: its pages are said as they
    // are done, long before the group is coded, and the stop does not wait for the coding.
    ConverterProcess converter(installation, L"--killevent=" + event + L" --dpi=300 --words --pages-per-dict=99999 "
        + quoted(samplePath(L"long.pdf")) + L" " + quoted(output));
    ASSERT_TRUE(converter.started());
    // Read until the conversion is well into the document.
    ASSERT_TRUE(converter.readUntil("\nPage 6")) << converter.output();
    // The group's dictionary is not made yet: the pages said wait for the rest of it.
    wchar_t temp[MAX_PATH + 1] = {};
    GetTempPathW(MAX_PATH + 1, temp);
    const std::wstring workFolders = std::wstring(temp) + L"korvello-" + std::to_wstring(converter.id()) + L"-*";
    WIN32_FIND_DATAW found = {};
    const HANDLE work = FindFirstFileW(workFolders.c_str(), &found);
    ASSERT_NE(INVALID_HANDLE_VALUE, work);
    FindClose(work);
    const std::wstring dictionary = std::wstring(temp) + found.cFileName + L"\\dict00001.djbz";
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(dictionary.c_str())) << converter.output();
    ASSERT_NE(std::string::npos, converter.output().find("Processing pages 1 through 100.")) << converter.output();
    ASSERT_NE(WAIT_OBJECT_0, WaitForSingleObject(converter.process(), 0)) << "the conversion ended before the stop";

    const win::UniqueHandle kill(CreateEventW(nullptr, FALSE, FALSE, event.c_str()));
    LARGE_INTEGER frequency = {}, before = {}, after = {};
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&before);
    SetEvent(kill.get());
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(converter.process(), 30000));
    QueryPerformanceCounter(&after);
    DWORD code = 0;
    GetExitCodeProcess(converter.process(), &code);
    EXPECT_EQ(5963u, code);
    EXPECT_FALSE(installation.exists(L"long.djvu"));
    EXPECT_FALSE(installation.exists(L"long.djvu." + std::to_wstring(converter.id()) + L".korvello-part"));
    // The working folder (named after the converter's process id) is gone too.
    const HANDLE search = FindFirstFileW(workFolders.c_str(), &found);
    EXPECT_EQ(INVALID_HANDLE_VALUE, search);
    if (search != INVALID_HANDLE_VALUE) {
        FindClose(search);
    }
    const double milliseconds = 1000.0 * static_cast<double>(after.QuadPart - before.QuadPart)
        / static_cast<double>(frequency.QuadPart);
    std::cout << "stopped " << milliseconds << " ms after the kill event was signalled\n";
    RecordProperty("stop_ms", static_cast<int>(milliseconds));
}

namespace {

// The pages' includes of shape dictionaries in a bundle (INCL, its length, the included
// file's id): the document's metadata is another file that every page includes.
int dictionaryIncludes(const std::string& bundle)
{
    int includes = 0;
    for (size_t at = bundle.find("INCL"); at != std::string::npos; at = bundle.find("INCL", at + 1)) {
        includes += bundle.compare(at + 8, 4, "dict") == 0 ? 1 : 0;
    }
    return includes;
}

} // namespace

TEST(ReferenceConverter, PagesSharingShapeDictionariesLookAsPagesCodedAlone)
{
    Installation installation(KORVELLO_REFERENCE_EXE);
    Tools tools(installation);
    SKIP_WITHOUT_TOOLS(tools);
    auto convert = [&](const wchar_t* pagesPerDict, const std::wstring& name) {
        ConverterProcess converter(installation, L"--dpi=150 --fg-quality=lossless --words --pages-per-dict="
            + std::wstring(pagesPerDict) + L" " + quoted(samplePath(L"long.pdf")) + L" " + quoted(installation.path(name)));
        EXPECT_EQ(0u, converter.finish()) << converter.output();
        return converter.output();
    };
    const std::string shared = convert(L"7", L"shared.djvu"); // 14 groups of 7 pages and one of 2
    convert(L"1", L"alone.djvu");
    EXPECT_EQ(std::string::npos, shared.find("shape dictionaries")) << shared;
    EXPECT_NE(std::string::npos, shared.find("\r\nPage 100\r\n")) << shared;
    // Every page includes its group's dictionary; djvm keeps one file of equal dictionaries.
    const std::string bundle = installation.readFile(L"shared.djvu");
    EXPECT_EQ(100, dictionaryIncludes(bundle));
    const ToolResult files = tools.run("djvused", {L"-e", L"ls", tools.path(installation.path(L"shared.djvu"))});
    const auto dictionaries = std::count_if(files.lines.begin(), files.lines.end(),
        [](const std::string& line) { return line.find(" I ") != std::string::npos; });
    EXPECT_GE(dictionaries, 1);
    EXPECT_LE(dictionaries, 15);
    EXPECT_LT(bundle.size(), installation.readFile(L"alone.djvu").size());
    // Marks exactly as the page encoder codes them, each in its colour.
    for (const std::wstring name : {L"shared", L"alone"}) {
        ASSERT_EQ(0, tools.run("ddjvu", {L"-format=pbm", L"-mode=black", L"-eachpage",
            tools.path(installation.path(name + L".djvu")), tools.path(installation.path(name + L"%d.pbm"))}).exitCode);
        ASSERT_EQ(0, tools.run("ddjvu", {L"-format=ppm", L"-page=2", tools.path(installation.path(name + L".djvu")),
            tools.path(installation.path(name + L".ppm"))}).exitCode);
    }
    for (int page = 1; page <= 100; ++page) {
        const std::wstring number = std::to_wstring(page);
        ASSERT_EQ(installation.readFile(L"alone" + number + L".pbm"), installation.readFile(L"shared" + number + L".pbm")) << page;
    }
    EXPECT_EQ(installation.readFile(L"alone.ppm"), installation.readFile(L"shared.ppm"));
    // The same hidden text, joined to pages made after it.
    const ToolResult sharedText = tools.run("djvutxt", {tools.path(installation.path(L"shared.djvu"))});
    EXPECT_GT(sharedText.lines.size(), 100u);
    EXPECT_EQ(tools.run("djvutxt", {tools.path(installation.path(L"alone.djvu"))}).lines, sharedText.lines);
}

TEST(ReferenceConverter, EveryForegroundLevelIsTheConvertersOwnAndKeepsThePagesAndTheirText)
{
    Installation installation(KORVELLO_REFERENCE_EXE);
    Tools tools(installation);
    SKIP_WITHOUT_TOOLS(tools);
    // Every level with the front end's 20 pages to a dictionary, and aggressive a page at a time.
    const std::pair<const wchar_t*, const wchar_t*> runs[] = {{L"lossless", L"20"}, {L"quasilossless", L"20"},
        {L"conservative", L"20"}, {L"lossy", L"20"}, {L"aggressive", L"20"}, {L"aggressive", L"1"}};
    std::map<std::wstring, size_t> sizes;
    std::vector<std::string> losslessText;
    for (const auto& [level, perDict] : runs) {
        const std::wstring name = std::wstring(level) + perDict;
        ConverterProcess converter(installation, L"--dpi=300 --words --fg-quality=" + std::wstring(level)
            + L" --pages-per-dict=" + perDict + L" " + quoted(samplePath(L"sample.pdf")) + L" "
            + quoted(installation.path(name + L".djvu")));
        ASSERT_EQ(0u, converter.finish()) << converter.output();
        EXPECT_EQ(std::string::npos, converter.output().find("Notice")) << converter.output();
        const std::string bundle = installation.readFile(name + L".djvu");
        sizes[name] = bundle.size();
        // A dictionary shared by the five pages (none a page at a time), and every page decodes.
        EXPECT_EQ(perDict == std::wstring(L"20") ? 5 : 0, dictionaryIncludes(bundle)) << name;
        ASSERT_EQ(0, tools.run("ddjvu", {L"-format=pbm", L"-eachpage", tools.path(installation.path(name + L".djvu")),
            tools.path(installation.path(name + L"-%d.pbm"))}).exitCode) << name;
        EXPECT_TRUE(installation.exists(name + L"-5.pbm")) << name;
        const std::vector<std::string> text = tools.run("djvutxt", {tools.path(installation.path(name + L".djvu"))}).lines;
        if (losslessText.empty()) {
            losslessText = text;
            EXPECT_GT(text.size(), 5u);
        }
        EXPECT_EQ(losslessText, text) << name;
    }
    EXPECT_LT(sizes[L"lossy20"], sizes[L"lossless20"]);
    EXPECT_LT(sizes[L"aggressive20"], sizes[L"conservative20"]);
    EXPECT_LT(sizes[L"aggressive20"], sizes[L"aggressive1"]);
}

TEST(ReferenceConverter, APageOfCountlessDotsIsCodedAloneBesideAPageThatSharesShapes)
{
    Installation installation(KORVELLO_REFERENCE_EXE);
    Tools tools(installation);
    SKIP_WITHOUT_TOOLS(tools);
    // 62,500 separate dots (more shapes than a group takes), then a page of words, then
    // the dots beside red words (a colour page, whose marks reach the group in memory).
    const std::wstring source = installation.writeFile(L"dots.ps", "%!PS\n72 72 translate\n"
        "/dots { 0 1 249 { /y exch 0.72 mul def 0 1 249 { 0.72 mul y 0.1 0.1 rectfill } for } for } def\n"
        "dots showpage\n"
        "/Helvetica findfont 24 scalefont setfont 72 600 moveto (A page of words beside the dots) show showpage\n"
        "dots /Helvetica findfont 24 scalefont setfont 1 0 0 setrgbcolor 0 600 moveto (Red words) show showpage\n");
    for (const std::wstring perDict : {L"20", L"1"}) {
        ConverterProcess converter(installation, L"--dpi=300 --words --pages-per-dict=" + perDict + L" " + quoted(source)
            + L" " + quoted(installation.path(L"dots" + perDict + L".djvu")));
        ASSERT_EQ(0u, converter.finish()) << converter.output();
        EXPECT_NE(std::string::npos, converter.output().find("\r\nPage 3\r\n")) << converter.output();
        ASSERT_EQ(0, tools.run("ddjvu", {L"-format=pbm", L"-mode=black", L"-eachpage",
            tools.path(installation.path(L"dots" + perDict + L".djvu")),
            tools.path(installation.path(L"dots" + perDict + L"-%d.pbm"))}).exitCode);
    }
    for (const std::wstring page : {L"1", L"2", L"3"}) {
        const std::string shared = installation.readFile(L"dots20-" + page + L".pbm");
        EXPECT_GT(shared.size(), 1000000u) << page;
        EXPECT_EQ(installation.readFile(L"dots1-" + page + L".pbm"), shared) << page;
    }
}

namespace {

std::string joinedLines(const ToolResult& result)
{
    std::string text;
    for (const auto& line : result.lines) {
        text += line + "\n";
    }
    return text;
}

// The page titles of djvused's listing, by page ("" for a page without one).
std::vector<std::string> pageTitles(Tools& tools, const std::wstring& djvu)
{
    std::vector<std::string> titles;
    for (const auto& line : tools.run("djvused", {L"-e", L"ls", tools.path(djvu)}).lines) {
        if (line.find(" P ") != std::string::npos) {
            const size_t title = line.find(" T=");
            titles.push_back(title == std::string::npos ? std::string() : line.substr(title + 3));
        }
    }
    return titles;
}

} // namespace

// The book's structure from a PDF and from the pdfmarks of its PostScript (with and
// without hidden text): the outline (three levels; quotes, a backslash, a tab, Japanese
// and a character beyond the BMP from UTF-16 titles; targets by page, by name and a web
// address), the page labels (the first page has none and keeps its number) and the
// document's information.
TEST(ReferenceConverter, TheBooksOutlinePageLabelsAndInformationReachTheDjVu)
{
    Installation installation(KORVELLO_REFERENCE_EXE);
    Tools tools(installation);
    SKIP_WITHOUT_TOOLS(tools);
    if (!tools.has("qpdf")) {
        GTEST_SKIP() << "Not installed: qpdf (scripts/setup.sh installs it)";
    }
    const std::string outline = "(bookmarks\n"
                                " (\"Part \\\"One\\\"\"\n"
                                "  \"#page00001.djvu\"\n"
                                "  (\"Back\\\\slash\\tTab\"\n"
                                "   \"#page00002.djvu\"\n"
                                "   (\"\\346\\227\\245\\346\\234\\254\\350\\252\\236\\343\\201\\256\\350\\246\\213\\345"
                                "\\207\\272\\343\\201\\227\"\n"
                                "    \"#page00003.djvu\" ) )\n"
                                "  (\"Notes \\360\\235\\204\\236\"\n"
                                "   \"#page00004.djvu\" ) )\n"
                                " (\"Appendix by name\"\n"
                                "  \"#page00005.djvu\" )\n"
                                " (\"Web\"\n"
                                "  \"https://example.org/korvello-outline\" ) )\n";
    const std::vector<std::string> information = {"CreationDate\t\"2024-03-01T09:08:07-05:30\"",
        "Keywords\t\"outline, labels\"", "Author\t\"Back\\\\slash Author\"",
        "Title\t\"Structure \\346\\247\\213\\351\\200\\240 \\\"sample\\\"\"", "Subject\t\"Line one\\nline two\"",
        "Creator\t\"korvello samples\""};
    const std::wstring postScript = windowsPathOf(KORVELLO_STRUCTURE_PS);
    for (const auto& [options, input] : {std::pair{L"--words", samplePath(L"structure.pdf")},
             std::pair{L"--words", postScript}, std::pair{L"--no-texts", postScript}}) {
        SCOPED_TRACE(base::toUtf8(options + (L" " + input)));
        const std::wstring output = installation.path(L"structure.djvu");
        DeleteFileW(output.c_str());
        ConverterProcess converter(installation, L"--dpi=72 " + std::wstring(options) + L" " + quoted(input) + L" "
            + quoted(output));
        ASSERT_EQ(0u, converter.finish()) << converter.output();
        EXPECT_EQ(std::string::npos, converter.output().find("Notice")) << converter.output();
        EXPECT_EQ(outline, joinedLines(tools.run("djvused", {L"-e", L"print-outline", tools.path(output)})));
        EXPECT_EQ((std::vector<std::string>{"", "i", "ii", "A-7", "A"}), pageTitles(tools, output));
        std::vector<std::string> metadata = tools.run("djvused", {L"-e", L"print-meta", tools.path(output)}).lines;
        // The PDF that ps2pdf made names it as producer and has its date; the PDF the
        // converter makes of PostScript has neither (the renderer's own, not the document's).
        const size_t before = metadata.size();
        metadata.erase(std::remove_if(metadata.begin(), metadata.end(), [](const std::string& line) {
            return line.rfind("Producer\t\"GPL Ghostscript", 0) == 0 || line.rfind("ModDate\t\"20", 0) == 0;
        }), metadata.end());
        EXPECT_EQ(input == postScript ? 0u : 2u, before - metadata.size());
        std::sort(metadata.begin(), metadata.end());
        std::vector<std::string> expected = information;
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(expected, metadata);
    }
}

// A PDF without an outline, labels or information, and PostScript without pdfmarks or
// a title, give a DjVu without them, and no notice.
TEST(ReferenceConverter, ADocumentWithoutAStructureGetsNone)
{
    Installation installation(KORVELLO_REFERENCE_EXE);
    Tools tools(installation);
    SKIP_WITHOUT_TOOLS(tools);
    for (const wchar_t* sample : {L"text.pdf", L"text.ps"}) {
        const std::wstring output = installation.path(std::wstring(sample) + L".djvu");
        ConverterProcess converter(installation, L"--dpi=72 --words " + quoted(samplePath(sample)) + L" " + quoted(output));
        ASSERT_EQ(0u, converter.finish()) << converter.output();
        EXPECT_EQ(std::string::npos, converter.output().find("Notice")) << converter.output();
        const ToolResult shown = tools.run("djvused", {L"-e", L"print-outline; print-meta", tools.path(output)});
        EXPECT_EQ(0, shown.exitCode);
        EXPECT_EQ("", joinedLines(shown)) << base::toUtf8(sample);
        EXPECT_EQ((std::vector<std::string>{"", ""}), pageTitles(tools, output)) << base::toUtf8(sample);
    }
}
