// Folders dropped or handed over: the PDF and PostScript files inside them and their
// subfolders, in natural name order, each once; a folder without any is named.
#include <gtest/gtest.h>

#include <windows.h>

#include "queue/DocumentGathering.h"
#include "support/ScratchFiles.h"

using testing_support::ScratchFolder;

TEST(DocumentGathering, FoldersGiveTheirDocumentsNestedInNaturalOrderEachOnce)
{
    ScratchFolder folder;
    CreateDirectoryW(folder.file(L"books").c_str(), nullptr);
    CreateDirectoryW(folder.file(L"books\\part 2").c_str(), nullptr);
    CreateDirectoryW(folder.file(L"empty").c_str(), nullptr);
    CreateDirectoryW(folder.file(L"empty\\inner").c_str(), nullptr);
    for (const wchar_t* name : {L"books\\report 10.pdf", L"books\\report 2.PDF", L"books\\notes.txt", L"books\\scan.ps",
             L"books\\part 2\\chapter.eps", L"empty\\inner\\readme.txt", L"single.pdf"}) {
        folder.createFile(name);
    }
    const queue::GatheredDocuments gathered = queue::gatherDocuments(
        {folder.file(L"single.pdf"), folder.file(L"books\\"), folder.file(L"empty"), folder.file(L"books\\scan.ps")});
    EXPECT_EQ((std::vector<std::wstring>{folder.file(L"single.pdf"), folder.file(L"books\\part 2\\chapter.eps"),
                  folder.file(L"books\\report 2.PDF"), folder.file(L"books\\report 10.pdf"), folder.file(L"books\\scan.ps")}),
        gathered.files);
    EXPECT_EQ(std::vector<std::wstring>{folder.file(L"empty")}, gathered.emptyFolders);
    EXPECT_TRUE(queue::naturallyBefore(L"report 2", L"Report 10"));
    EXPECT_FALSE(queue::naturallyBefore(L"report 10", L"report 9"));
}
