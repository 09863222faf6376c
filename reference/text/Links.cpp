// The document's links: a pass of the renderer with the program below prints the link
// areas of every page (PDF link annotations, PostScript link marks) in device pixels of
// the rendering resolution; they become the map areas of the DjVu pages' annotations.
#include "reference/text/Links.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <sstream>

namespace reference {

const char* linkProgram()
{
    return R"PS(% Prints the link areas of a document, run before it with the bounding-box-free null
% device at the rendering resolution and -dDOPDFMARKS, so the document's link
% annotations (PDF) and link pdfmarks (PostScript) reach the pdfmark procedure below:
%   KORVELLO-LINK <page> <x0> <y0> <x1> <y1> URI <address>
%   KORVELLO-LINK <page> <x0> <y0> <x1> <y1> PAGE <number>
%   KORVELLO-END <page>                     (after each page)
% Coordinates are device pixels, from the top left corner.
% The page number lives in global memory, which the interpreter's save and restore
% around each page leave alone.
currentglobal true setglobal /korvello-page [1] def setglobal
<< /EndPage {
    exch pop 2 ne {
        (KORVELLO-END ) print korvello-page 0 get =only (\n) print flush
        korvello-page 0 korvello-page 0 get 1 add put
    } if
    false
} bind >> setpagedevice
/korvello-number { round cvi =only ( ) print } bind def
/korvello-point { exch korvello-number korvello-number } bind def
/korvello-link { % <dict> -> -
    dup /Rect known {
        (KORVELLO-LINK ) print korvello-page 0 get =only ( ) print
        dup /Rect get aload pop 4 2 roll transform korvello-point transform korvello-point
        dup /Page known {
            (PAGE ) print dup /Page get =only
        } {
            dup /A known { dup /A get } { dup /Action known { dup /Action get } { << >> } ifelse } ifelse
            dup type /dicttype eq { dup /URI known } { false } ifelse {
                (URI ) print /URI get print
            } {
                pop (NONE) print
            } ifelse
        } ifelse
        (\n) print
    } if
    pop
} bind def
/pdfmark {
    dup /LNK eq 1 index /ANN eq or {
        pop >>
        dup /Subtype known { dup /Subtype get /Link eq } { true } ifelse { korvello-link } { pop } ifelse
    } {
        cleartomark
    } ifelse
} bind def
)PS";
}

bool parseLinkLine(const std::string& line, int& page, LinkArea& area)
{
    std::istringstream words(line);
    std::string tag;
    std::string kind;
    if (!(words >> tag >> page >> area.x0 >> area.y0 >> area.x1 >> area.y1 >> kind) || tag != "KORVELLO-LINK") {
        return false;
    }
    std::string target;
    std::getline(words >> std::ws, target);
    if (kind == "URI" && !target.empty()) {
        area.target = target;
    } else if (kind == "PAGE" && std::atoi(target.c_str()) > 0) {
        char page[24];
        std::snprintf(page, sizeof(page), "#%d", std::atoi(target.c_str()));
        area.target = page;
    } else {
        return false;
    }
    return true;
}

int linkPassPage(const std::string& line)
{
    return line.rfind("KORVELLO-END ", 0) == 0 ? std::atoi(line.c_str() + 13) : 0;
}

namespace {

std::string quoted(const std::string& text)
{
    std::string result = "\"";
    for (const char c : text) {
        if (c == '"' || c == '\\') {
            result += '\\';
        }
        if (static_cast<unsigned char>(c) >= 32) {
            result += c;
        }
    }
    return result + "\"";
}

} // namespace

std::string mapAreas(const std::vector<LinkArea>& areas, int height, double scale)
{
    std::string text;
    for (const auto& area : areas) {
        const int left = static_cast<int>(std::min(area.x0, area.x1) * scale);
        const int right = static_cast<int>(std::max(area.x0, area.x1) * scale);
        const int top = static_cast<int>(std::min(area.y0, area.y1) * scale);
        const int bottom = static_cast<int>(std::max(area.y0, area.y1) * scale);
        char rect[96];
        std::snprintf(rect, sizeof(rect), "(rect %d %d %d %d)", left, height - bottom, std::max(1, right - left),
            std::max(1, bottom - top));
        if (!text.empty()) {
            text += '\n';
        }
        text += "(maparea ";
        text += quoted(area.target);
        text += " \"\" ";
        text += rect;
        text += " (none))";
    }
    return text;
}

} // namespace reference
