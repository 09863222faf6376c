// The converter's rendered-page files: colour and grey images read as they were written
// (a header with comments, a grey image spread to three channels), short or foreign files
// refused, masks of any width packed and read back bit for bit, and a page's bands of
// any kind joined into the page.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "reference/page/PageBands.h"
#include "reference/page/PageImage.h"
#include "support/ScratchFiles.h"

using namespace reference;

namespace {

bool writeBytes(const std::wstring& path, const std::string& bytes)
{
    const HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    const bool ok = file != INVALID_HANDLE_VALUE
        && WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) && written == bytes.size();
    CloseHandle(file);
    return ok;
}

} // namespace

TEST(PageImage, ImagesReadAsWrittenAndDamagedOnesRefused)
{
    testing_support::ScratchFolder folder;
    std::string colourPixels;
    std::string greyPixels;
    for (int i = 0; i < 300 * 7; ++i) { // more than the header's read holds
        greyPixels += static_cast<char>(i % 251);
        colourPixels += std::string{static_cast<char>(i % 256), static_cast<char>(i / 7), static_cast<char>(255 - i % 256)};
    }
    ASSERT_TRUE(writeBytes(folder.file(L"c.ppm"), "P6\n# made by a test\n300 7\n255\n" + colourPixels));
    ASSERT_TRUE(writeBytes(folder.file(L"g.pgm"), "P5 300 7 255\n" + greyPixels));
    PageImage colour;
    ASSERT_TRUE(colour.load(folder.file(L"c.ppm")));
    EXPECT_EQ(300, colour.width);
    EXPECT_EQ(7, colour.height);
    EXPECT_EQ(colourPixels, std::string(colour.rgb.begin(), colour.rgb.end()));
    PageImage grey;
    ASSERT_TRUE(grey.load(folder.file(L"g.pgm")));
    ASSERT_EQ(300u * 7 * 3, grey.rgb.size());
    for (size_t i = 0; i < greyPixels.size(); ++i) {
        ASSERT_EQ(static_cast<std::uint8_t>(greyPixels[i]), grey.rgb[i * 3 + 2]) << i;
        ASSERT_EQ(grey.rgb[i * 3], grey.rgb[i * 3 + 1]) << i;
        ASSERT_EQ(grey.rgb[i * 3], grey.rgb[i * 3 + 2]) << i;
    }
    for (const std::string& damaged : {"P6\n300 7\n255\n" + colourPixels.substr(1), "P6\n300 7\n65535\n" + colourPixels,
             std::string("P3\n1 1\n255\n0 0 0\n"), std::string("P6\n")}) {
        ASSERT_TRUE(writeBytes(folder.file(L"bad.ppm"), damaged));
        PageImage image;
        EXPECT_FALSE(image.load(folder.file(L"bad.ppm"))) << damaged.substr(0, 12);
    }
    EXPECT_FALSE(PageImage().load(folder.file(L"missing.ppm")));

    std::vector<std::uint8_t> marks(13 * 3);
    for (size_t i = 0; i < marks.size(); ++i) {
        marks[i] = (i * 7 % 5 == 0) ? 1 : 0;
    }
    ASSERT_TRUE(PageImage::writePbm(folder.file(L"m.pbm"), marks, 13, 3));
    std::vector<std::uint8_t> back;
    int width = 0;
    int height = 0;
    ASSERT_TRUE(PageImage::readPbm(folder.file(L"m.pbm"), back, width, height));
    EXPECT_EQ(13, width);
    EXPECT_EQ(3, height);
    EXPECT_EQ(marks, back);
}

// Bands of a page 10 pixels wide and 5 high, 2 rows a band (a budget of 60 bytes, three
// a pixel): black and white (PBM), grey (PGM), colour (PPM) as the renderer found each.
TEST(PageBands, BandsOfAnyKindJoinIntoThePageInTheWidestKind)
{
    testing_support::ScratchFolder folder;
    PageBands bands(10, 5, 60);
    EXPECT_EQ(2, bands.nextHeight());
    EXPECT_EQ(3, bands.bandsLeft());
    const std::string all = bands.shiftProgram(3);
    EXPECT_NE(std::string::npos, all.find("[ 3 1 -1 ]")) << "rows below each band (the last one's medium reaches "
                                                             "below the page)";
    EXPECT_NE(std::string::npos, all.find("/EndPage")) << "the bands shown are counted";
    ASSERT_TRUE(writeBytes(folder.file(L"b.pnm"), std::string("P4\n10 2\n") + "\x80\x40\xff"));
    EXPECT_FALSE(bands.complete(folder.file(L"b.pnm"))) << "a row and a half written";
    ASSERT_TRUE(writeBytes(folder.file(L"b.pnm"), std::string("P4\n10 2\n") + "\x80\x40\xff\xc0"));
    const HANDLE writer = CreateFileW(folder.file(L"b.pnm").c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
        nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, writer);
    EXPECT_FALSE(bands.complete(folder.file(L"b.pnm"))) << "its writer still holds it";
    CloseHandle(writer);
    EXPECT_TRUE(bands.complete(folder.file(L"b.pnm")));
    ASSERT_TRUE(bands.take(folder.file(L"b.pnm")));
    EXPECT_EQ(4, bands.kind());
    ASSERT_TRUE(writeBytes(folder.file(L"short.pnm"), "P5\n10 1\n255\n" + std::string(10, '\x80')));
    EXPECT_FALSE(bands.take(folder.file(L"short.pnm"))) << "not the band asked for";
    EXPECT_NE(std::string::npos, bands.shiftProgram(1).find("[ 1 ]"));
    EXPECT_EQ(std::string::npos, bands.shiftProgram(1).find("/EndPage")) << "one band: the page's own end";
    ASSERT_TRUE(writeBytes(folder.file(L"b.pnm"), "P5\n10 2\n255\n" + std::string(20, '\x80')));
    ASSERT_TRUE(bands.take(folder.file(L"b.pnm")));
    EXPECT_EQ(1, bands.nextHeight()) << "the last band holds the rows left";
    ASSERT_TRUE(writeBytes(folder.file(L"b.pnm"), "P6\n10 2\n255\n" + std::string(30, '\x11') + std::string(30, '\x22')));
    ASSERT_TRUE(bands.take(folder.file(L"b.pnm")));
    ASSERT_TRUE(bands.done());
    ASSERT_EQ(6, bands.kind());
    const PageImage page = bands.takeImage();
    ASSERT_EQ(10u * 5 * 3, page.rgb.size());
    auto pixel = [&](int x, int y) { return page.rgb[(static_cast<size_t>(y) * 10 + static_cast<size_t>(x)) * 3 + 1]; };
    EXPECT_EQ(0, pixel(0, 0));
    EXPECT_EQ(255, pixel(1, 0));
    EXPECT_EQ(0, pixel(1, 1));
    EXPECT_EQ(255, pixel(8, 0));
    EXPECT_EQ(0, pixel(9, 0));
    EXPECT_EQ(0, pixel(9, 1));
    EXPECT_EQ(0x80, pixel(4, 2));
    EXPECT_EQ(0x80, pixel(9, 3));
    EXPECT_EQ(0x11, pixel(5, 4));

    PageBands bitonal(10, 3, 1);
    for (const std::string& band : {"P4 10 1\n" + std::string("\x81\x40", 2), "P4 10 1\n" + std::string("\x00\xc0", 2),
             "P6 10 1 255\n" + std::string(30, '\0')}) {
        ASSERT_TRUE(writeBytes(folder.file(L"b.pnm"), band));
        ASSERT_TRUE(bitonal.take(folder.file(L"b.pnm")));
    }
    ASSERT_EQ(4, bitonal.kind()) << "a page of black and white pixels is bitonal, whatever its bands' kinds";
    const std::vector<std::uint8_t> bits = bitonal.takeBits();
    EXPECT_EQ(std::string("\x81\x40\x00\xc0\xff\xc0", 6), std::string(bits.begin(), bits.end()));
}
