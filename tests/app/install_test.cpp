#include <gtest/gtest.h>

#include <string>

#include "win/Handle.h"
#include "win/RegKey.h"

namespace {

// The built front end, as Wine sees it (the Unix path under drive Z:).
std::wstring frontEndPath()
{
    std::wstring path = L"Z:";
    for (const char* c = KORVELLO_GUI_EXE; *c != '\0'; ++c) {
        path.push_back(*c == '/' ? L'\\' : static_cast<wchar_t>(static_cast<unsigned char>(*c)));
    }
    return path;
}

// Starts the front end with the given arguments and returns its exit code (or ~0u on a time-out).
DWORD runFrontEnd(const std::wstring& arguments, DWORD timeoutMs = 30000)
{
    std::wstring commandLine = L"\"" + frontEndPath() + L"\" " + arguments;
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
        return ~0u - 1;
    }
    win::UniqueHandle processHandle(process.hProcess);
    win::UniqueHandle threadHandle(process.hThread);
    if (WaitForSingleObject(processHandle.get(), timeoutMs) != WAIT_OBJECT_0) {
        TerminateProcess(processHandle.get(), 99);
        return ~0u;
    }
    DWORD exitCode = 0;
    GetExitCodeProcess(processHandle.get(), &exitCode);
    return exitCode;
}

const wchar_t* const kTestProgId = L"KorvelloTest.PdfDoc";

class InstallSwitch : public testing::Test {
protected:
    void SetUp() override { clean(); }
    void TearDown() override { clean(); }
    static void clean()
    {
        RegDeleteTreeW(HKEY_CLASSES_ROOT, kTestProgId);
        RegDeleteTreeW(HKEY_CLASSES_ROOT, L"AcroExch.Document.7\\shell\\korvello");
        RegDeleteTreeW(HKEY_CLASSES_ROOT, L".pdf");
    }
    static void associatePdf() { win::RegKey::create(HKEY_CLASSES_ROOT, L".pdf").writeString(nullptr, kTestProgId); }
    static std::wstring value(const std::wstring& path)
    {
        return win::RegKey::open(HKEY_CLASSES_ROOT, path).readString(nullptr, 1024).value_or(L"<missing>");
    }
    static void expectVerb(const std::wstring& menuText)
    {
        for (const std::wstring& progId : { std::wstring(kTestProgId), std::wstring(L"AcroExch.Document.7") }) {
            EXPECT_EQ(value(progId + L"\\shell\\korvello"), menuText) << progId;
            EXPECT_EQ(value(progId + L"\\shell\\korvello\\command"), L"\"" + frontEndPath() + L"\" \"%l\"") << progId;
        }
    }
};

} // namespace

TEST_F(InstallSwitch, RegistersVerbAndEndsWithZero)
{
    associatePdf();
    EXPECT_EQ(runFrontEnd(L"/Install"), 0u);
    expectVerb(L"Convert to DjVu...");
}

TEST_F(InstallSwitch, WithoutPdfAssociationWritesNothing)
{
    EXPECT_EQ(runFrontEnd(L"/Install"), 0u);
    EXPECT_FALSE(win::RegKey::open(HKEY_CLASSES_ROOT, L"AcroExch.Document.7\\shell\\korvello").valid());
}

TEST(InstallSwitchJapanese, JapaneseMenuText)
{
    RegDeleteTreeW(HKEY_CLASSES_ROOT, kTestProgId);
    win::RegKey::create(HKEY_CLASSES_ROOT, L".pdf").writeString(nullptr, kTestProgId);
    EXPECT_EQ(runFrontEnd(L"/Install"), 0u);
    EXPECT_EQ(win::RegKey::open(HKEY_CLASSES_ROOT, std::wstring(kTestProgId) + L"\\shell\\korvello")
                  .readString(nullptr, 260)
                  .value_or(L"?"),
        L"DjVu形式に変換...");
    RegDeleteTreeW(HKEY_CLASSES_ROOT, kTestProgId);
    RegDeleteTreeW(HKEY_CLASSES_ROOT, L"AcroExch.Document.7\\shell\\korvello");
    RegDeleteTreeW(HKEY_CLASSES_ROOT, L".pdf");
}
