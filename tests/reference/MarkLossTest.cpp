// The foreground quality levels in the converter's own shape coder, checked by DjVuLibre's
// decoder: lossless pages come back exactly, quasi-lossless ones without their specks only,
// and the lossy levels put a shape in place of another only within their distance, which
// grows from conservative to aggressive.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "RunTool.h"
#include "e2e/E2eSupport.h"
#include "reference/djvu/DjVuChunks.h"
#include "reference/djvu/SharedShapes.h"
#include "reference/host/Files.h"
#include "reference/host/ToolHost.h"
#include "reference/page/PageImage.h"

using namespace reference;

namespace {

constexpr int kWidth = 700;
constexpr int kHeight = 300;

// A ring 16 by 24 pixels with strokes 3 pixels thick (a letter "o": 216 black pixels), and
// its variants: a seam of n pixels a pixel outside its right edge (n = 5, 13, 22: 2%, 6%
// and 10% of its pixels), and a dot reaching three pixels into its hole (4%, but no seam).
Bitmap ring(int seam, bool dotInside)
{
    Bitmap bitmap{seam > 0 ? 17 : 16, 24, {}};
    bitmap.pixels.assign(static_cast<size_t>(bitmap.width) * bitmap.height, 0);
    for (int y = 0; y < 24; ++y) {
        for (int x = 0; x < 16; ++x) {
            bitmap.pixels[static_cast<size_t>(y) * bitmap.width + x] = (x < 3 || x >= 13 || y < 3 || y >= 21) ? 1 : 0;
        }
    }
    for (int y = 2; y < 2 + seam; ++y) {
        bitmap.pixels[static_cast<size_t>(y) * bitmap.width + 16] = 1;
    }
    for (int y = 10; dotInside && y < 13; ++y) {
        for (int x = 3; x < 6; ++x) {
            bitmap.pixels[static_cast<size_t>(y) * bitmap.width + x] = 1;
        }
    }
    return bitmap;
}

void draw(std::vector<std::uint8_t>& page, const Bitmap& shape, int left, int top)
{
    for (int y = 0; y < shape.height; ++y) {
        for (int x = 0; x < shape.width; ++x) {
            page[static_cast<size_t>(top + y) * kWidth + left + x] |= shape.pixels[static_cast<size_t>(y) * shape.width + x];
        }
    }
}

struct Level {
    const char* name;
    bool seams[3]; // which of the three seamed rings it may replace by the plain one
};

} // namespace

TEST(MarkLoss, EachLevelDecodesAndReplacesOnlyShapesWithinItsDistance)
{
    Installation installation(KORVELLO_REFERENCE_EXE);
    auto host = makeToolHost(installation.path(L""));
    if (!host->hasTool("ddjvu")) {
        GTEST_SKIP() << "Not installed: ddjvu";
    }
    // Page 1: plain rings in a row. Page 2: the same row, then a row of the variants each
    // after a plain ring, with the dot of an "i" (2 pixels a side) over the first, a patch
    // of dithered dots of 2 pixels, and lone specks of 1 and 2 pixels a side (gone at every
    // level but lossless) beside a dot of 3 (kept).
    const std::vector<Bitmap> shapes = {ring(0, false), ring(5, false), ring(13, false), ring(22, false), ring(0, true)};
    std::vector<std::vector<std::uint8_t>> pages(2, std::vector<std::uint8_t>(static_cast<size_t>(kWidth) * kHeight, 0));
    for (auto& page : pages) {
        for (int left = 20; left < 600; left += 30) {
            draw(page, shapes[0], left, 40);
        }
    }
    for (int variant = 1; variant < 5; ++variant) {
        draw(pages[1], shapes[0], 20 + 60 * variant, 140);
        draw(pages[1], shapes[variant], 50 + 60 * variant, 140);
    }
    const Bitmap specks[] = {{1, 1, {1}}, {2, 2, {1, 1, 1, 1}}, {3, 3, std::vector<std::uint8_t>(9, 1)}};
    for (int speck = 0; speck < 3; ++speck) {
        draw(pages[1], specks[speck], 100 + 40 * speck, 240);
    }
    draw(pages[1], specks[1], 87, 136);
    for (int dot = 0; dot < 9; ++dot) {
        draw(pages[1], specks[1], 400 + 4 * (dot % 3), 200 + 4 * (dot / 3));
    }
    auto decode = [&](const ShapeGroup::Encoded& encoded, size_t page, const std::wstring& name) {
        EXPECT_TRUE(writeWholeFile(installation.path(name + L".djvu"),
            djvuPage(kWidth, kHeight, 300, encoded.dictionary, encoded.pages[page])));
        EXPECT_EQ(0, runTool(*host, "ddjvu", {L"-format=pbm", host->toolPath(installation.path(name + L".djvu")),
            host->toolPath(installation.path(name + L".pbm"))}));
        std::vector<std::uint8_t> marks;
        int width = 0;
        int height = 0;
        EXPECT_TRUE(PageImage::readPbm(installation.path(name + L".pbm"), marks, width, height));
        return marks;
    };

    const Level levels[] = {{"lossless", {false, false, false}}, {"quasilossless", {false, false, false}},
        {"conservative", {true, false, false}}, {"lossy", {true, true, false}}, {"aggressive", {true, true, true}}};
    size_t lossless = 0;
    size_t aggressive = 0;
    for (const Level& level : levels) {
        SCOPED_TRACE(level.name);
        const MarkLoss loss = MarkLoss::forLevel(level.name, 300);
        ShapeGroup group(loss);
        for (const auto& page : pages) {
            ASSERT_TRUE(group.addPage(page, kWidth, kHeight));
        }
        const ShapeGroup::Encoded encoded = group.encode();
        ASSERT_EQ(2u, encoded.pages.size());
        const size_t size = encoded.dictionary.size() + encoded.pages[0].size() + encoded.pages[1].size();
        if (std::string(level.name) == "lossless") {
            lossless = size;
        } else if (std::string(level.name) == "aggressive") {
            aggressive = size;
        }
        const std::wstring name(level.name, level.name + std::char_traits<char>::length(level.name));
        // Shape by shape: each decoded page's shapes pair with the page's own, specks left out,
        // each where it was or moved within the level's limits.
        int replaced[5] = {};
        std::vector<std::vector<std::uint8_t>> decodedPages;
        for (size_t number = 0; number < 2; ++number) {
            const std::vector<std::uint8_t> page = decode(encoded, number, name + std::to_wstring(number + 1));
            std::vector<PageShape> expected = cutIntoShapes(pages[number], kWidth, kHeight, 1000);
            std::erase_if(expected, [&](const PageShape& shape) { // the lone specks
                return shape.top == 240 && shape.bitmap.width <= loss.speckSide && shape.bitmap.height <= loss.speckSide;
            });
            const std::vector<PageShape> got = cutIntoShapes(page, kWidth, kHeight, 1000);
            ASSERT_EQ(expected.size(), got.size()) << "page " << number + 1;
            for (size_t i = 0; i < got.size(); ++i) {
                EXPECT_LE(std::abs(got[i].left - expected[i].left), loss.moveAcross + 1) << i;
                EXPECT_LE(std::abs(got[i].top - expected[i].top), loss.moveUpDown + 1) << i;
                for (int variant = 1; variant < 5; ++variant) {
                    if (expected[i].bitmap.pixels == shapes[variant].pixels && got[i].bitmap.pixels == shapes[0].pixels) {
                        ++replaced[variant];
                    }
                }
                if (got[i].bitmap.pixels != expected[i].bitmap.pixels) {
                    EXPECT_EQ(shapes[0].pixels, got[i].bitmap.pixels) << "only a plain ring stands for another shape";
                }
            }
            decodedPages.push_back(page);
        }
        for (int seam = 0; seam < 3; ++seam) {
            EXPECT_EQ(level.seams[seam] ? 1 : 0, replaced[seam + 1]) << "the ring with a seam of " << seam + 1;
        }
        EXPECT_EQ(0, replaced[4]) << "a dot inside the ring is more than a seam";
        if (!loss.substitutes() && loss.moveAcross == 0) { // lossless and quasi-lossless
            EXPECT_EQ(pages[0], decodedPages[0]);
            std::vector<std::uint8_t> clean = pages[1];
            if (loss.speckSide > 0) { // quasi-lossless: the page without its specks of 1 and 2 pixels
                std::fill(clean.begin() + 240 * kWidth, clean.begin() + 242 * kWidth, 0);
                draw(clean, specks[2], 180, 240);
            }
            EXPECT_EQ(clean, decodedPages[1]);
        }
    }
    EXPECT_LT(aggressive, lossless);
}
