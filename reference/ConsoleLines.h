// The converter's standard output: the renderer's lines passed on, and its own lines
// ("Processing pages", "Page N", notices, errors), which wait while a renderer message
// may still have continuation lines so they never split one.
#pragma once

#include <windows.h>

#include <deque>
#include <set>
#include <string>

namespace reference {

class ConsoleLines {
public:
    // One of the converter's own lines.
    void say(const std::string& line);
    // Writes the converter's waiting lines: always, or once the renderer has been quiet.
    void flush(bool always);
    // Passes on a line of the renderer; false when it is damaged (a NUL byte in it).
    bool relay(const std::string& line);
    // A line of an earlier pass (counting pages): passed on now, not again later; false
    // when it is damaged.
    bool relayOnce(const std::string& line);
    // "Processing pages 1 through N."
    void announce(int pages);
    int announced() const { return announced_; }
    // True once the renderer said the page count itself.
    bool countedByRenderer() const { return countedByRenderer_; }

private:
    std::deque<std::string> own_;
    std::set<std::string> relayed_; // messages of an earlier pass over the document
    DWORD lastRelayTick_ = 0;
    int announced_ = 0;             // pages in the last "Processing pages" line
    bool countedByRenderer_ = false;
};

} // namespace reference
