// The hidden text layer: the renderer's text output (its txtwrite device, XML with a
// box per character, in pixels of the rendering resolution) turned into the
// s-expressions that djvused's set-txt takes.
#pragma once

#include <string>
#include <vector>

enum class TextLevel { None, Chars, Words, Lines };

struct TextChar {
    int x0 = 0, x1 = 0, baseline = 0;
    double size = 0; // font size in points
    std::string text; // UTF-8
};

struct TextPage {
    std::vector<std::vector<TextChar>> spans;
};

// The pages of the renderer's XML text output, in order.
std::vector<TextPage> parseTextOutput(const std::string& xml);

// The set-txt expression for one page of width x height pixels rendered at dpi;
// empty when the page has no text. noSpaces joins the words of a line.
std::string pageTextExpression(const TextPage& page, TextLevel level, int width, int height, int dpi, bool noSpaces);
