// The renderer's spans joined into lines and words. The renderer starts a span at
// every kerning step and at font changes, so spans are neither lines nor words: a span
// continues a line it starts close to on the same baseline, and words end at blanks,
// at gaps wider than a fraction of the font size and where the font size changes.
#include "reference/text/TextLayer.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <string_view>

namespace reference {

namespace {

// A gap between letters wider than this share of the font size, and than a pixel (the
// renderer's rounding, which matters for tiny text), ends a word.
constexpr double kWordGap = 0.1;
// A span continues a line when its baseline is this close (share of the font size)...
constexpr double kBaselineSlack = 0.2;
// ...and it starts no further behind or ahead of the line's end than these shares.
constexpr double kLineOverlap = 0.5;
constexpr double kLineGap = 1.5;
// Shares of the font size above and below the baseline that a character's box covers.
constexpr double kAscent = 0.85;
constexpr double kDescent = 0.25;
// A character advancing more than this many font sizes is absurd: it is given a
// usual width instead.
constexpr double kWidestAdvance = 3.0;

enum class Direction { Right, Down, Up };

// A character in the frame of its line: u runs along the reading direction, base is
// the baseline's position across it (pixels).
struct Glyph {
    Direction direction = Direction::Right;
    double u0 = 0, u1 = 0, base = 0, size = 0;
    int font = 0;
    std::string text;
    bool blank = false;
};

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
};

struct Line {
    Direction direction = Direction::Right;
    double base = 0, end = 0, size = 0;
    std::vector<Glyph> glyphs;
};

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

// A character's usual width in a Latin text face (shares of the font size).
double usualWidth(const std::string& text)
{
    const char c = text.size() == 1 ? text[0] : 'a';
    if (std::string_view(" iljIJ.,:;'!|").find(c) != std::string_view::npos) {
        return 0.28;
    }
    if (std::string_view("ftr()[]-").find(c) != std::string_view::npos) {
        return 0.36;
    }
    if (std::string_view("mwMW").find(c) != std::string_view::npos) {
        return 0.85;
    }
    return c >= 'A' && c <= 'Z' ? 0.68 : 0.52;
}

// The span's characters in their reading frame. Text running down or up the page is
// told apart by the order of its box or of its characters. The renderer gives each
// character of a rotated string the box of the whole string: it is shared out by the
// characters' usual widths.
std::vector<Glyph> glyphsOf(const std::vector<TextChar>& span, int dpi)
{
    bool vertical = !span.empty();
    bool shared = span.size() > 1;
    for (const auto& c : span) {
        vertical = vertical && c.x0 == c.x1 && c.y0 != c.y1;
        shared = shared && c.x0 == span.front().x0 && c.y0 == span.front().y0 && c.x1 == span.front().x1
            && c.y1 == span.front().y1;
    }
    const bool up = vertical
        && (span.front().y0 > span.front().y1 || (span.size() > 1 && span.back().y0 < span.front().y0));
    std::vector<Glyph> glyphs;
    for (const auto& c : span) {
        const double size = c.size * dpi / 72.0;
        const bool blank = c.text.find_first_not_of(" \t") == std::string::npos;
        const double low = std::min(c.y0, c.y1), high = std::max(c.y0, c.y1);
        Glyph glyph = {Direction::Right, std::min(c.x0, c.x1), std::max(c.x0, c.x1), c.y1, size, c.font, c.text, blank};
        if (vertical && up) {
            glyph = {Direction::Up, -high, -low, c.x0, size, c.font, c.text, blank};
        } else if (vertical) {
            glyph = {Direction::Down, low, high, c.x0, size, c.font, c.text, blank};
        }
        glyphs.push_back(std::move(glyph));
    }
    double total = 0;
    for (const auto& glyph : glyphs) {
        total += usualWidth(glyph.text);
    }
    double at = glyphs.empty() ? 0 : glyphs.front().u0;
    const double length = glyphs.empty() ? 0 : glyphs.front().u1 - at;
    for (auto& glyph : glyphs) {
        if (shared) {
            glyph.u0 = at;
            at += length * usualWidth(glyph.text) / total;
            glyph.u1 = at;
        }
        if (glyph.u1 - glyph.u0 > kWidestAdvance * glyph.size) {
            glyph.u1 = glyph.u0 + 0.6 * glyph.size;
        }
    }
    return glyphs;
}

// The glyph's box on the page (y from the top), or an empty box when it lies outside;
// otherwise clamped to the page and at least a pixel each way.
Box pageBox(const Glyph& glyph, int width, int height)
{
    const double ascent = std::max(kAscent * glyph.size, 1.0);
    const double descent = std::max(kDescent * glyph.size, 0.0);
    double x0 = glyph.u0, x1 = glyph.u1, y0 = glyph.base - ascent, y1 = glyph.base + descent;
    if (glyph.direction == Direction::Down) {
        x0 = glyph.base - descent, x1 = glyph.base + ascent, y0 = glyph.u0, y1 = glyph.u1;
    } else if (glyph.direction == Direction::Up) {
        x0 = glyph.base - ascent, x1 = glyph.base + descent, y0 = -glyph.u1, y1 = -glyph.u0;
    }
    Box box;
    if (!(x1 >= 0 && y1 >= 0 && x0 < width && y0 < height)) {
        return box;
    }
    auto fit = [](double low, double high, int limit, int& from, int& to) { // clamped before the cast
        from = static_cast<int>(std::clamp(std::floor(low), 0.0, limit - 1.0));
        to = static_cast<int>(std::clamp(std::ceil(high), from + 1.0, static_cast<double>(limit)));
    };
    fit(x0, x1, width, box.x0, box.x1);
    fit(y0, y1, height, box.y0, box.y1);
    box.empty = false;
    return box;
}

// Letter spacing added by the document (PostScript's ashow, PDF's character spacing)
// is part of every advance of a span in the renderer's output; groff spaces words
// that way. A character's own advance is its most frequent one in that font on the
// page; a span whose characters advance further by more than a twentieth of the font
// size has that extra cut off, which shows the gaps between its words.
void trimLetterSpacing(std::vector<std::vector<Glyph>>& spans)
{
    std::map<std::pair<int, std::string>, std::map<long, int>> advances; // quarter pixels, counted
    for (const auto& span : spans) {
        for (const auto& glyph : span) {
            ++advances[{glyph.font, glyph.text}][std::lround((glyph.u1 - glyph.u0) * 4)];
        }
    }
    auto ownAdvance = [&](const Glyph& glyph) {
        const auto& counts = advances[{glyph.font, glyph.text}];
        const auto most = std::max_element(counts.begin(), counts.end(),
            [](const auto& a, const auto& b) { return a.second < b.second; });
        return most->first / 4.0;
    };
    for (auto& span : spans) {
        std::vector<double> extras;
        for (const auto& glyph : span) {
            if (!glyph.blank) {
                extras.push_back(glyph.u1 - glyph.u0 - ownAdvance(glyph));
            }
        }
        if (extras.empty()) {
            continue;
        }
        std::nth_element(extras.begin(), extras.begin() + extras.size() / 2, extras.end());
        const double extra = extras[extras.size() / 2];
        if (extra > 0.05 * span.front().size) {
            for (auto& glyph : span) {
                glyph.u1 = std::max(glyph.u0, glyph.u1 - extra);
            }
        }
    }
}

// The page's glyphs joined into lines, in the order the renderer wrote them.
std::vector<Line> linesOf(const TextPage& page, int dpi)
{
    std::vector<std::vector<Glyph>> spans;
    for (const auto& span : page.spans) {
        spans.push_back(glyphsOf(span, dpi));
    }
    trimLetterSpacing(spans);
    std::vector<Line> lines;
    for (auto& span : spans) {
        for (auto& glyph : span) {
            const double size = std::max(glyph.size, 1.0);
            Line* continued = nullptr;
            for (size_t back = 0; back < lines.size() && back < 16 && continued == nullptr; ++back) {
                Line& line = lines[lines.size() - 1 - back];
                const double scale = std::max(size, line.size);
                if (line.direction == glyph.direction && std::abs(line.base - glyph.base) <= kBaselineSlack * scale
                    && glyph.u0 >= line.end - kLineOverlap * scale && glyph.u0 <= line.end + kLineGap * scale) {
                    continued = &line;
                }
            }
            if (continued == nullptr) {
                continued = &lines.emplace_back();
                continued->direction = glyph.direction;
                continued->base = glyph.base;
                continued->end = glyph.u1;
            }
            continued->end = std::max(continued->end, glyph.u1);
            continued->size = std::max(continued->size, size);
            continued->glyphs.push_back(std::move(glyph));
        }
    }
    for (auto& line : lines) {
        std::stable_sort(line.glyphs.begin(), line.glyphs.end(),
            [](const Glyph& a, const Glyph& b) { return a.u0 < b.u0; });
    }
    return lines;
}

std::string boxText(const Box& box, int height)
{
    char buffer[64];
    std::snprintf(buffer, sizeof(buffer), "%d %d %d %d", box.x0, height - box.y1, box.x1, height - box.y0);
    return buffer;
}

struct Word {
    Box box;
    std::string text;
    std::string chars; // the (char ...) expressions
};

// The line's words: runs of glyphs inside the page between blanks and wide gaps.
std::vector<Word> wordsOf(const Line& line, int width, int height)
{
    std::vector<Word> words;
    const Glyph* previous = nullptr;
    bool open = false;
    for (const auto& glyph : line.glyphs) {
        const Box box = pageBox(glyph, width, height);
        // Words also end where the font size changes, as in "*ctx" of a listing set
        // in two sizes.
        const double size = std::max(glyph.size, previous != nullptr ? previous->size : 0.0);
        const bool gap = previous != nullptr
            && (glyph.u0 - previous->u1 > std::max(kWordGap * size, 1.0)
                || std::abs(glyph.size - previous->size) > 0.001 * size);
        if (glyph.blank || box.empty || gap) {
            open = false;
        }
        if (!glyph.blank && !box.empty && !glyph.text.empty()) {
            if (!open) {
                words.emplace_back();
                open = true;
            }
            Word& word = words.back();
            word.box.add(box);
            word.text += glyph.text;
            word.chars += "\n   (char " + boxText(box, height) + " " + quoted(glyph.text) + ")";
        }
        previous = &glyph;
    }
    return words;
}

} // namespace

std::string pageTextExpression(const TextPage& page, TextLevel level, int width, int height, int dpi, bool noSpaces)
{
    if (level == TextLevel::None || width <= 0 || height <= 0) {
        return {};
    }
    std::string lines;
    for (const auto& line : linesOf(page, dpi)) {
        const std::vector<Word> words = wordsOf(line, width, height);
        if (words.empty()) {
            continue;
        }
        Box lineBox;
        std::string body;
        for (const auto& word : words) {
            lineBox.add(word.box);
            if (level == TextLevel::Lines) {
                body += (body.empty() || noSpaces ? "" : " ") + word.text;
            } else if (level == TextLevel::Chars) {
                body += "\n  (word " + boxText(word.box, height) + word.chars + ")";
            } else {
                body += "\n  (word " + boxText(word.box, height) + " " + quoted(word.text) + ")";
            }
        }
        lines += "\n (line " + boxText(lineBox, height);
        if (level == TextLevel::Lines) {
            lines += ' ';
            lines += quoted(body);
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

} // namespace reference
