// The checks at OK on the real file system: names that reach the same file by another
// spelling before it exists, a missing output folder, and arguments that would not reach
// the converter as options followed by exactly the two file names.
#include <gtest/gtest.h>

#include <windows.h>

#include "options/ArgumentQuoting.h"
#include "res/resource.h"
#include "support/ScratchFiles.h"
#include "queue/FileChecks.h"

using testing_support::ScratchFolder;
using queue::FileVerdict;

namespace {

queue::ConfirmFiles filesIn(const ScratchFolder& folder, const std::wstring& options = L"--dpi=300")
{
    queue::ConfirmFiles files;
    files.input = folder.createFile(L"in put.pdf");
    files.output = folder.file(L"out.djvu");
    files.converterArguments = options + L" " + options::quotedArgument(files.input) + L" "
        + options::quotedArgument(files.output);
    return files;
}

} // namespace

TEST(FileChecks, ALogNamingTheOutputByAnotherSpellingIsRefusedBeforeEitherExists)
{
    ScratchFolder folder;
    queue::ConfirmFiles files = filesIn(folder);
    files.logPath = L"\\\\?\\" + folder.file(L"OUT.djvu");
    queue::FileCheck check = queue::checkFiles(files);
    EXPECT_EQ(check.verdict, FileVerdict::Refuse);
    EXPECT_EQ(check.stringId, static_cast<UINT>(IDS_LOG_IS_OUTPUT));
    EXPECT_EQ(check.page, queue::CheckPage::Misc);
    EXPECT_EQ(check.controlId, IDC_MISC_LOG_PATH);

    // The same name in another folder is another file.
    const ScratchFolder other;
    files.logPath = other.file(L"out.djvu");
    EXPECT_EQ(queue::checkFiles(files).verdict, FileVerdict::Accept);

    // An output spelled through \\?\ is still the input.
    files.logPath.clear();
    files.output = L"\\\\?\\" + files.input;
    files.converterArguments = L"--dpi=300 " + options::quotedArgument(files.input) + L" "
        + options::quotedArgument(files.output);
    check = queue::checkFiles(files);
    EXPECT_EQ(check.stringId, static_cast<UINT>(IDS_OUTPUT_IS_INPUT));
}

TEST(FileChecks, AnOutputFolderThatDoesNotExistIsNamed)
{
    ScratchFolder folder;
    queue::ConfirmFiles files = filesIn(folder);
    files.output = folder.file(L"missing\\out.djvu");
    files.converterArguments = L"--dpi=300 " + options::quotedArgument(files.input) + L" "
        + options::quotedArgument(files.output);
    const queue::FileCheck check = queue::checkFiles(files);
    EXPECT_EQ(check.verdict, FileVerdict::Refuse);
    EXPECT_EQ(check.stringId, static_cast<UINT>(IDS_OUTPUT_FOLDER_MISSING));
    EXPECT_EQ(check.insert, folder.file(L"missing"));
    EXPECT_EQ(check.controlId, IDC_BASIC_OUTPUT);
}

TEST(FileChecks, ArgumentsMustSplitIntoOptionsAndExactlyTheTwoFiles)
{
    ScratchFolder folder;
    EXPECT_EQ(queue::checkFiles(filesIn(folder, L"--dpi=300 --title=\"My Document\"")).verdict, FileVerdict::Accept);

    // A value cut by a blank leaves a word the converter would take for a file name.
    queue::FileCheck check = queue::checkFiles(filesIn(folder, L"--title=Annual report"));
    EXPECT_EQ(check.stringId, static_cast<UINT>(IDS_STRAY_ARGUMENT));
    EXPECT_EQ(check.insert, L"report");
    EXPECT_EQ(check.page, queue::CheckPage::Misc);
    EXPECT_EQ(check.controlId, IDC_MISC_ADDITIONAL);

    // A quote left open swallows the file names.
    check = queue::checkFiles(filesIn(folder, L"--title=\"Annual"));
    EXPECT_EQ(check.stringId, static_cast<UINT>(IDS_ARGUMENTS_SPLIT_WRONG));

    // An option holding a line break is quoted, so the break stays inside it.
    const std::wstring title = options::argumentText(L"--title=Annual\nreport");
    EXPECT_EQ(title, L"--title=\"Annual\nreport\"");
    EXPECT_EQ(queue::checkFiles(filesIn(folder, title)).verdict, FileVerdict::Accept);
    EXPECT_EQ(queue::splitByPlatform(L"--title=\"Annual report\" a"), (std::vector<std::wstring>{L"--title=Annual report", L"a"}));
}
