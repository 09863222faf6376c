// The colours of a page's marks, one per connected mark, as the colour zones of djvumake's
// FGbz chunk ("#rrggbb:x,y,w,h...", coordinates from the bottom-left corner). djvumake
// gives each shape of the bitonal layer the colour of the last zone its box meets, black
// when none: zones go from the smallest mark to the largest, and a large mark (a frame, a
// table's rules) has its zone cut into pieces that miss the smaller marks of other colours.
#pragma once

#include "reference/page/PageImage.h"

#include <cstdint>
#include <string>
#include <vector>

namespace reference {

struct MarkColours {
    std::string zones;               // empty when every mark is black
    bool movedToBackground = false;  // some mark pixels went to the background
};

// The zones of the marks' colours (at most maxColours colours: the most used ones; a rarer
// colour takes the nearest of them). A mark's pixels of quite another colour than the
// mark's own (a pink rule touching a black frame) are taken out of marks, so the
// background shows them in their colour.
MarkColours colourMarks(const PageImage& page, std::vector<std::uint8_t>& marks, int maxColours);

} // namespace reference
