// The converter's rendered-page files: colour and grey images read as they were written
// (a header with comments, a grey image spread to three channels), short or foreign files
// refused, and masks of any width packed and read back bit for bit.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

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
