// The progress dialog of one conversion run (template 103): the window of a
// converter::ConversionRun. On every wake-up it takes the run's update and shows it
// (status text, progress, counters, message rows, Abort offered, the final state) and it
// passes the stop button to the run; the run itself, its worker and its stop logic live
// in the run. The window of a queue (QueueProgressDialog) builds on it through the hooks
// below, showing one run after another.
//
// The message list is in owner-data mode: the rows live in the run's storage and the list
// asks for the cells it paints. While output keeps flowing it learns of new rows at most
// every kListRefreshMilliseconds.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "converter/ConversionRun.h"
#include "converter/RunTime.h"
#include "ui/MessageListCommands.h"
#include "ui/ProgressControls.h"
#include "ui/ProgressLayout.h"
#include "ui/ProgressWindowMemory.h"
#include "win/Dialog.h"
#include "win/Handle.h"
#include "win/ListView.h"
#include "win/SystemPower.h"
#include "win/TaskbarProgress.h"
#include "win/Window.h"

namespace ui {

class ProgressDialog : public win::Dialog, public converter::RunView {
public:
    // title: the window's caption; statusText: the status line until the converter's
    // first page; logPath: the log "Open Log" opens after the run.
    ProgressDialog(std::wstring title, std::wstring statusText, std::wstring logPath);
    ~ProgressDialog() override;

    // Replaces what shows the run on the taskbar button (by default the shell's
    // taskbar for the dialog's window).
    using TaskbarFactory = std::function<std::unique_ptr<win::TaskbarProgress>(HWND)>;
    void setTaskbarFactory(TaskbarFactory factory) { taskbarFactory_ = std::move(factory); }
    // The document's name, which Windows shows while the run holds up a log-off.
    void setDocumentName(std::wstring name) { documentName_ = std::move(name); }
    // Replaces what carries out sleep, hibernation and shutdown (by default the machine).
    void setSystemPower(win::SystemPower* power) { power_ = power; }

    // When the session ends during a run, the converter is asked to stop and given this
    // long to clean up before the job ends it with the front end.
    static constexpr DWORD kSessionEndStopMilliseconds = 5000;

    // The status text after a run (exit-code table).
    static std::wstring finalStatusText(const converter::RunOutcome& outcome);

    // While output keeps flowing, the message list learns of new rows at most this often
    // (under Wine a new number of rows costs the list milliseconds, for its scroll bar).
    static constexpr DWORD kListRefreshMilliseconds = 250;

    // RunView.
    converter::RunEnd present(converter::ConversionRun& run) override;
    void wakeViewThread() override;

protected:
    // Hooks of a window that shows several runs one after another (the defaults show one).
    // The stop button was pressed while the run goes on: false leaves the run running.
    virtual bool confirmStop() { return true; }
    // The run has ended (outcome null: the converter could not be started): true when
    // the hook has taken over (it began the next run, or ended the window).
    virtual bool goOnAfterRun(const converter::RunOutcome* /*outcome*/) { return false; }
    // Starts the run that run() holds; the window's taskbar button is taskbar().
    virtual bool startRun() { return run_->start(taskbar_.get()); }
    converter::ConversionRun& run() const { return *run_; }
    win::TaskbarProgress* taskbar() const { return taskbar_.get(); }
    // Shows the next run (begun on run()) from the start: caption, status, an empty list,
    // hidden counters, the stop button as at first; its log is logPath.
    void showNextRun(const std::wstring& title, const std::wstring& logPath);
    // A queue's time left, after the current document's (nothing for one document).
    virtual std::optional<converter::TimeLeft> queueTimeLeft(const converter::RunTimes& /*current*/, DWORD /*tick*/)
    {
        return std::nullopt;
    }
    const converter::RunTimes& runTimes() const { return times_; }
    // Carries out the choice for the end (when it applies): allConverted says whether
    // every document was converted. The window stays for a countdown the user cancels.
    // True when the choice was to close the window.
    bool carryOutWhenDone(bool allConverted);
    // The name the window's place and columns are remembered under.
    std::wstring windowName_ = L"ProgressWindow";
    void endWith(converter::RunEnd runEnd);
    void showFinalState(const converter::RunOutcome& outcome);
    // After the final state is shown: a single run carries out the choice for the end.
    virtual void afterFinalState(const converter::RunOutcome& outcome);
    int templateId_ = 0; // the window's template; 0: the one of a single run

    bool onInit() override;
    bool onCommand(int id, int code, HWND control) override;
    bool onNotify(const NMHDR& header, LRESULT& result) override;
    bool onMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    void showUpdate(const converter::RunUpdate& update);
    // ProgressDialogCommands.cpp: what the window adds to the run's display.
    void prepareAdditions(UINT dpi);
    bool onAddedCommand(int id, int code);
    bool onAddedMessage(UINT message, WPARAM wParam);
    void togglePause();
    void refreshTimeLine();
    void noticeRunEnd(const converter::RunOutcome& outcome);
    void onDpiChanged(UINT dpi, const RECT& suggested);
    void onClosing();
    void showOutput(const converter::RunUpdate& update);
    void offerAbort();
    void loadIcons(UINT dpi);
    void prepareList(UINT dpi);
    void loadTypeImages(UINT dpi);
    void countRows();
    void sortByColumn(int column);
    void stopForSessionEnd();

    converter::ConversionRun* run_ = nullptr;
    std::wstring title_;
    std::wstring statusText_;
    std::wstring logPath_;
    std::wstring documentName_;
    bool blocksShutdown_ = false; // a reason for holding up a log-off is registered

    win::ListView messages_;
    win::ProgressBar progressBar_;
    win::Animation animation_;
    win::Window status_;
    win::Window stopButton_;
    std::wstring stopText_; // the stop button's first text

    ProgressLayout layout_; // the details pane starts shown

    // Sorting.
    int sortColumn_ = -1;
    int sortDirection_ = 1;

    bool rowsUncounted_ = false;  // the run holds rows the list has not been told of
    DWORD rowsCountedTick_ = 0;   // when the list last learnt the number of rows
    std::wstring typeNames_[3];  // Info, Warning, Error

    win::UniqueIcon counterIcons_[2]; // warning and error, at the window's small-icon size

    ProgressControls controls_;
    MessageListCommands listCommands_;
    converter::RunTimes times_;
    bool clockTicking_ = false; // the time line's one-second timer runs
    UINT dpi_ = 96;
    win::SystemPower* power_ = nullptr;

    // The taskbar button: created with the window, cleared when the window is destroyed.
    TaskbarFactory taskbarFactory_;
    std::unique_ptr<win::TaskbarProgress> taskbar_;
};

} // namespace ui
