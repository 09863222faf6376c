// Collects, on the worker side, what the interpreter changes in the display (rows, status
// text, progress, counters) and hands it over in batches: when a batch holds
// kMaxRowsPerBatch rows, when its first change is kMaxBatchMilliseconds old, and at the
// end of every drain pass. A flood of output becomes a few hundred hand-overs instead of
// one per line.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "converter/MessageType.h"
#include "converter/ProgressView.h"
#include "converter/RunUpdate.h"

namespace converter {

class OutputBatcher : public ProgressView {
public:
    using Sink = std::function<void(RunUpdate& batch)>;
    using Clock = std::function<DWORD()>;

    static constexpr size_t kMaxRowsPerBatch = 200;
    static constexpr DWORD kMaxBatchMilliseconds = 100;

    // The sink receives every batch (it may take the rows out); the clock defaults to
    // GetTickCount.
    explicit OutputBatcher(Sink sink, Clock clock = Clock());

    // Start of a run: nothing collected, nothing pending.
    void reset();
    // The end of a drain pass. moreComing: output is flowing. An empty batch is still
    // handed over when output has paused after a batch that said more was coming, so that
    // the display can repaint what it held back.
    void flush(bool moreComing);

    void setProgressRange(int totalPages) override;
    void setProgressPosition(int position) override;
    void setStatusText(const std::wstring& text) override;
    void showCounter(MessageType type) override;
    void setCounterText(MessageType type, const std::wstring& text) override;
    void addMessageRow(MessageType type, const std::wstring& page, const std::wstring& description) override;

private:
    void noteChange();
    void clear();
    DWORD now() const { return clock_ ? clock_() : GetTickCount(); }

    Sink sink_;
    Clock clock_;
    RunUpdate batch_;
    bool empty_ = true;
    DWORD firstChangeTick_ = 0;
    bool unsettled_ = false; // the last batch said more was coming
};

} // namespace converter
