// What the output interpreter changes in the display of a run: the batcher collects
// it into the run's updates; tests implement it with a recorder.
#pragma once

#include <string>

#include "converter/MessageType.h"

namespace converter {

class ProgressView {
public:
    virtual ~ProgressView() = default;

    // Progress bar range 0 .. totalPages (32 bits).
    virtual void setProgressRange(int totalPages) = 0;
    virtual void setProgressPosition(int position) = 0;
    virtual void setStatusText(const std::wstring& text) = 0;
    // First message of a kind (Warn or Error): its counter label and icon become visible.
    virtual void showCounter(MessageType type) = 0;
    virtual void setCounterText(MessageType type, const std::wstring& text) = 0;
    // A row of the message list: type name and image from the type, page text, description.
    virtual void addMessageRow(MessageType type, const std::wstring& page, const std::wstring& description) = 0;
};

} // namespace converter
