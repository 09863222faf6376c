// What a rendered page holds, pixel by pixel: marks (text, lines, small drawings), which
// the bitonal coder keeps sharp and each in its own colour, and the rest (pictures, shaded
// or filled areas), which goes to a subsampled background. The renderer draws text and
// line art without smoothing, so continuous tones (small steps between neighbours) mean
// pictures or gradients, and a colour filling a whole neighbourhood means a filled area.
#pragma once

#include "reference/page/PageImage.h"

#include <cstdint>
#include <vector>

namespace reference {

struct PageLayers {
    std::vector<std::uint8_t> marks; // 1 for a mark, width * height
    bool background = false;         // something other than white paper is not a mark
};

// Pixels darker than thresholdLevel percent of white are marks, and so are thin lines and
// small shapes of any colour; areas of continuous tone are left to the background, and so
// are filled areas, except black ones, which the bitonal coder keeps best (with light text
// on them). White text on a dark fill of another colour is a mark too (a white one), so it
// stays as sharp as dark text. With imageOnlySeparated, a page that holds pictures only (a
// scanned page) is separated as well: the dark pixels of its pictures are marks.
PageLayers separateLayers(const PageImage& page, int thresholdLevel, int dpi, bool imageOnlySeparated);

} // namespace reference
