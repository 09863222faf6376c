// The reference converter's pages against Ghostscript's own rendering of the source: a
// sample of shading, light lines, coloured marks and a picture beside text, converted
// with the front end's default options, must keep every shade and colour, and light words
// on a dark fill as sharp as dark ones.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <string>
#include <vector>

#include "e2e/E2eSupport.h"
#include "reference/page/PageImage.h"
#include "RunTool.h"
#include "reference/host/ToolHost.h"

using namespace reference;

namespace {

struct Picture {
    int width = 0;
    int height = 0;
    std::string rgb;
};

Picture readPpm(const std::string& data)
{
    Picture picture;
    size_t at = 2;
    int fields[3] = {};
    for (int& field : fields) {
        while (at < data.size() && (std::isspace(static_cast<unsigned char>(data[at])) || data[at] == '#')) {
            at = data[at] == '#' ? data.find('\n', at) : at + 1;
        }
        for (; at < data.size() && std::isdigit(static_cast<unsigned char>(data[at])); ++at) {
            field = field * 10 + (data[at] - '0');
        }
    }
    picture.width = fields[0];
    picture.height = fields[1];
    picture.rgb = data.substr(at + 1);
    if (data.rfind("P6", 0) != 0 || picture.rgb.size() < static_cast<size_t>(picture.width) * picture.height * 3) {
        picture.width = picture.height = 0;
    }
    return picture;
}

// Ink (distance from white) per channel of each cell of size pixels a side.
std::vector<double> cellInk(const Picture& picture, int size, int& columns, int& rows)
{
    columns = picture.width / size;
    rows = picture.height / size;
    std::vector<double> ink(static_cast<size_t>(columns) * rows * 3, 0.0);
    for (int y = 0; y < rows * size; ++y) {
        for (int x = 0; x < columns * size; ++x) {
            for (int c = 0; c < 3; ++c) {
                const auto value = static_cast<unsigned char>(picture.rgb[(static_cast<size_t>(y) * picture.width + x) * 3 + c]);
                ink[(static_cast<size_t>(y / size) * columns + x / size) * 3 + c] += (255.0 - value) / (size * size);
            }
        }
    }
    return ink;
}

// Cells whose ink in a channel was lost (under a third of the source's, in the cell and
// around it: the renderers may put an edge a pixel apart) or gained (a colour turned dark).
int cellsOff(const Picture& source, const Picture& converted)
{
    int columns = 0;
    int rows = 0;
    const std::vector<double> expected = cellInk(source, 6, columns, rows);
    const std::vector<double> got = cellInk(converted, 6, columns, rows);
    int off = 0;
    for (int row = 0; row < rows; ++row) {
        for (int column = 0; column < columns; ++column) {
            const size_t at = (static_cast<size_t>(row) * columns + column) * 3;
            for (int c = 0; c < 3; ++c) {
                double keptAround = 0.0;
                double sourceAround = 0.0;
                for (int r = std::max(0, row - 1); r <= std::min(rows - 1, row + 1); ++r) {
                    for (int k = std::max(0, column - 1); k <= std::min(columns - 1, column + 1); ++k) {
                        keptAround = std::max(keptAround, got[(static_cast<size_t>(r) * columns + k) * 3 + c]);
                        sourceAround = std::max(sourceAround, expected[(static_cast<size_t>(r) * columns + k) * 3 + c]);
                    }
                }
                if ((expected[at + c] >= 4.0 && keptAround < expected[at + c] / 3.0) || got[at + c] > sourceAround * 2.0 + 32.0) {
                    ++off;
                    break;
                }
            }
        }
    }
    return off;
}

} // namespace

TEST(ReferenceConverterPages, ShadingLightLinesAndColoursLookAsGhostscriptDrawsThem)
{
    Installation installation(KORVELLO_REFERENCE_EXE);
    const std::wstring work = installation.path(L"tools");
    CreateDirectoryW(work.c_str(), nullptr);
    auto host = makeToolHost(work);
    for (const char* tool : {"gs", "cjb2", "c44", "djvm", "djvumake", "djvuextract", "djvused", "ddjvu"}) {
        if (!host->hasTool(tool)) {
            GTEST_SKIP() << "Not installed: " << tool;
        }
    }
    const std::wstring source = windowsPathOf(KORVELLO_SAMPLES) + L"\\looks.pdf";
    ASSERT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(source.c_str())) << "the samples were not made";
    const std::wstring output = installation.path(L"looks.djvu");
    std::wstring command = L"\"" + installation.path(L"korvello.exe") + L"\" --dpi=300 --threshold-level=80 "
        L"--fg-quality=lossless --bg-subsample=3 --quality=65 --words --fg-colors=256 --fg-image-colors=256 "
        L"--pages-per-dict=20 \"" + source + L"\" \"" + output + L"\"";
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    ASSERT_TRUE(CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr,
        &startup, &process));
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(process.hProcess, 300000));
    DWORD code = 1;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    ASSERT_EQ(0u, code);

    ASSERT_EQ(0, runTool(*host, "gs", {L"-q", L"-dNOPAUSE", L"-dBATCH", L"-dSAFER", L"-r75", L"-dTextAlphaBits=4",
        L"-dGraphicsAlphaBits=4", L"-sDEVICE=ppmraw", L"-o", host->toolPath(installation.path(L"gs%d.ppm")),
        host->toolPath(source)}));
    for (int page = 1; page <= 4; ++page) {
        const std::wstring number = std::to_wstring(page);
        const Picture expected = readPpm(installation.readFile(L"gs" + number + L".ppm"));
        ASSERT_GT(expected.width, 0) << page;
        ASSERT_EQ(0, runTool(*host, "ddjvu", {L"-format=ppm", L"-page=" + number, L"-aspect=no",
            L"-size=" + std::to_wstring(expected.width) + L"x" + std::to_wstring(expected.height),
            host->toolPath(output), host->toolPath(installation.path(L"dj" + number + L".ppm"))}));
        const Picture converted = readPpm(installation.readFile(L"dj" + number + L".ppm"));
        ASSERT_EQ(expected.width, converted.width) << page;
        ASSERT_EQ(expected.height, converted.height) << page;
        // Fewer than one cell in a thousand (codec halos); a lost shade or colour is hundreds.
        const int off = cellsOff(expected, converted);
        EXPECT_LT(off * 1000, (expected.width / 6) * (expected.height / 6)) << "page " << page << ": " << off << " cells";
    }
    // White words on page 3's dark bar are marks, as sharp as the black ones: the mask
    // holds their letters inside the bar (the fill itself is the background's).
    ASSERT_EQ(0, runTool(*host, "ddjvu", {L"-format=pbm", L"-mode=mask", L"-page=3", host->toolPath(output),
        host->toolPath(installation.path(L"mask3.pbm"))}));
    std::vector<std::uint8_t> mask;
    int width = 0;
    int height = 0;
    ASSERT_TRUE(PageImage::readPbm(installation.path(L"mask3.pbm"), mask, width, height));
    ASSERT_EQ(3508, height); // A4 at 300 dpi; the bar lies 200 to 240 points up, 72 to 522 across
    int letters = 0;
    for (int y = 2508 + 12; y < 2675 - 12; ++y) {
        for (int x = 300 + 12; x < 2175 - 12; ++x) {
            letters += mask[static_cast<size_t>(y) * width + x];
        }
    }
    EXPECT_GT(letters, 5000);

    // The picture page is separated: the whole document stays within three times its PDF.
    const std::string djvu = installation.readFile(L"looks.djvu");
    WIN32_FILE_ATTRIBUTE_DATA pdf = {};
    ASSERT_TRUE(GetFileAttributesExW(source.c_str(), GetFileExInfoStandard, &pdf));
    EXPECT_LE(djvu.size(), 3u * pdf.nFileSizeLow);
}
