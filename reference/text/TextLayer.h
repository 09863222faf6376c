// The hidden text layer: the renderer's text output (its txtwrite device, XML with a
// box per character, in pixels of the rendering resolution) turned into the
// s-expressions that djvused's set-txt takes.
#pragma once

#include <string>
#include <vector>

namespace reference {

enum class TextLevel { None, Chars, Words, Lines };

// One character as the renderer places it: the box of its advance along the baseline
// (y counts from the top). Horizontal text has y0 == y1 (the baseline), text running
// down or up the page x0 == x1.
struct TextChar {
    double x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    double size = 0; // font size in points
    int font = 0; // the same number for the same font and size
    std::string text; // UTF-8
};

struct TextPage {
    std::vector<std::vector<TextChar>> spans;
};

// The pages of the renderer's XML text output, in order. Ligatures are given as their
// letters, also where the renderer wrote a ligature's letters as U+XX00 code points
// (the letter XX shifted by a byte).
std::vector<TextPage> parseTextOutput(const std::string& xml);

// The page's boxes scaled by numerator / denominator (text laid out at another
// resolution than the page's: the renderer places characters to the pixel, so the
// text is laid out at a higher one).
void scaleTextPage(TextPage& page, int numerator, int denominator);

// The set-txt expression for one page of width x height pixels rendered at dpi;
// empty when the page has no text. The spans are joined into lines and words by their
// baselines and the gaps between their characters; every zone lies inside the page and
// is at least a pixel wide and high. noSpaces joins the words of a line.
std::string pageTextExpression(const TextPage& page, TextLevel level, int width, int height, int dpi, bool noSpaces);

} // namespace reference
