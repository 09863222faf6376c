// Turns the bytes waiting in the converter's output pipe into text lines. One drain
// pass consumes what the pipe holds at that moment and never waits for more. The
// unterminated tail of a pass is kept for the next one, so the lines delivered never
// depend on how the bytes were split into reads and passes.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "base/Text.h"

namespace converter {

class OutputReader {
public:
    explicit OutputReader(std::function<void(std::wstring_view)> deliverLine);

    // Line assembly: delivers every complete line of the bytes, keeps the unterminated tail.
    void consumeBytes(std::string_view bytes);
    // End of the run: delivers an unterminated last line, if any.
    void finishOutput();
    // Forgets the tail and any half-seen line break (start of a run, or after an
    // allocation failure), and gives back the buffers' memory.
    void reset();

private:
    void deliver();

    std::function<void(std::wstring_view)> deliverLine_;
    std::string line_;               // bytes of the current, unterminated line
    std::wstring decoded_;           // reused decoding buffer
    unsigned int codePage_ = base::ansiCodePage(); // the system's ANSI code page, in which the converter writes
    bool swallowLineFeed_ = false;   // the last byte ended a line: one LF right after it belongs to that break
};

} // namespace converter
