#include <gtest/gtest.h>

#include <deque>

#include "app/MainLoop.h"

namespace {

struct LoopScript {
    std::deque<INT_PTR> sheetResults;
    std::deque<bool> runResults;
    int sheetsBuilt = 0;
    int sheetsAlive = 0;
    int maxSheetsAlive = 0;
    std::deque<size_t> documentCounts; // documents of each request (none given: one)
    std::vector<std::wstring> requests;
};

class ScriptedSheet : public app::SettingsPass {
public:
    explicit ScriptedSheet(LoopScript& script) : script_(script)
    {
        ++script_.sheetsBuilt;
        script_.maxSheetsAlive = std::max(script_.maxSheetsAlive, ++script_.sheetsAlive);
    }
    ~ScriptedSheet() override { --script_.sheetsAlive; }
    INT_PTR show(HWND) override
    {
        const INT_PTR result = script_.sheetResults.front();
        script_.sheetResults.pop_front();
        return result;
    }
    app::ConversionRequest request() const override
    {
        app::ConversionRequest request;
        size_t count = 1;
        if (!script_.documentCounts.empty()) {
            count = script_.documentCounts.front();
            script_.documentCounts.pop_front();
        }
        request.documents.resize(count);
        request.documents[0].converterArguments = L"pass " + std::to_wstring(script_.sheetsBuilt);
        return request;
    }

private:
    LoopScript& script_;
};

int runScript(LoopScript& script)
{
    app::MainLoopServices services;
    services.createSheet = [&] { return std::make_unique<ScriptedSheet>(script); };
    services.runConversion = [&](const app::ConversionRequest& request) {
        script.requests.push_back(request.documents[0].converterArguments);
        const bool end = script.runResults.front();
        script.runResults.pop_front();
        return end;
    };
    services.runQueue = [&](const app::ConversionRequest& request) {
        script.requests.push_back(L"queue of " + std::to_wstring(request.documents.size()));
        const bool end = script.runResults.front();
        script.runResults.pop_front();
        return end;
    };
    return app::runMainLoop(services);
}

} // namespace

TEST(MainLoop, CancelledFirstSheetEndsWithoutRun)
{
    LoopScript script;
    script.sheetResults = { 0 };
    EXPECT_EQ(runScript(script), 0);
    EXPECT_TRUE(script.requests.empty());
    EXPECT_EQ(script.sheetsAlive, 0);
}

TEST(MainLoop, SheetFailureValueBecomesExitCode)
{
    LoopScript script;
    script.sheetResults = { -1 };
    EXPECT_EQ(runScript(script), -1);
}

TEST(MainLoop, FailedRunBringsNewSheetAndSuccessEndsWithOne)
{
    LoopScript script;
    script.sheetResults = { 1, 1 };
    script.runResults = { false, true };
    EXPECT_EQ(runScript(script), 1);
    EXPECT_EQ(script.sheetsBuilt, 2);
    EXPECT_EQ(script.maxSheetsAlive, 1) << "one sheet at a time";
    EXPECT_EQ(script.requests, (std::vector<std::wstring>{ L"pass 1", L"pass 2" }));
}

TEST(MainLoop, CancelAfterFailedRunReturnsSheetResult)
{
    LoopScript script;
    script.sheetResults = { 1, 2 };
    script.runResults = { false };
    EXPECT_EQ(runScript(script), 2);
    EXPECT_EQ(script.requests.size(), 1u);
}

TEST(MainLoop, OneDocumentRunsAloneSeveralRunAsAQueue)
{
    LoopScript script;
    script.sheetResults = { 1, 1 };
    script.documentCounts = { 3, 1 };
    script.runResults = { false, true };
    EXPECT_EQ(runScript(script), 1);
    EXPECT_EQ(script.requests, (std::vector<std::wstring>{ L"queue of 3", L"pass 2" }));
}
