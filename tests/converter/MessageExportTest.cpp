// Taking messages out of the window: the type filter, rows as text, the saved file.
#include <gtest/gtest.h>

#include "converter/MessageExport.h"
#include "support/ScratchFiles.h"
#include "support/StandInRun.h"

using converter::MessageFilter;
using converter::MessageStore;
using converter::MessageType;

namespace {

const std::wstring kTypeNames[3] = {L"Information", L"Warning", L"Error"};

MessageStore threeRows()
{
    MessageStore store;
    store.append(MessageType::Info, L"", L"Started");
    store.append(MessageType::Warn, L"2", L"Font substituted");
    store.append(MessageType::Error, L"3", L"Broken stream");
    return store;
}

} // namespace

TEST(MessageFilter, ShowsTheRowsOfItsTypesAndTakesNewRowsAsTheyCome)
{
    MessageStore store = threeRows();
    converter::FilteredRows rows;
    rows.rebuild(store, MessageFilter::All);
    EXPECT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows.storeIndex(2), 2u);
    rows.rebuild(store, MessageFilter::WarningsAndErrors);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows.storeIndex(0), 1u);
    rows.rebuild(store, MessageFilter::ErrorsOnly);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows.storeIndex(0), 2u);
    store.append(MessageType::Info, L"4", L"More");
    store.append(MessageType::Error, L"5", L"Again");
    rows.takeNewRows(store);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows.storeIndex(1), 4u);
}

TEST(MessageCopy, RowsAreTabSeparatedAsTheListShowsThem)
{
    const MessageStore store = threeRows();
    EXPECT_EQ(converter::rowsAsText(store, {0, 2}, kTypeNames),
        L"Information\t\tStarted\r\nError\t3\tBroken stream\r\n");
    EXPECT_EQ(converter::rowsAsText(store, {}, kTypeNames), L"");
}

TEST(MessageSave, TheFileIsUtf8WithAByteOrderMarkOrTheReasonItIsNot)
{
    const std::wstring path = progress_test::temporaryDirectory() + L"messages_" + progress_test::uniqueSuffix() + L".txt";
    DWORD error = 0;
    ASSERT_TRUE(converter::saveTextAsUtf8(path, L"Warning\t1\t\u8B66\u544A\r\n", error));
    EXPECT_EQ(testing_support::readFileBytes(path), "\xEF\xBB\xBFWarning\t1\t\xE8\xAD\xA6\xE5\x91\x8A\r\n");
    DeleteFileW(path.c_str());
    EXPECT_FALSE(converter::saveTextAsUtf8(progress_test::temporaryDirectory() + L"no-such-folder\\m.txt", L"x", error));
    EXPECT_EQ(error, static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
}
