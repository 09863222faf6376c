// Pages sharing a shape dictionary: the converter's own coding of marks, checked by
// DjVuLibre's decoder. Every page must come back pixel for pixel, through the dictionary
// file the bundle includes once, and converted documents must keep every page as the page
// encoder alone codes it.
#include <windows.h>

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "reference/djvu/DjVuChunks.h"
#include "reference/page/PageImage.h"
#include "reference/djvu/SharedShapes.h"
#include "reference/host/Files.h"
#include "RunTool.h"
#include "reference/host/ToolHost.h"
#include "e2e/E2eSupport.h"

using namespace reference;

namespace {

struct Marks {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> pixels;
    void set(int x, int y) { pixels[static_cast<size_t>(y) * width + x] = 1; }
};

// Text-like pages: lines of "letters" from a small alphabet, some of them a pixel wider
// (refined from their letter), a frame touching the page's edges on one page, a blank
// page, and a page of scattered specks of every size (many distinct numbers to code).
std::vector<Marks> textLikePages()
{
    std::mt19937 random(7);
    std::vector<Marks> alphabet;
    for (int letter = 0; letter < 30; ++letter) {
        Marks glyph{14 + static_cast<int>(random() % 14), 20 + static_cast<int>(random() % 20), {}};
        glyph.pixels.assign(static_cast<size_t>(glyph.width) * glyph.height, 0);
        for (int stroke = 0; stroke < 4; ++stroke) { // strokes two pixels wide, up and across
            const int x = static_cast<int>(random() % (glyph.width - 1));
            const int y = static_cast<int>(random() % (glyph.height - 1));
            for (int i = 0; i < glyph.height; ++i) {
                const int across = i * (glyph.width - 1) / glyph.height;
                glyph.set(stroke % 2 == 0 ? x : across, stroke % 2 == 0 ? i : y);
                glyph.set(stroke % 2 == 0 ? x + 1 : across, stroke % 2 == 0 ? i : y + 1);
            }
        }
        alphabet.push_back(glyph);
    }
    std::vector<Marks> pages;
    for (int number = 0; number < 6; ++number) {
        Marks page{900, 700, {}};
        page.pixels.assign(static_cast<size_t>(page.width) * page.height, 0);
        for (int top = 20; number != 4 && top + 44 < page.height; top += 48) {
            for (int left = 10; left + 34 < page.width; left += 32) {
                const Marks& glyph = alphabet[random() % alphabet.size()];
                for (int y = 0; y < glyph.height; ++y) {
                    for (int x = 0; x < glyph.width; ++x) {
                        if (glyph.pixels[static_cast<size_t>(y) * glyph.width + x] != 0) {
                            page.set(left + x, top + 40 - glyph.height + y);
                        }
                    }
                }
                if (random() % 5 == 0) { // a letter a pixel wider somewhere: coded as a refinement
                    const int y = static_cast<int>(random() % glyph.height);
                    for (int x = glyph.width - 1; x >= 0; --x) {
                        if (glyph.pixels[static_cast<size_t>(y) * glyph.width + x] != 0) {
                            page.set(left + x + 1, top + 40 - glyph.height + y);
                            break;
                        }
                    }
                }
            }
        }
        if (number == 2) {
            for (int x = 0; x < page.width; ++x) {
                page.set(x, 0);
                page.set(x, page.height - 1);
            }
            for (int y = 0; y < page.height; ++y) {
                page.set(0, y);
                page.set(page.width - 1, y);
            }
        }
        pages.push_back(page);
    }
    Marks specks{1500, 1500, {}};
    specks.pixels.assign(static_cast<size_t>(specks.width) * specks.height, 0);
    for (int speck = 0; speck < 9000; ++speck) {
        const int x = static_cast<int>(random() % 1490);
        const int y = static_cast<int>(random() % 1490);
        const int size = 1 + static_cast<int>(random() % 9);
        for (int i = 0; i < size; ++i) {
            specks.set(x + static_cast<int>(random() % size), y + i);
        }
    }
    pages.push_back(specks);
    return pages;
}

std::vector<std::uint8_t> decoded(const Installation& installation, const std::wstring& name)
{
    std::vector<std::uint8_t> marks;
    int width = 0;
    int height = 0;
    PageImage::readPbm(installation.path(name), marks, width, height);
    return marks;
}

} // namespace

TEST(SharedShapes, PagesDecodeExactlyThroughTheDictionaryTheBundleHoldsOnce)
{
    Installation installation(KORVELLO_REFERENCE_EXE);
    auto host = makeToolHost(installation.path(L""));
    for (const char* tool : {"djvm", "ddjvu"}) {
        if (!host->hasTool(tool)) {
            GTEST_SKIP() << "Not installed: " << tool;
        }
    }
    const std::vector<Marks> pages = textLikePages();
    ShapeGroup group;
    size_t alone = 0; // the text-like pages, each coded alone
    for (const Marks& page : pages) {
        ASSERT_TRUE(group.addPage(page.pixels, page.width, page.height));
        ShapeGroup single;
        single.addPage(page.pixels, page.width, page.height);
        alone += &page == &pages.back() ? 0 : single.encode().pages.front().size();
    }
    const ShapeGroup::Encoded encoded = group.encode();
    ASSERT_FALSE(encoded.dictionary.empty());
    ASSERT_EQ(pages.size(), encoded.pages.size());
    size_t shared = encoded.dictionary.size();
    ASSERT_TRUE(writeWholeFile(installation.path(L"dict1.djbz"), dictionaryFile(encoded.dictionary)));
    Step bundle{"djvm", {L"-c", host->toolPath(installation.path(L"bundle.djvu"))}};
    for (size_t i = 0; i < pages.size(); ++i) {
        shared += i + 1 == pages.size() ? 0 : encoded.pages[i].size();
        const std::wstring number = std::to_wstring(i + 1);
        const std::string page = finishedPage(djvuPage(pages[i].width, pages[i].height, 300, encoded.dictionary,
            encoded.pages[i]), "dict1.djbz", {});
        ASSERT_FALSE(page.empty()) << i;
        ASSERT_TRUE(writeWholeFile(installation.path(L"page" + number + L".djvu"), page));
        bundle.arguments.push_back(host->toolPath(installation.path(L"page" + number + L".djvu")));
    }
    EXPECT_LT(shared * 5, alone * 4) << "the shared dictionary saves under a fifth";
    ASSERT_EQ(0, runTool(*host, bundle.tool, bundle.arguments));
    const std::string bundled = installation.readFile(L"bundle.djvu");
    size_t dictionaries = 0;
    for (size_t at = bundled.find("Djbz"); at != std::string::npos; at = bundled.find("Djbz", at + 1)) {
        ++dictionaries;
    }
    EXPECT_EQ(1u, dictionaries);
    ASSERT_EQ(0, runTool(*host, "ddjvu", {L"-format=pbm", L"-eachpage", host->toolPath(installation.path(L"bundle.djvu")),
        host->toolPath(installation.path(L"out%d.pbm"))}));
    for (size_t i = 0; i < pages.size(); ++i) {
        EXPECT_TRUE(decoded(installation, L"out" + std::to_wstring(i + 1) + L".pbm") == pages[i].pixels) << "page " << i + 1;
    }
}

TEST(SharedShapes, APageOfCountlessDotsIsLeftToThePageEncoder)
{
    Marks dots{1000, 1000, {}};
    dots.pixels.assign(1000000, 0);
    for (int y = 0; y < 1000; y += 2) {
        for (int x = 0; x < 1000; x += 2) {
            dots.set(x, y);
        }
    }
    ShapeGroup group;
    EXPECT_FALSE(group.addPage(dots.pixels, dots.width, dots.height));
    EXPECT_EQ(0, group.pageCount());
}

TEST(SharedShapes, FinishingAPageTakesItsNotesAndRefusesWhatIsNoPage)
{
    const std::string marks(12, '\x55');
    const std::string page = djvuPage(100, 50, 300, std::string(7, 'd'), marks);
    // A page of the same size with text: its chunks after INFO join the page.
    std::string noted = djvuPage(100, 50, 300, {}, {});
    const std::string text = "TXTz" + std::string("\0\0\0\3abc\0", 8);
    noted += text;
    noted[11] = static_cast<char>(noted[11] + text.size()); // the FORM grows by the chunk
    const std::string finished = finishedPage(page, "dict1.djbz", noted);
    ASSERT_FALSE(finished.empty());
    EXPECT_EQ(std::string::npos, finished.find("Djbz"));
    EXPECT_NE(std::string::npos, finished.find(std::string("INCL\0\0\0\x0a" "dict1.djbz", 18)));
    EXPECT_NE(std::string::npos, finished.find(marks));
    EXPECT_EQ(finished.find("INFO"), finished.rfind("INFO"));
    EXPECT_EQ(finished.size() - text.size(), finished.find(text));
    // Without a dictionary to replace, or with a damaged page or notes, nothing is made.
    EXPECT_TRUE(finishedPage(djvuPage(100, 50, 300, {}, marks), "dict1.djbz", {}).empty());
    EXPECT_TRUE(finishedPage(page.substr(0, page.size() - 3), "dict1.djbz", {}).empty());
    EXPECT_TRUE(finishedPage(page, "dict1.djbz", std::string("AT&TFORM\0\0\0\4DJVI", 16)).empty());
    EXPECT_FALSE(finishedPage(page, {}, {}).empty()); // a page that keeps its dictionary
}
