// Artwork, manifest and version information.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <cstring>
#include <set>
#include <string>
#include <utility>

#include "ResourceData.h"
#include "res/resource.h"

using restest::kNeutral;

namespace {

#pragma pack(push, 2)
struct GroupIconHeader {
    WORD reserved;
    WORD type;
    WORD count;
};
struct GroupIconEntry {
    BYTE width;
    BYTE height;
    BYTE colourCount;
    BYTE reserved;
    WORD planes;
    WORD bitCount;
    DWORD bytesInResource;
    WORD id;
};
#pragma pack(pop)

// (size, bits per pixel) of every image of an icon group.
std::set<std::pair<int, int>> iconImages(int id)
{
    std::set<std::pair<int, int>> images;
    const std::string_view group = restest::resourceBytes(RT_GROUP_ICON, MAKEINTRESOURCEW(id), kNeutral);
    GroupIconHeader header = {};
    if (group.size() < sizeof(header)) {
        return images;
    }
    std::memcpy(&header, group.data(), sizeof(header));
    for (WORD i = 0; i < header.count; ++i) {
        GroupIconEntry entry = {};
        const size_t offset = sizeof(header) + i * sizeof(entry);
        if (offset + sizeof(entry) > group.size()) {
            break;
        }
        std::memcpy(&entry, group.data() + offset, sizeof(entry));
        // The image itself starts with its BITMAPINFOHEADER (height doubled for the mask).
        const std::string_view image = restest::resourceBytes(RT_ICON, MAKEINTRESOURCEW(entry.id), kNeutral);
        BITMAPINFOHEADER info = {};
        if (image.size() >= sizeof(info)) {
            std::memcpy(&info, image.data(), sizeof(info));
            EXPECT_EQ(info.biWidth, entry.width == 0 ? 256 : entry.width);
            EXPECT_EQ(info.biHeight, 2 * info.biWidth);
            EXPECT_EQ(info.biBitCount, entry.bitCount);
        }
        images.emplace(entry.width == 0 ? 256 : entry.width, entry.bitCount);
    }
    return images;
}

int loadedIconWidth(int id, int size)
{
    HICON icon = static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id), IMAGE_ICON, size, size, 0));
    if (!icon) {
        return 0;
    }
    ICONINFO info = {};
    int width = 0;
    if (GetIconInfo(icon, &info)) {
        BITMAP bitmap = {};
        GetObjectW(info.hbmColor ? info.hbmColor : info.hbmMask, sizeof(bitmap), &bitmap);
        width = bitmap.bmWidth;
        if (info.hbmColor) {
            DeleteObject(info.hbmColor);
        }
        if (info.hbmMask) {
            DeleteObject(info.hbmMask);
        }
    }
    DestroyIcon(icon);
    return width;
}

template <typename T>
bool readAt(std::string_view bytes, size_t offset, T& value)
{
    if (offset + sizeof(T) > bytes.size()) {
        return false;
    }
    std::memcpy(&value, bytes.data() + offset, sizeof(T));
    return true;
}

// The offset of the first chunk with this identifier after `from`, walking RIFF chunks and
// descending into lists; npos when there is none.
size_t findChunk(std::string_view riff, const char* fourcc, size_t from = 12)
{
    size_t offset = from;
    while (offset + 8 <= riff.size()) {
        DWORD size = 0;
        readAt(riff, offset + 4, size);
        if (std::memcmp(riff.data() + offset, fourcc, 4) == 0) {
            return offset;
        }
        if (std::memcmp(riff.data() + offset, "LIST", 4) == 0) {
            offset += 12; // into the list
            continue;
        }
        offset += 8 + size + (size & 1);
    }
    return std::string_view::npos;
}

} // namespace

TEST(ResourceImages, ApplicationIconHasEverySizeInTwoDepths)
{
    // Every small (16-32) and large (32-64) icon size from 100% to 200%, so none is stretched.
    std::set<std::pair<int, int>> expected;
    for (int size : { 64, 48, 40, 32, 24, 20, 16 }) {
        expected.insert({ size, 8 });
        expected.insert({ size, 32 });
    }
    EXPECT_EQ(iconImages(IDI_APP), expected);
    for (int size : { 64, 48, 40, 32, 24, 20, 16 }) {
        EXPECT_EQ(loadedIconWidth(IDI_APP, size), size);
    }
}

TEST(ResourceImages, CounterIconsComeInEverySmallIconSize)
{
    for (int id : { IDI_ERROR_SMALL, IDI_WARNING_SMALL }) {
        std::set<int> sizes;
        for (const auto& image : iconImages(id)) {
            sizes.insert(image.first);
        }
        EXPECT_EQ(sizes, (std::set<int>{ 16, 20, 24, 32 })) << id;
        for (int size : { 16, 20, 24, 32 }) {
            EXPECT_EQ(loadedIconWidth(id, size), size) << id;
        }
    }
}

TEST(ResourceImages, MessageTypeStripsForHigherResolutionsHoldThreeImagesEach)
{
    for (const auto& [id, size] : { std::pair<int, int>{ IDB_MESSAGE_TYPES_24, 24 }, std::pair<int, int>{ IDB_MESSAGE_TYPES_32, 32 } }) {
        const std::string_view bytes = restest::resourceBytes(RT_BITMAP, MAKEINTRESOURCEW(id), kNeutral);
        BITMAPINFOHEADER info = {};
        ASSERT_TRUE(readAt(bytes, 0, info)) << id;
        EXPECT_EQ(info.biWidth, 3 * size);
        EXPECT_EQ(info.biHeight, size);
        EXPECT_EQ(info.biBitCount, 4);
        HIMAGELIST list = ImageList_LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id), size, 0,
            RGB(255, 0, 255), IMAGE_BITMAP, LR_CREATEDIBSECTION);
        ASSERT_NE(list, nullptr);
        EXPECT_EQ(ImageList_GetImageCount(list), 3);
        ImageList_Destroy(list);
    }
}

TEST(ResourceImages, MessageTypeStripIsFourBitsFortyEightBySixteen)
{
    const std::string_view bytes = restest::resourceBytes(RT_BITMAP, MAKEINTRESOURCEW(IDB_MESSAGE_TYPES), kNeutral);
    BITMAPINFOHEADER info = {};
    ASSERT_TRUE(readAt(bytes, 0, info));
    EXPECT_EQ(info.biWidth, 48);
    EXPECT_EQ(info.biHeight, 16);
    EXPECT_EQ(info.biBitCount, 4);
    EXPECT_EQ(info.biCompression, static_cast<DWORD>(BI_RGB));
    // The mask colour is in the palette and fills the top-left corner of every image.
    RGBQUAD palette[16] = {};
    ASSERT_TRUE(readAt(bytes, sizeof(info), palette));
    int magenta = -1;
    for (int i = 0; i < 16; ++i) {
        if (palette[i].rgbRed == 255 && palette[i].rgbGreen == 0 && palette[i].rgbBlue == 255) {
            magenta = i;
        }
    }
    ASSERT_GE(magenta, 0);
    const size_t pixels = sizeof(info) + sizeof(palette);
    const size_t topRow = pixels + 15 * 24; // bottom-up rows of 24 bytes
    for (int image = 0; image < 3; ++image) {
        BYTE pair = 0;
        ASSERT_TRUE(readAt(bytes, topRow + image * 8, pair));
        EXPECT_EQ(pair >> 4, magenta) << "image " << image;
    }

    HBITMAP bitmap = static_cast<HBITMAP>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDB_MESSAGE_TYPES),
        IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    ASSERT_NE(bitmap, nullptr);
    DIBSECTION section = {};
    ASSERT_EQ(GetObjectW(bitmap, sizeof(section), &section), static_cast<int>(sizeof(section)));
    EXPECT_EQ(section.dsBm.bmWidth, 48);
    EXPECT_EQ(section.dsBm.bmHeight, 16);
    EXPECT_EQ(section.dsBm.bmBitsPixel, 4);
    DeleteObject(bitmap);

    HIMAGELIST list = ImageList_LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDB_MESSAGE_TYPES), 16, 0,
        RGB(255, 0, 255), IMAGE_BITMAP, LR_CREATEDIBSECTION);
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(ImageList_GetImageCount(list), 3);
    ImageList_Destroy(list);
}

TEST(ResourceImages, BusyAnimationIsTwelveRleFramesAtTenPerSecond)
{
    const std::string_view avi = restest::resourceBytes(L"AVI", MAKEINTRESOURCEW(IDR_BUSY_ANIMATION), kNeutral);
    ASSERT_GT(avi.size(), 12u);
    EXPECT_EQ(std::memcmp(avi.data(), "RIFF", 4), 0);
    EXPECT_EQ(std::memcmp(avi.data() + 8, "AVI ", 4), 0);
    const size_t avih = findChunk(avi, "avih");
    ASSERT_NE(avih, std::string_view::npos);
    DWORD header[10] = {};
    ASSERT_TRUE(readAt(avi, avih + 8, header));
    EXPECT_EQ(header[0], 100000u); // microseconds per frame
    EXPECT_EQ(header[4], 12u);     // frames
    EXPECT_EQ(header[8], 24u);
    EXPECT_EQ(header[9], 24u);
    const size_t strf = findChunk(avi, "strf");
    ASSERT_NE(strf, std::string_view::npos);
    BITMAPINFOHEADER info = {};
    ASSERT_TRUE(readAt(avi, strf + 8, info));
    EXPECT_EQ(info.biCompression, static_cast<DWORD>(BI_RLE8));
    EXPECT_EQ(info.biBitCount, 8);
    int frames = 0;
    for (size_t at = findChunk(avi, "00dc"); at != std::string_view::npos;) {
        DWORD size = 0;
        ASSERT_TRUE(readAt(avi, at + 4, size));
        ++frames;
        at = findChunk(avi, "00dc", at + 8 + size + (size & 1)); // after this frame's data
    }
    EXPECT_EQ(frames, 12);
}

TEST(ResourceImages, AnimationControlOpensAndPlaysTheClip)
{
    INITCOMMONCONTROLSEX controls = {};
    controls.dwSize = sizeof(controls);
    controls.dwICC = ICC_ANIMATE_CLASS;
    InitCommonControlsEx(&controls);
    HWND parent = CreateWindowExW(0, L"Static", L"", WS_OVERLAPPEDWINDOW, 0, 0, 200, 200, nullptr, nullptr,
        GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(parent, nullptr);
    HWND animation = CreateWindowExW(0, ANIMATE_CLASSW, L"", WS_CHILD | WS_VISIBLE | ACS_CENTER | ACS_TRANSPARENT, 0, 0,
        40, 40, parent, nullptr, GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(animation, nullptr);
    EXPECT_TRUE(SendMessageW(animation, ACM_OPENW, reinterpret_cast<WPARAM>(GetModuleHandleW(nullptr)),
        reinterpret_cast<LPARAM>(MAKEINTRESOURCEW(IDR_BUSY_ANIMATION))));
    EXPECT_TRUE(SendMessageW(animation, ACM_PLAY, static_cast<WPARAM>(-1), MAKELPARAM(0, 0xFFFF)));
    EXPECT_TRUE(SendMessageW(animation, ACM_STOP, 0, 0));
    // A clip that does not exist is refused.
    EXPECT_FALSE(SendMessageW(animation, ACM_OPENW, reinterpret_cast<WPARAM>(GetModuleHandleW(nullptr)),
        reinterpret_cast<LPARAM>(MAKEINTRESOURCEW(IDR_BUSY_ANIMATION + 1))));
    DestroyWindow(parent);
}

TEST(ResourceManifest, AsksForCommonControlsSixAndPerMonitorAwareness)
{
    const std::string_view manifest = restest::resourceBytes(MAKEINTRESOURCEW(24), MAKEINTRESOURCEW(1), kNeutral);
    ASSERT_FALSE(manifest.empty());
    for (const char* needed : { "Microsoft.Windows.Common-Controls", "version=\"6.0.0.0\"", "6595b64144ccf1df",
             "true/pm", "PerMonitorV2,PerMonitor", "asInvoker", "supportedOS" }) {
        EXPECT_NE(manifest.find(needed), std::string_view::npos) << needed;
    }
}

TEST(ResourceVersion, NamesTheProductAndTheFile)
{
    const std::string_view block = restest::resourceBytes(RT_VERSION, MAKEINTRESOURCEW(VS_VERSION_INFO), kNeutral);
    ASSERT_FALSE(block.empty());
    // VerQueryValueW wants a writable copy.
    std::string copy(block);
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(copy.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(fixed->dwFileVersionMS, 0x00010000u);
    EXPECT_EQ(fixed->dwFileVersionLS, 0u);
    EXPECT_EQ(fixed->dwProductVersionMS, 0x00010000u);
    auto value = [&](const wchar_t* name) {
        wchar_t* text = nullptr;
        UINT size = 0;
        const std::wstring path = std::wstring(L"\\StringFileInfo\\040904b0\\") + name;
        if (!VerQueryValueW(copy.data(), path.c_str(), reinterpret_cast<void**>(&text), &size) || !text) {
            return std::wstring();
        }
        return std::wstring(text);
    };
    EXPECT_EQ(value(L"ProductName"), L"Korvello Converter");
    EXPECT_EQ(value(L"OriginalFilename"), L"korvello-gui.exe");
    EXPECT_EQ(value(L"FileVersion"), L"1.0.0.0");
    EXPECT_EQ(value(L"ProductVersion"), L"1.0.0.0");
}
