// The progress dialog of one conversion run (template 103). The object is the run: it
// holds the rule set, the output interpreter and reader, and the process runner, and
// runConverter shows the dialog modally while a worker thread runs the converter.
//
// The worker never touches a control. What one drain pass produces (rows, status text,
// progress, counters) is collected on the worker side and carried to the dialog in one
// synchronous message, which inserts the rows with the list's redraw suspended.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "converter/MessageRuleSet.h"
#include "converter/OutputInterpreter.h"
#include "converter/OutputReader.h"
#include "converter/ProcessRunner.h"
#include "converter/ProgressView.h"
#include "converter/RunTaskbarState.h"
#include "win/Dialog.h"
#include "win/Handle.h"
#include "win/TaskbarProgress.h"

using KillSignaller = converter::KillSignaller;

class ProgressDialog : public win::Dialog, private ProgressView, private converter::RunDisplay {
public:
    // Loads the rules from "langmap.txt" beside the executable.
    ProgressDialog();
    // Loads the rules from the given file.
    explicit ProgressDialog(const std::wstring& ruleFilePath);
    ~ProgressDialog() override;

    // One run: creates the pipe, shows the dialog (its initialisation starts the worker),
    // joins the worker and closes the pipe. Returns 1 when the user closed the dialog
    // after the run, 3 when the run could not be started (osError then holds the OS
    // error of the failed step), or the platform's failure value when the dialog could
    // not be shown.
    // logOpenError: why the log file could not be created (logFile null, logPath not empty).
    INT_PTR runConverter(const std::wstring& commandLine, const std::wstring& title, const std::wstring& statusText,
        const std::wstring& logPath, bool detailsCollapsed, KillSignaller killSignaller,
        const std::wstring& killEventName, HANDLE logFile, DWORD& osError, DWORD logOpenError = 0);

    // The converter's exit code (0 until the process has ended).
    DWORD exitCode() const { return runner_.exitCode(); }
    // The wait on the converter failed: the run failed whatever the exit code says.
    bool waitFailed() const { return runner_.waitFailed(); }

    // Replaces the wait on the converter process.
    void setProcessWait(converter::ProcessWait wait) { runner_.setProcessWait(std::move(wait)); }

    // Replaces the millisecond tick counter of the stop handling and the run time.
    void setTickSource(converter::TickSource tickSource) { runner_.setTickSource(std::move(tickSource)); }

    // Replaces what shows the run on the taskbar button (by default the shell's
    // taskbar for the dialog's window).
    using TaskbarFactory = std::function<std::unique_ptr<win::TaskbarProgress>(HWND)>;
    void setTaskbarFactory(TaskbarFactory factory) { taskbarFactory_ = std::move(factory); }

    const OutputInterpreter& interpreter() const { return interpreter_; }
    const MessageRuleSet& rules() const { return rules_; }

    // The status text after a run (exit-code table).
    static std::wstring finalStatusText(const converter::RunOutcome& outcome);

    // The largest number of rows carried to the dialog in one message, and the longest
    // time output is held back on the worker side before it is carried over.
    static constexpr size_t kMaxRowsPerBatch = 200;
    static constexpr DWORD kMaxBatchMilliseconds = 100;
    // While output keeps flowing, the message list repaints at most this often (a
    // repaint of the list costs tens of milliseconds, an inserted row microseconds).
    static constexpr DWORD kListRefreshMilliseconds = 250;

protected:
    bool onInit() override;
    bool onCommand(int id, int code, HWND control) override;
    bool onNotify(const NMHDR& header, LRESULT& result) override;
    bool onMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    struct Row {
        MessageType type = MessageType::Info;
        std::wstring page;
        std::wstring description;
    };
    // What the interpreter changed since the last flush; touched by the worker only,
    // read by the user-interface thread while the worker waits for it.
    struct OutputBatch {
        bool rangeSet = false;
        int range = 0;
        bool positionSet = false;
        int position = 0;
        bool statusSet = false;
        std::wstring status;
        bool showWarningCounter = false;
        bool showErrorCounter = false;
        bool warningTextSet = false;
        std::wstring warningText;
        bool errorTextSet = false;
        std::wstring errorText;
        std::vector<Row> rows;
        DWORD firstChangeTick = 0;
        bool empty = true;
        bool moreComing = false; // output is still flowing: the list may stay suspended
    };

    // ProgressView, on the worker thread.
    void setProgressRange(int totalPages) override;
    void setProgressPosition(int position) override;
    void setStatusText(const std::wstring& text) override;
    void showCounter(MessageType type) override;
    void setCounterText(MessageType type, const std::wstring& text) override;
    void addMessageRow(MessageType type, const std::wstring& page, const std::wstring& description) override;

    // RunDisplay, on the worker thread.
    void flushOutput(bool moreComing) override;
    void offerAbort() override;
    void showFinalState(const converter::RunOutcome& outcome) override;
    void endWithStartFailure() override;

    // Worker side: a change has been added to the batch; carries it over when it is large or old.
    void noteChange();

    // User-interface thread.
    void applyBatch(const OutputBatch& batch);
    void showSuspendedList();
    void applyFinalState(const converter::RunOutcome& outcome);
    void applyAbortOffer();
    void setDetailsCollapsed(bool collapsed);
    void relayoutControls(int width, int height, bool remember);
    void sortByColumn(int column);
    void onSizing(WPARAM edge, RECT& rect);
    void onSize(WPARAM type);
    void destroyCounterIcons();
    static int CALLBACK compareItems(LPARAM first, LPARAM second, LPARAM dialog);
    static unsigned __stdcall workerProc(void* dialog);

    // The rule set, the interpreter state and the runner state of the run.
    MessageRuleSet rules_;
    OutputInterpreter interpreter_;
    OutputReader reader_;
    converter::ProcessRunner runner_;
    converter::ConverterPipe pipe_;
    win::UniqueHandle workerThread_;

    std::wstring title_;
    std::wstring statusText_;
    std::wstring logPath_;
    OutputBatch batch_;
    bool listUnsettled_ = false; // worker: the last batch left the list's repaint pending

    // Display state.
    HWND progressBar_ = nullptr;
    bool detailsCollapsed_ = false;
    int collapsedHeight_ = 0;
    int expandedHeight_ = 0;
    int laidOutWidth_ = 0;
    int minimumWidth_ = 0;
    int minimumHeight_ = 0;
    int lastSizeType_ = SIZE_RESTORED;
    int sortColumn_ = -1;
    int sortDirection_ = 1;
    int columnBeingSorted_ = 0;
    bool listSuspended_ = false; // the list's redraw is off until output pauses
    DWORD listShownTick_ = 0;    // when the list's redraw was last turned back on
    std::vector<std::wstring> sortTexts_; // the sorted column's texts while a sort runs

    HICON counterIcons_[2] = {}; // warning and error, at the window's small-icon size

    // The taskbar button: created with the window, told the run's events, cleared when
    // the window is destroyed.
    TaskbarFactory taskbarFactory_;
    std::unique_ptr<win::TaskbarProgress> taskbar_;
    std::unique_ptr<converter::RunTaskbarState> taskbarState_;
};
