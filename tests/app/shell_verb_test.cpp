#include <gtest/gtest.h>

#include "app/ShellVerb.h"
#include "win/RegKey.h"

namespace {

// A private classes root under HKCU, so the tests never touch the real associations.
const wchar_t* const kRoot = L"Software\\Veltrana\\KorvelloTests\\Classes";

class ShellVerbTest : public testing::Test {
protected:
    void SetUp() override
    {
        RegDeleteTreeW(HKEY_CURRENT_USER, kRoot);
        root_ = win::RegKey::create(HKEY_CURRENT_USER, kRoot);
        ASSERT_TRUE(root_.valid());
        target_.classesRoot = root_.get();
        target_.executablePath = L"C:\\Tools\\Gui\\korvello-gui.exe";
    }
    void TearDown() override
    {
        root_.close();
        RegDeleteTreeW(HKEY_CURRENT_USER, kRoot);
    }
    void associatePdf(const std::wstring& progId) const
    {
        win::RegKey::create(root_.get(), L".pdf").writeString(nullptr, progId);
    }
    std::optional<std::wstring> defaultValue(const std::wstring& path) const
    {
        return win::RegKey::open(root_.get(), path).readString(nullptr, 4096);
    }
    bool exists(const std::wstring& path) const { return win::RegKey::open(root_.get(), path).valid(); }

    win::RegKey root_;
    app::ShellVerbTarget target_;
};

} // namespace

TEST_F(ShellVerbTest, WritesVerbAndCommandForAssociatedTypeAndFixedType)
{
    associatePdf(L"Viewer.PdfDoc");
    app::registerShellVerb(target_);
    for (const std::wstring progId : { L"Viewer.PdfDoc", L"AcroExch.Document.7" }) {
        EXPECT_EQ(defaultValue(progId + L"\\shell\\korvello").value_or(L"?"), L"Convert to DjVu...") << progId;
        EXPECT_EQ(defaultValue(progId + L"\\shell\\korvello\\command").value_or(L"?"),
            L"\"C:\\Tools\\Gui\\korvello-gui.exe\" \"%l\"")
            << progId;
        const auto model = win::RegKey::open(root_.get(), progId + L"\\shell\\korvello").readString(L"MultiSelectModel", 64);
        EXPECT_EQ(model.value_or(L"?"), L"Player") << progId;
    }
    // The stored size includes the terminating zero.
    const auto raw = win::RegKey::open(root_.get(), L"Viewer.PdfDoc\\shell\\korvello").readRaw(nullptr);
    ASSERT_TRUE(raw.has_value());
    EXPECT_EQ(raw->type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(raw->data.size(), (std::wstring(L"Convert to DjVu...").size() + 1) * sizeof(wchar_t));
}

TEST_F(ShellVerbTest, SameTypeTwiceAndRewritesOldValues)
{
    associatePdf(L"AcroExch.Document.7");
    win::RegKey::create(root_.get(), L"AcroExch.Document.7\\shell\\korvello\\command").writeString(nullptr, L"old");
    app::registerShellVerb(target_);
    EXPECT_EQ(defaultValue(L"AcroExch.Document.7\\shell\\korvello\\command").value_or(L"?"),
        L"\"C:\\Tools\\Gui\\korvello-gui.exe\" \"%l\"");
}

TEST_F(ShellVerbTest, MissingOrUnusableAssociationWritesNothing)
{
    app::registerShellVerb(target_); // no .pdf key at all
    EXPECT_FALSE(exists(L"AcroExch.Document.7"));

    win::RegKey::create(root_.get(), L".pdf"); // key without a default value
    app::registerShellVerb(target_);
    EXPECT_FALSE(exists(L"AcroExch.Document.7"));

    win::RegKey::create(root_.get(), L".pdf").writeDword(nullptr, 5); // wrong type
    app::registerShellVerb(target_);
    EXPECT_FALSE(exists(L"AcroExch.Document.7"));

    const std::wstring tooLong(300, L'P'); // does not fit the 260-character buffer
    associatePdf(tooLong);
    app::registerShellVerb(target_);
    EXPECT_FALSE(exists(L"AcroExch.Document.7"));
}

TEST_F(ShellVerbTest, OverlongProgIdIsSkippedButFixedTypeIsWritten)
{
    // Fits the value buffer, but not the key path with "\shell\korvello\command".
    const std::wstring longId(250, L'Q');
    associatePdf(longId);
    app::registerShellVerb(target_);
    EXPECT_FALSE(exists(longId));
    EXPECT_TRUE(exists(L"AcroExch.Document.7\\shell\\korvello\\command"));
}

TEST_F(ShellVerbTest, UnwritableRootIsSilent)
{
    // Under a volatile key no persistent key can be created: every write of the verb fails.
    HKEY volatileRoot = nullptr;
    ASSERT_EQ(RegCreateKeyExW(root_.get(), L"Volatile", 0, nullptr, REG_OPTION_VOLATILE, KEY_ALL_ACCESS, nullptr,
                  &volatileRoot, nullptr),
        ERROR_SUCCESS);
    HKEY pdf = nullptr;
    ASSERT_EQ(RegCreateKeyExW(volatileRoot, L".pdf", 0, nullptr, REG_OPTION_VOLATILE, KEY_ALL_ACCESS, nullptr, &pdf,
                  nullptr),
        ERROR_SUCCESS);
    const wchar_t progId[] = L"Viewer.PdfDoc";
    RegSetValueExW(pdf, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(progId), sizeof(progId));
    RegCloseKey(pdf);

    target_.classesRoot = volatileRoot;
    app::registerShellVerb(target_); // must neither crash nor report
    EXPECT_FALSE(exists(L"Volatile\\Viewer.PdfDoc"));
    EXPECT_FALSE(exists(L"Volatile\\AcroExch.Document.7"));
    RegCloseKey(volatileRoot);
}

TEST(ShellVerbJapanese, MenuTextFollowsInterfaceLanguage)
{
    const wchar_t* const root = L"Software\\Veltrana\\KorvelloTests\\ClassesJa";
    RegDeleteTreeW(HKEY_CURRENT_USER, root);
    {
        win::RegKey key = win::RegKey::create(HKEY_CURRENT_USER, root);
        win::RegKey::create(key.get(), L".pdf").writeString(nullptr, L"Viewer.PdfDoc");
        app::ShellVerbTarget target;
        target.classesRoot = key.get();
        app::registerShellVerb(target);
        EXPECT_EQ(win::RegKey::open(key.get(), L"Viewer.PdfDoc\\shell\\korvello").readString(nullptr, 260).value_or(L"?"),
            L"DjVu形式に変換...");
    }
    RegDeleteTreeW(HKEY_CURRENT_USER, root);
}
