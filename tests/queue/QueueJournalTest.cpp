// A queue's documents kept per user while it runs, and taken back at the next start when
// the queue was ended before it could remove them.
#include <gtest/gtest.h>

#include <memory>

#include "queue/QueueJournal.h"
#include "queue/QueueRun.h"
#include "settings/PendingQueueStore.h"
#include "settings/TestKey.h"
#include "support/ScratchFiles.h"

using queue::DocumentOutcome;

namespace {

queue::QueuedDocument documentIn(const testing_support::ScratchFolder& folder, const std::wstring& name, bool exists)
{
    queue::QueuedDocument document;
    document.input = exists ? folder.createFile(name + L".pdf") : folder.file(name + L".pdf");
    document.output = folder.file(name + L".djvu");
    document.converterArguments = L"--dpi=300 \"" + document.input + L"\" \"" + document.output + L"\"";
    document.logPath = name == L"b" ? std::wstring() : folder.file(L"_k-" + name + L".log");
    document.replaceOutput = name == L"c";
    return document;
}

} // namespace

TEST(QueueJournal, ADocumentNotConvertedWhenTheQueueWasEndedIsTakenBackOnceWithItsOptions)
{
    ScratchSettingsKey key;
    testing_support::ScratchFolder folder;
    const std::vector<queue::QueuedDocument> documents = {documentIn(folder, L"a", true), documentIn(folder, L"b", true),
        documentIn(folder, L"c", true), documentIn(folder, L"gone", false)};
    std::vector<queue::DocumentResult> results(documents.size());
    results[0].outcome = DocumentOutcome::Converted;
    {
        queue::QueueJournal journal(true);
        journal.store(documents, results);
        // While its queue runs, a stored queue is not taken.
        EXPECT_TRUE(queue::takeUnfinishedQueues().documents.empty());
        EXPECT_EQ(1u, settings::PendingQueueStore().ids().size());
    } // ended without clearing: a crash
    const queue::UnfinishedQueue unfinished = queue::takeUnfinishedQueues();
    ASSERT_EQ(2u, unfinished.documents.size());
    EXPECT_EQ(documents[1].input, unfinished.documents[0].input);
    EXPECT_EQ(documents[1].converterArguments, unfinished.documents[0].converterArguments);
    EXPECT_TRUE(unfinished.documents[0].logPath.empty());
    EXPECT_EQ(documents[2].output, unfinished.documents[1].output);
    EXPECT_EQ(documents[2].logPath, unfinished.documents[1].logPath);
    EXPECT_TRUE(unfinished.documents[1].replaceOutput);
    EXPECT_EQ(std::vector<std::wstring>{documents[3].input}, unfinished.missing);
    EXPECT_TRUE(unfinished.openAfterConversion);
    // Taken once: the next start finds nothing.
    EXPECT_TRUE(queue::takeUnfinishedQueues().documents.empty());
    EXPECT_TRUE(settings::PendingQueueStore().ids().empty());
}

TEST(QueueJournal, AQueueThatEndsKeepsNothing)
{
    ScratchSettingsKey key;
    testing_support::ScratchFolder folder;
    {
        queue::QueueJournal journal(false);
        journal.store({documentIn(folder, L"a", true)}, std::vector<queue::DocumentResult>(1));
        journal.clear();
    }
    EXPECT_TRUE(settings::PendingQueueStore().ids().empty());
    EXPECT_TRUE(queue::takeUnfinishedQueues().documents.empty());
}
