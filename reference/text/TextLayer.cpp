#include "reference/text/TextLayer.h"

#include "reference/text/Utf8.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <utility>

namespace reference {

namespace {

std::string attribute(const std::string& tag, const char* name)
{
    const std::string key = std::string(" ") + name + "=\"";
    const size_t start = tag.find(key);
    if (start == std::string::npos) {
        return {};
    }
    const size_t from = start + key.size();
    const size_t end = tag.find('"', from);
    return end == std::string::npos ? std::string() : tag.substr(from, end - from);
}

// The code points of an attribute's text (XML entities and UTF-8 decoded).
std::vector<unsigned long> codesOf(const std::string& text)
{
    std::vector<unsigned long> codes;
    for (size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        const size_t end = byte == '&' ? text.find(';', i) : std::string::npos;
        if (end != std::string::npos) {
            static const std::pair<const char*, unsigned long> named[] = {
                {"amp", '&'}, {"lt", '<'}, {"gt", '>'}, {"quot", '"'}, {"apos", '\''}};
            const std::string entity = text.substr(i + 1, end - i - 1);
            const bool hex = entity.size() > 1 && (entity[1] == 'x' || entity[1] == 'X');
            unsigned long code = entity.size() > 1 && entity[0] == '#'
                ? std::strtoul(entity.c_str() + (hex ? 2 : 1), nullptr, hex ? 16 : 10) : 0;
            for (const auto& [name, value] : named) {
                code = entity == name ? value : code;
            }
            codes.push_back(code);
            i = end;
        } else if (byte >= 0xC0) { // a UTF-8 sequence
            const int more = byte >= 0xF0 ? 3 : byte >= 0xE0 ? 2 : 1;
            unsigned long code = byte & (0x3F >> more);
            for (int k = 0; k < more && i + 1 < text.size(); ++k) {
                code = (code << 6) | (static_cast<unsigned char>(text[++i]) & 0x3F);
            }
            codes.push_back(code);
        } else {
            codes.push_back(byte);
        }
    }
    return codes;
}

// The letters a code point U+XX00 stands for when the renderer shifted a ligature's
// letters by a byte: XX itself when it is an ASCII letter, or the second and third
// letters of "ffi" and "ffl", whose codes it adds up; empty for any other code.
std::string shiftedLetters(unsigned long code)
{
    if (code > 0xFFFF || (code & 0xFF) != 0) {
        return {};
    }
    const unsigned long high = code >> 8;
    if ((high >= 'A' && high <= 'Z') || (high >= 'a' && high <= 'z')) {
        return std::string(1, static_cast<char>(high));
    }
    if (high == 'f' + 'i') {
        return "fi";
    }
    return high == 'f' + 'l' ? "fl" : "";
}

// The UTF-8 text of code points; the ligatures U+FB00 to U+FB06 as their letters,
// control characters as blanks and what is no character as U+FFFD.
std::string textOf(const std::vector<unsigned long>& codes)
{
    static const char* const ligatures[] = {"ff", "fi", "fl", "ffi", "ffl", "st", "st"};
    std::string text;
    for (const unsigned long code : codes) {
        if (code >= 0xFB00 && code <= 0xFB06) {
            text += ligatures[code - 0xFB00];
        } else {
            const bool invalid = (code >= 0xD800 && code <= 0xDFFF) || code > 0x10FFFF;
            appendUtf8(text, code < 0x20 ? ' ' : invalid ? 0xFFFD : code);
        }
    }
    return text;
}

struct ParsedChar {
    TextChar box;
    std::vector<unsigned long> codes;
};

// A ligature the renderer wrote shifted comes as a character U+XX00 followed by
// characters holding the rest (their advances are none or garbage), or as one
// character of several such codes: it becomes one character of the letters.
void repairShiftedLigatures(std::vector<ParsedChar>& span)
{
    std::vector<ParsedChar> repaired;
    for (size_t i = 0; i < span.size(); ++i) {
        ParsedChar current = span[i];
        const auto& codes = current.codes;
        std::string letters = codes.empty() ? std::string() : shiftedLetters(codes.front());
        bool all = letters.size() == 1;
        for (size_t k = 1; all && k < codes.size(); ++k) {
            const std::string more = shiftedLetters(codes[k]);
            all = !more.empty();
            letters += more;
        }
        size_t next = i + 1;
        for (; all && codes.size() == 1 && next < span.size(); ++next) {
            const ParsedChar& follower = span[next];
            const std::string more = follower.codes.size() == 1 ? shiftedLetters(follower.codes.front()) : "";
            if (more.empty()) {
                break;
            }
            letters += more;
        }
        if (all && letters.size() > 1) {
            current.codes.clear();
            for (const char letter : letters) {
                current.codes.push_back(static_cast<unsigned char>(letter));
            }
            i = next - 1;
        }
        repaired.push_back(std::move(current));
    }
    span = std::move(repaired);
}

} // namespace

std::vector<TextPage> parseTextOutput(const std::string& xml)
{
    std::vector<TextPage> pages;
    std::vector<ParsedChar> span;
    std::map<std::string, int> fonts; // a number for each font and size
    std::string font;
    auto endSpan = [&] {
        if (!span.empty() && !pages.empty()) {
            repairShiftedLigatures(span);
            auto& chars = pages.back().spans.emplace_back();
            for (auto& parsed : span) {
                parsed.box.text = textOf(parsed.codes);
                parsed.box.font = fonts.emplace(font, static_cast<int>(fonts.size())).first->second;
                chars.push_back(std::move(parsed.box));
            }
        }
        span.clear();
    };
    for (size_t at = xml.find('<'); at != std::string::npos; at = xml.find('<', at + 1)) {
        const size_t end = xml.find('>', at);
        if (end == std::string::npos) {
            break;
        }
        const std::string tag = xml.substr(at, end - at + 1);
        if (tag.rfind("<page", 0) == 0) {
            endSpan();
            pages.emplace_back();
        } else if (tag.rfind("<span", 0) == 0 || tag.rfind("</span", 0) == 0) {
            endSpan();
            font = attribute(tag, "font") + " " + attribute(tag, "size");
        } else if (tag.rfind("<char", 0) == 0 && !pages.empty()) {
            ParsedChar character;
            TextChar& box = character.box;
            std::sscanf(attribute(tag, "bbox").c_str(), "%lf %lf %lf %lf", &box.x0, &box.y0, &box.x1, &box.y1);
            box.size = std::atof(font.c_str() + font.rfind(' ') + 1);
            character.codes = codesOf(attribute(tag, "c"));
            span.push_back(std::move(character));
        }
        at = end;
    }
    endSpan();
    return pages;
}

void scaleTextPage(TextPage& page, int numerator, int denominator)
{
    const double factor = static_cast<double>(numerator) / denominator;
    auto scale = [&](double& value) { value *= factor; };
    for (auto& span : page.spans) {
        for (auto& c : span) {
            scale(c.x0);
            scale(c.y0);
            scale(c.x1);
            scale(c.y1);
        }
    }
}

} // namespace reference
