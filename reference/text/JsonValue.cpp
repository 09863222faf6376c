#include "reference/text/JsonValue.h"

#include "reference/text/Utf8.h"

#include <cstdlib>

namespace reference {

namespace {

constexpr int kMaxDepth = 400; // deeper nesting is refused rather than recursed into

} // namespace

class JsonParser {
public:
    explicit JsonParser(const std::string& text) : text_(text) {}

    bool value(JsonValue& out, int depth)
    {
        skipBlanks();
        if (at_ >= text_.size() || depth > kMaxDepth) {
            return false;
        }
        const char c = text_[at_];
        if (c == '{') {
            return object(out, depth);
        }
        if (c == '[') {
            return array(out, depth);
        }
        if (c == '"') {
            out.kind_ = JsonValue::Kind::String;
            ++at_;
            return string(out.text_);
        }
        if (word("true") || word("false")) {
            out.kind_ = JsonValue::Kind::Boolean;
            out.number_ = c == 't' ? 1 : 0;
            return true;
        }
        if (word("null")) {
            out.kind_ = JsonValue::Kind::Null;
            return true;
        }
        const char* start = text_.c_str() + at_;
        char* end = nullptr;
        out.number_ = std::strtod(start, &end);
        if (end == start) {
            return false;
        }
        out.kind_ = JsonValue::Kind::Number;
        at_ += static_cast<size_t>(end - start);
        return true;
    }

private:
    void skipBlanks()
    {
        while (at_ < text_.size() && (text_[at_] == ' ' || text_[at_] == '\n' || text_[at_] == '\r' || text_[at_] == '\t')) {
            ++at_;
        }
    }

    bool word(const char* expected)
    {
        const std::string w(expected);
        if (text_.compare(at_, w.size(), w) != 0) {
            return false;
        }
        at_ += w.size();
        return true;
    }

    // Skips blanks, then takes c when it comes next.
    bool take(char c)
    {
        skipBlanks();
        if (at_ < text_.size() && text_[at_] == c) {
            ++at_;
            return true;
        }
        return false;
    }

    bool object(JsonValue& out, int depth)
    {
        out.kind_ = JsonValue::Kind::Object;
        ++at_;
        if (take('}')) {
            return true;
        }
        for (;;) {
            std::string name;
            if (!take('"') || !string(name) || !take(':')) {
                return false;
            }
            JsonValue member;
            if (!value(member, depth + 1)) {
                return false;
            }
            out.names_.push_back(std::move(name));
            out.items_.push_back(std::move(member));
            if (const Next next = separator('}'); next != Next::More) {
                return next == Next::Closed;
            }
        }
    }

    bool array(JsonValue& out, int depth)
    {
        out.kind_ = JsonValue::Kind::Array;
        ++at_;
        if (take(']')) {
            return true;
        }
        for (;;) {
            JsonValue item;
            if (!value(item, depth + 1)) {
                return false;
            }
            out.items_.push_back(std::move(item));
            if (const Next next = separator(']'); next != Next::More) {
                return next == Next::Closed;
            }
        }
    }

    enum class Next { More, Closed, Broken };

    // What follows a member or an item: a comma, the closing bracket, or anything else.
    Next separator(char closing)
    {
        if (take(',')) {
            return Next::More;
        }
        return take(closing) ? Next::Closed : Next::Broken;
    }

    bool hex4(unsigned long& code)
    {
        if (at_ + 4 > text_.size()) {
            return false;
        }
        code = 0;
        for (int i = 0; i < 4; ++i) {
            const char c = text_[at_++];
            code <<= 4;
            if (c >= '0' && c <= '9') {
                code |= static_cast<unsigned long>(c - '0');
            } else if (c >= 'a' && c <= 'f') {
                code |= static_cast<unsigned long>(c - 'a' + 10);
            } else if (c >= 'A' && c <= 'F') {
                code |= static_cast<unsigned long>(c - 'A' + 10);
            } else {
                return false;
            }
        }
        return true;
    }

    // A string's text, from after its opening quote to its closing one.
    bool string(std::string& out)
    {
        while (at_ < text_.size()) {
            const char c = text_[at_++];
            if (c == '"') {
                return true;
            }
            if (c != '\\') {
                out += c;
                continue;
            }
            if (at_ >= text_.size()) {
                return false;
            }
            const char e = text_[at_++];
            switch (e) {
            case 'n': out += '\n'; break;
            case 't': out += '\t'; break;
            case 'r': out += '\r'; break;
            case 'b': out += '\b'; break;
            case 'f': out += '\f'; break;
            case 'u': {
                unsigned long code = 0;
                if (!hex4(code)) {
                    return false;
                }
                // A surrogate pair is one character; a lone surrogate becomes U+FFFD.
                if (code >= 0xD800 && code < 0xDC00 && text_.compare(at_, 2, "\\u") == 0) {
                    const size_t mark = at_;
                    at_ += 2;
                    unsigned long low = 0;
                    if (hex4(low) && low >= 0xDC00 && low < 0xE000) {
                        code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
                    } else {
                        at_ = mark;
                        code = 0xFFFD;
                    }
                } else if (code >= 0xD800 && code < 0xE000) {
                    code = 0xFFFD;
                }
                appendUtf8(out, code);
                break;
            }
            default: out += e; break; // \" \\ \/
            }
        }
        return false;
    }

    const std::string& text_;
    size_t at_ = 0;
};

const JsonValue& JsonValue::operator[](const std::string& name) const
{
    static const JsonValue missing;
    for (size_t i = 0; kind_ == Kind::Object && i < names_.size(); ++i) {
        if (names_[i] == name) {
            return items_[i];
        }
    }
    return missing;
}

bool JsonValue::parse(const std::string& text, JsonValue& value)
{
    value = JsonValue();
    JsonParser parser(text);
    return parser.value(value, 0);
}

} // namespace reference
