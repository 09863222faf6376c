// Links of the document for --convert-links: read by a renderer pass with linkProgram()
// and written as map areas of the DjVu pages' annotations.
#pragma once

#include <string>
#include <vector>

namespace reference {

// A link area in device pixels (from the top left) and where it leads: an address, or
// "#<page>" inside the document.
struct LinkArea {
    int x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    std::string target;
};

// The PostScript run before the document in the link pass.
const char* linkProgram();
// A link line of that pass: its page and area; false for any other line.
bool parseLinkLine(const std::string& line, int& page, LinkArea& area);
// The page a page-end line of that pass names; 0 for any other line.
int linkPassPage(const std::string& line);
// djvused annotation text (map areas) for a page of height pixels; coordinates are
// multiplied by scale (a page encoded at a lower resolution than rendered).
std::string mapAreas(const std::vector<LinkArea>& areas, int height, double scale);

} // namespace reference
