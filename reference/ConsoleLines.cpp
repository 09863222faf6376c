#include "reference/ConsoleLines.h"

#include "reference/host/Files.h"

#include <cstdlib>

namespace reference {

namespace {

constexpr DWORD kMessageQuietMs = 300; // a renderer message may still go on this long

bool startsWith(const std::string& text, const char* prefix)
{
    return text.rfind(prefix, 0) == 0;
}

// "Page 12": the renderer's own page line (the converter prints its own).
bool isRendererPageLine(const std::string& line)
{
    return startsWith(line, "Page ") && line.size() > 5 && line.find_first_not_of("0123456789", 5) == std::string::npos;
}

} // namespace

void ConsoleLines::say(const std::string& line)
{
    own_.push_back(line);
    flush(false);
}

void ConsoleLines::flush(bool always)
{
    if (!always && GetTickCount() - lastRelayTick_ < kMessageQuietMs) {
        return;
    }
    while (!own_.empty()) {
        writeLine(own_.front());
        own_.pop_front();
    }
}

void ConsoleLines::announce(int pages)
{
    announced_ = pages;
    say("Processing pages 1 through " + std::to_string(pages) + ".");
}

bool ConsoleLines::relay(const std::string& line)
{
    if (line.find('\0') != std::string::npos) {
        return false;
    }
    if (isRendererPageLine(line) || relayed_.count(line) != 0) {
        return true; // "Page N" is printed when page N is finished; a message of the counting pass once
    }
    if (startsWith(line, "Processing pages 1 through ")) {
        countedByRenderer_ = true;
        announce(std::atoi(line.c_str() + 27));
        return true;
    }
    const bool continuation = startsWith(line, "   ") && line.find("   **** ") == std::string::npos;
    if (!continuation) {
        flush(true);
    }
    writeLine(line);
    lastRelayTick_ = GetTickCount();
    return true;
}

bool ConsoleLines::relayOnce(const std::string& line)
{
    if (!relay(line)) {
        return false;
    }
    relayed_.insert(line);
    return true;
}

} // namespace reference
