// The colours of a page's marks, one per connected mark, as the colour zones of djvumake's
// FGbz chunk ("#rrggbb:x,y,w,h...", coordinates from the bottom-left corner). djvumake
// gives each shape of the bitonal layer the colour of the last zone its box meets, black
// when none: zones go from the smallest mark to the largest, and a large mark (a frame, a
// table's rules) has one zone per tile it crosses, so it meets little of the marks inside.
#pragma once

#include "PageImage.h"

#include <cstdint>
#include <string>
#include <vector>

// Empty when every mark is black or dark grey. At most maxColours colours (the most used
// ones; a rarer colour takes the nearest of them).
std::string markColourZones(const PageImage& page, const std::vector<std::uint8_t>& marks, int maxColours);
