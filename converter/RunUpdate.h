// What a run hands its view: one record that the worker fills and the view takes on its
// wake-up. Output (rows, status, page, counters) and the run's events (Abort offered, the
// converter not started, the outcome) travel in it together, in the order they happened.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "converter/MessageType.h"

namespace converter {

struct MessageRow {
    MessageType type = MessageType::Info;
    std::wstring page;
    std::wstring description;
};

// How the run ended, for the final display.
struct RunOutcome {
    DWORD exitCode = 0;
    bool waitFailed = false; // the wait on the converter failed: the run failed
    bool logComplete = false; // the log path holds the run's whole log ("Open Log")
    int totalPages = 0;
    int warningCount = 0;
    int errorCount = 0;
    std::wstring errorCountText;
};

// What changed since the view last took an update.
struct RunUpdate {
    bool rangeSet = false;
    int range = 0;
    bool positionSet = false;
    int position = 0;
    DWORD positionTick = 0; // when the page line that set the position arrived
    bool statusSet = false;
    std::wstring status;
    bool showWarningCounter = false;
    bool showErrorCounter = false;
    bool warningTextSet = false;
    std::wstring warningText;
    bool errorTextSet = false;
    std::wstring errorText;
    std::vector<MessageRow> rows;
    bool moreComing = false; // output is still flowing: the view may hold back its repaint

    bool abortOffered = false; // the graceful stop's time is over: the stop button becomes Abort
    bool startFailed = false;  // the converter could not be started: the view ends
    std::optional<RunOutcome> outcome; // the run has ended

    // Takes in a later update (its rows are moved out): the result shows what the two
    // shown one after the other would show.
    void absorb(RunUpdate& later);
};

} // namespace converter
