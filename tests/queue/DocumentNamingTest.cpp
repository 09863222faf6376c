// How the documents' outputs and logs are named.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "queue/QueuedDocument.h"

TEST(DocumentNaming, OutputDerivedFromTheInputExtension)
{
    EXPECT_EQ(L"C:\\docs\\a.djvu", queue::deriveOutputName(L"C:\\docs\\a.pdf"));
    EXPECT_EQ(L"C:\\docs\\a.b.djvu", queue::deriveOutputName(L"C:\\docs\\a.b.pdf"));
    EXPECT_EQ(L"C:\\rel.2\\readme.djvu", queue::deriveOutputName(L"C:\\rel.2\\readme"));
    EXPECT_EQ(L"C:\\y\\scan.djvu", queue::deriveOutputName(L"C:\\y\\scan"));
    // A "." with a space after it starts no extension.
    EXPECT_EQ(L"C:\\y\\a.b c.djvu", queue::deriveOutputName(L"C:\\y\\a.b c"));
    EXPECT_EQ(L".djvu", queue::deriveOutputName(L""));
}

TEST(DocumentNaming, LogNamesStayApart)
{
    std::set<std::wstring> used;
    EXPECT_EQ(L"C:\\t\\_k-report.log", queue::documentLogPath(L"C:\\t\\_k.log", L"D:\\x\\report.pdf", used));
    EXPECT_EQ(L"C:\\t\\_k-report.ps.log", queue::documentLogPath(L"C:\\t\\_k.log", L"D:\\y\\report.ps", used));
    EXPECT_EQ(L"C:\\t\\_k-REPORT.ps-3.log", queue::documentLogPath(L"C:\\t\\_k.log", L"D:\\z\\REPORT.ps", used));
    EXPECT_EQ(L"", queue::documentLogPath(L"", L"D:\\x\\report.pdf", used));
    EXPECT_EQ(L"E:\\out\\a.djvu", queue::queuedOutputPath(L"E:\\out\\", L"D:\\x\\a.pdf"));
    // A run whose log another run holds: never a name a document's own log takes.
    EXPECT_EQ(L"C:\\t\\_k (2).log", queue::numberedLogPath(L"C:\\t\\_k.log", 2));
}
