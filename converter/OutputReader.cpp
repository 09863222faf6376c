#include "converter/OutputReader.h"

#include <utility>

#include "base/Text.h"

namespace converter {

OutputReader::OutputReader(std::function<void(std::wstring_view)> deliverLine) : deliverLine_(std::move(deliverLine)) {}

void OutputReader::reset()
{
    line_.clear();
    line_.shrink_to_fit();
    decoded_.clear();
    decoded_.shrink_to_fit();
    swallowLineFeed_ = false;
}

void OutputReader::deliver()
{
    // Decoded with the system's ANSI code page, the one the converter writes in (the
    // thread's locale may name another), with the platform's substitutions for invalid
    // sequences.
    base::fromCodePageInto(codePage_, line_, decoded_);
    line_.clear();
    if (deliverLine_) {
        deliverLine_(decoded_);
    }
}

// Line assembly over any split of the bytes. A CR or an LF ends a line; one LF right
// after a line break belongs to that break (so CR LF and LF LF are one break, CR CR and
// LF CR an empty line between), also when the two bytes arrive in different reads. A
// zero byte is left out and ends nothing: the text on both sides of it stays one line.
void OutputReader::consumeBytes(std::string_view bytes)
{
    size_t position = 0;
    if (swallowLineFeed_ && !bytes.empty()) {
        if (bytes.front() == '\n') {
            position = 1;
        }
        swallowLineFeed_ = false;
    }
    while (position < bytes.size()) {
        const size_t brk = bytes.find_first_of(std::string_view("\r\n", 2), position);
        const size_t textEnd = (brk == std::string_view::npos) ? bytes.size() : brk;
        std::string_view text = bytes.substr(position, textEnd - position);
        for (size_t zero = text.find('\0'); zero != std::string_view::npos; zero = text.find('\0')) {
            line_.append(text.substr(0, zero));
            text.remove_prefix(zero + 1);
        }
        line_.append(text);
        if (brk == std::string_view::npos) {
            return;
        }
        deliver();
        position = brk + 1;
        if (position < bytes.size()) {
            if (bytes[position] == '\n') {
                ++position;
            }
        } else {
            swallowLineFeed_ = true; // the next byte may still belong to this break
        }
    }
}

void OutputReader::finishOutput()
{
    swallowLineFeed_ = false;
    // Bytes after the last break make a last line.
    if (!line_.empty()) {
        deliver();
    }
}

} // namespace converter
