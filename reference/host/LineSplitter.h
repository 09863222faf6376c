// Cuts a byte stream into lines: a line ends at CR, LF or CR LF.
#pragma once

#include <string>
#include <vector>

namespace reference {

class LineSplitter {
public:
    void feed(const char* data, size_t size, std::vector<std::string>& lines)
    {
        for (size_t i = 0; i < size; ++i) {
            const char c = data[i];
            if (c == '\n' && afterCarriageReturn_) {
                afterCarriageReturn_ = false;
                continue;
            }
            afterCarriageReturn_ = c == '\r';
            if (c == '\r' || c == '\n') {
                lines.push_back(std::move(pending_));
                pending_.clear();
            } else {
                pending_.push_back(c);
            }
        }
    }
    // The unterminated rest, if any, as a last line.
    void finish(std::vector<std::string>& lines)
    {
        if (!pending_.empty()) {
            lines.push_back(std::move(pending_));
            pending_.clear();
        }
    }

private:
    std::string pending_;
    bool afterCarriageReturn_ = false;
};

} // namespace reference
