#include "app/Application.h"

#include <shellapi.h>

#include <set>

#include "app/DocumentCollector.h"
#include "app/MainLoop.h"
#include "app/QueueDriver.h"
#include "converter/ConversionRun.h"
#include "options/ArgumentQuoting.h"
#include "options/ArgumentSet.h"
#include "queue/QueueJournal.h"
#include "queue/QueuedDocument.h"
#include "res/resource.h"
#include "ui/ProgressDialog.h"
#include "ui/SettingsSheet.h"
#include "win/ErrorMessage.h"
#include "win/FileSystem.h"
#include "win/Handle.h"
#include "win/Module.h"

namespace app {

namespace {

// A run behind the real progress dialog. Constructing it loads langmap.txt.
class ProgressDialogLauncher : public RunLauncher {
public:
    converter::RunResult launch(const LaunchSetup& setup) override
    {
        ui::ProgressDialog dialog(setup.title, setup.statusText, setup.run.logPath);
        dialog.setDocumentName(setup.documentName);
        return run_.run(setup.run, dialog);
    }

private:
    converter::ConversionRun run_;
};

// Files taken but not to be converted here: each gets a front end of its own, started as
// the file manager starts one (they gather among themselves).
void startFrontEnds(const std::vector<std::wstring>& files)
{
    const std::wstring program = win::modulePath();
    for (const std::wstring& file : files) {
        std::wstring commandLine = options::quotedArgument(program) + L" " + options::quotedArgument(file);
        STARTUPINFOW startup = {};
        startup.cb = sizeof(startup);
        PROCESS_INFORMATION process = {};
        if (CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
            const win::UniqueHandle thread(process.hThread);
            const win::UniqueHandle started(process.hProcess);
        }
    }
}

class SheetPass : public SettingsPass {
public:
    SheetPass(options::ArgumentSet& arguments, ui::DocumentSelection& documents, DocumentCollector* collector)
        : sheet_(arguments, &documents), collector_(collector)
    {
    }
    INT_PTR show(HWND owner) override
    {
        if (collector_ != nullptr && collector_->collecting()) {
            // Files handed over while the sheet is open join its documents.
            collector_->setAccepting(true);
            sheet_.setShownHandler([this](ui::SettingsSheet&) {
                collector_->setAccepting(sheet_.takesNewcomers());
                collector_->setListener([this] {
                    sheet_.addDocuments(collector_->takeArrived());
                    startFrontEnds(sheet_.takeNotTaken());
                });
            });
            // A sheet whose output name the user chose lets newcomers show sheets of their own.
            sheet_.setTakesNewcomersHandler([this](bool takes) { collector_->setAccepting(takes); });
        }
        const INT_PTR result = sheet_.show(owner);
        if (collector_ != nullptr) {
            collector_->setListener(nullptr);
            startFrontEnds(sheet_.takeNotTaken());
            collector_->putBack(sheet_.lateDocuments());
            if (result != 1) {
                // Nothing is converted: a file still on its way goes to a front end of its own.
                startFrontEnds(collector_->stop());
            }
        }
        return result;
    }
    ConversionRequest request() const override
    {
        ConversionRequest request;
        request.openAfterConversion = sheet_.openAfterConversion();
        request.documents = sheet_.queuedDocuments();
        request.recipe = sheet_.queueRecipe();
        if (collector_ != nullptr && collector_->collecting()) {
            addLateArrivals(request, *collector_);
        }
        return request;
    }

private:
    // Files handed over while OK was checked, or since: they join the confirmed documents
    // (made by the recipe), so that none is lost. A confirmed document handed over again
    // (started twice) is converted once: one document stays one run, not a queue.
    static void addLateArrivals(ConversionRequest& request, DocumentCollector& collector)
    {
        std::set<std::wstring> usedLogs;
        queue::addUsedLogs(request.documents, usedLogs);
        std::set<std::wstring> confirmed;
        for (const queue::QueuedDocument& document : request.documents) {
            confirmed.insert(win::pathKey(win::fullPath(document.input)));
        }
        for (const std::wstring& input : collector.takeArrived()) {
            if (confirmed.insert(win::pathKey(win::fullPath(input))).second) {
                request.arrivals.push_back(queue::makeQueuedDocument(request.recipe, input, usedLogs));
            }
        }
    }

    ui::SettingsSheet sheet_;
    DocumentCollector* collector_;
};

// Files handed over while a queue runs join it, made by the queue's recipe. When the
// queue stops listening, newcomers are refused and run on their own.
class CollectedArrivals : public QueueArrivals {
public:
    CollectedArrivals(DocumentCollector& collector, const ConversionRequest& request)
        : collector_(collector), recipe_(request.recipe)
    {
        queue::addUsedLogs(request.documents, usedLogs_);
        queue::addUsedLogs(request.arrivals, usedLogs_);
    }
    void setListener(std::function<void()> onArrival) override
    {
        collector_.setAccepting(onArrival != nullptr);
        collector_.setListener(std::move(onArrival));
    }
    std::vector<queue::QueuedDocument> take() override
    {
        std::vector<queue::QueuedDocument> documents;
        for (const std::wstring& input : collector_.takeArrived()) {
            documents.push_back(queue::makeQueuedDocument(recipe_, input, usedLogs_));
        }
        return documents;
    }

private:
    DocumentCollector& collector_;
    queue::QueueRecipe recipe_;
    std::set<std::wstring> usedLogs_;
};

// The next sheet holds the documents a queue did not convert.
void bringBack(const std::vector<std::wstring>& notConverted, options::ArgumentSet& arguments, ui::DocumentSelection& documents)
{
    if (notConverted.size() >= 2) {
        documents.inputs = notConverted;
    } else if (notConverted.size() == 1) {
        documents.inputs.clear();
        arguments.setFileArgument(0, notConverted.front());
        arguments.setFileArgument(1, queue::queuedOutputPath(documents.outputFolder, notConverted.front()));
    }
}

// A confirmed queue: files handed over while it runs join it; the documents it did not
// convert come back on the next sheet.
bool convertSeveral(const ConversionRequest& request, const RunDriverServices& services, options::ArgumentSet& arguments,
    ui::DocumentSelection& documents, DocumentCollector* collector)
{
    QueueResult result;
    if (collector != nullptr && collector->collecting()) {
        CollectedArrivals arrivals(*collector, request);
        result = runQueue(request, services, &arrivals);
        startFrontEnds(collector->stop());
    } else {
        result = runQueue(request, services, nullptr);
    }
    if (!result.endProgram) {
        bringBack(result.notConverted, arguments, documents);
    }
    return result.endProgram;
}

// The start-up question names the count; one document reads in the singular.
int askToResume(std::size_t count)
{
    if (count == 1) {
        return win::showErrorMessage(nullptr, MB_YESNO | MB_ICONQUESTION, IDS_RESUME_QUESTION_ONE, {});
    }
    return win::showErrorMessage(nullptr, MB_YESNO | MB_ICONQUESTION, IDS_RESUME_QUESTION,
        {static_cast<int>(count)});
}

// A queue ended by a crash or a log-off: its documents are offered again, those that no
// longer exist named and left out. True when they were all converted now.
bool offerUnfinishedQueue(const RunDriverServices& services, options::ArgumentSet& arguments,
    ui::DocumentSelection& documents, DocumentCollector* collector)
{
    const queue::UnfinishedQueue unfinished = queue::takeUnfinishedQueues();
    if (!unfinished.missing.empty()) {
        std::wstring names;
        for (const std::wstring& missing : unfinished.missing) {
            names += missing + L"\n";
        }
        win::showErrorMessage(nullptr, MB_OK | MB_ICONINFORMATION, IDS_RESUME_MISSING, {names});
    }
    if (unfinished.documents.empty()
        || askToResume(unfinished.documents.size()) != IDYES) {
        return false;
    }
    ConversionRequest request;
    request.documents = unfinished.documents;
    request.openAfterConversion = unfinished.openAfterConversion;
    // The stored queue has no recipe for newcomers: they show sheets of their own.
    if (collector != nullptr) {
        collector->setAccepting(false);
    }
    const QueueResult result = runQueue(request, services, nullptr);
    if (collector != nullptr) {
        collector->setAccepting(true);
    }
    if (!result.endProgram) {
        bringBack(result.notConverted, arguments, documents);
    }
    return result.endProgram;
}

} // namespace

RunDriverServices defaultRunDriverServices()
{
    RunDriverServices services;
    services.createLauncher = [] { return std::make_unique<ProgressDialogLauncher>(); };
    services.showError = [](const std::wstring& text) {
        win::showMessageText(nullptr, MB_ICONHAND | MB_SYSTEMMODAL, text);
    };
    services.openOutput = [](const std::wstring& outputPath) {
        ShellExecuteW(nullptr, nullptr, outputPath.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
    };
    return services;
}

int runApplication(options::ArgumentSet& arguments, DocumentCollector* collector)
{
    const RunDriverServices runServices = defaultRunDriverServices();
    ui::DocumentSelection documents;
    // Started without a file, a front end that converted the stored documents is done.
    if (offerUnfinishedQueue(runServices, arguments, documents, collector) && arguments.fileArgumentCount() == 0) {
        return 1; // (only a front end started with one file collects)
    }
    MainLoopServices loop;
    loop.createSheet = [&] { return std::make_unique<SheetPass>(arguments, documents, collector); };
    loop.runConversion = [&](const ConversionRequest& request) {
        // One document runs alone; later newcomers gather among themselves.
        if (collector != nullptr) {
            startFrontEnds(collector->stop());
        }
        return runConversion(request, runServices);
    };
    loop.runQueue = [&](const ConversionRequest& request) {
        return convertSeveral(request, runServices, arguments, documents, collector);
    };
    return runMainLoop(loop);
}

} // namespace app
