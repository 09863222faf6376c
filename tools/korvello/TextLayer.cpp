#include "TextLayer.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

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

void appendUtf8(std::string& text, unsigned long code)
{
    if (code < 0x80) {
        text += static_cast<char>(code);
    } else if (code < 0x800) {
        text += static_cast<char>(0xC0 | (code >> 6));
        text += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        text += static_cast<char>(0xE0 | (code >> 12));
        text += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        text += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        text += static_cast<char>(0xF0 | (code >> 18));
        text += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        text += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        text += static_cast<char>(0x80 | (code & 0x3F));
    }
}

std::string unescapeXml(const std::string& text)
{
    std::string result;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '&') {
            result += text[i];
            continue;
        }
        const size_t end = text.find(';', i);
        if (end == std::string::npos) {
            result += text[i];
            continue;
        }
        const std::string entity = text.substr(i + 1, end - i - 1);
        if (entity == "amp") {
            result += '&';
        } else if (entity == "lt") {
            result += '<';
        } else if (entity == "gt") {
            result += '>';
        } else if (entity == "quot") {
            result += '"';
        } else if (entity == "apos") {
            result += '\'';
        } else if (entity.size() > 1 && entity[0] == '#') {
            const bool hex = entity[1] == 'x' || entity[1] == 'X';
            appendUtf8(result, std::strtoul(entity.c_str() + (hex ? 2 : 1), nullptr, hex ? 16 : 10));
        } else {
            result += text.substr(i, end - i + 1);
        }
        i = end;
    }
    return result;
}

std::string quoted(const std::string& text)
{
    std::string result = "\"";
    for (const char c : text) {
        if (c == '"' || c == '\\') {
            result += '\\';
        }
        result += c;
    }
    return result + "\"";
}

struct Box {
    int x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    bool empty = true;
    void add(const Box& other)
    {
        if (other.empty) {
            return;
        }
        if (empty) {
            *this = other;
            return;
        }
        x0 = std::min(x0, other.x0);
        y0 = std::min(y0, other.y0);
        x1 = std::max(x1, other.x1);
        y1 = std::max(y1, other.y1);
    }
    std::string text() const
    {
        char buffer[64];
        std::snprintf(buffer, sizeof(buffer), "%d %d %d %d", x0, y0, x1, y1);
        return buffer;
    }
};

} // namespace

std::vector<TextPage> parseTextOutput(const std::string& xml)
{
    std::vector<TextPage> pages;
    double size = 0;
    for (size_t at = xml.find('<'); at != std::string::npos; at = xml.find('<', at + 1)) {
        const size_t end = xml.find('>', at);
        if (end == std::string::npos) {
            break;
        }
        const std::string tag = xml.substr(at, end - at + 1);
        if (tag.rfind("<page", 0) == 0) {
            pages.emplace_back();
        } else if (tag.rfind("<span", 0) == 0 && !pages.empty()) {
            size = std::atof(attribute(tag, "size").c_str());
            pages.back().spans.emplace_back();
        } else if (tag.rfind("<char", 0) == 0 && !pages.empty() && !pages.back().spans.empty()) {
            TextChar character;
            int y0 = 0, y1 = 0;
            std::sscanf(attribute(tag, "bbox").c_str(), "%d %d %d %d", &character.x0, &y0, &character.x1, &y1);
            character.baseline = y1;
            character.size = size;
            character.text = unescapeXml(attribute(tag, "c"));
            pages.back().spans.back().push_back(character);
        }
        at = end;
    }
    return pages;
}

std::string pageTextExpression(const TextPage& page, TextLevel level, int width, int height, int dpi, bool noSpaces)
{
    if (level == TextLevel::None) {
        return {};
    }
    // A character's box from its baseline and font size; y counts from the bottom.
    auto boxOf = [&](const TextChar& c) {
        const double pixels = c.size * dpi / 72.0;
        Box box;
        box.x0 = std::clamp(c.x0, 0, width);
        box.x1 = std::clamp(std::max(c.x1, c.x0 + 1), 0, width);
        box.y0 = std::clamp(height - c.baseline - static_cast<int>(pixels * 0.25), 0, height);
        box.y1 = std::clamp(height - c.baseline + static_cast<int>(pixels * 0.8), 0, height);
        box.empty = false;
        return box;
    };
    std::string lines;
    for (const auto& span : page.spans) {
        // Words: runs of characters between blanks.
        std::vector<std::pair<Box, std::string>> words;
        std::vector<std::string> wordChars;
        std::string current;
        Box currentBox;
        auto endWord = [&] {
            if (!current.empty()) {
                std::string item;
                if (level == TextLevel::Chars) {
                    item = wordChars.empty() ? std::string() : "\n   " + wordChars.front();
                    for (size_t i = 1; i < wordChars.size(); ++i) {
                        item += "\n   " + wordChars[i];
                    }
                }
                words.emplace_back(currentBox, level == TextLevel::Chars ? item : current);
            }
            current.clear();
            wordChars.clear();
            currentBox = Box();
        };
        for (const auto& c : span) {
            if (c.text == " " || c.text == "\t" || c.text.empty()) {
                endWord();
                continue;
            }
            const Box box = boxOf(c);
            currentBox.add(box);
            current += c.text;
            wordChars.push_back("(char " + box.text() + " " + quoted(c.text) + ")");
        }
        endWord();
        if (words.empty()) {
            continue;
        }
        Box lineBox;
        std::string body;
        std::string lineText;
        for (const auto& [box, item] : words) {
            lineBox.add(box);
            if (level == TextLevel::Lines) {
                if (!lineText.empty() && !noSpaces) {
                    lineText += ' ';
                }
                lineText += item;
            } else if (level == TextLevel::Chars) {
                body += "\n  (word " + box.text() + item + ")";
            } else {
                body += "\n  (word " + box.text() + " " + quoted(item) + ")";
            }
        }
        lines += "\n (line ";
        lines += lineBox.text();
        if (level == TextLevel::Lines) {
            lines += ' ';
            lines += quoted(lineText);
        } else {
            lines += body;
        }
        lines += ')';
    }
    if (lines.empty()) {
        return {};
    }
    return "(page 0 0 " + std::to_string(width) + " " + std::to_string(height) + lines + ")";
}
