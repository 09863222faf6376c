// The book's structure beside its pages: the outline (bookmarks), the pages' labels and
// the document's information (title, author, dates...), read from the PDF tool's JSON
// reports (qpdf --json=2) and written as a djvused script for the bundled document.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace reference {

class JsonValue;

// One bookmark: its title and where it leads (a page of the document, an address
// outside it, or nowhere), with the bookmarks under it.
struct OutlineEntry {
    std::string title;   // UTF-8
    int page = 0;        // 1 for the first page; 0 when it leads to no page
    std::string address; // a URI outside the document
    std::string object;  // the PDF object of the entry ("12 0 R"), to look up its action
    std::vector<OutlineEntry> kids;
};

struct DocumentStructure {
    std::vector<OutlineEntry> outline;
    std::vector<std::string> pageTitles;                        // by page; empty: the page keeps its number
    std::vector<std::pair<std::string, std::string>> metadata;  // DjVu key ("Title", ...) and UTF-8 value

    bool empty() const;
    // Bookmarks in the outline, at every level.
    int outlineEntries() const;
};

// Reads the structure in two steps: the overview (pages, outlines, page labels and the
// trailer), then the objects that overview names (the document information, and the
// actions of bookmarks that lead nowhere in the overview, such as web addresses).
class PdfStructureReader {
public:
    // Documents made PDF from PostScript by the renderer carry the renderer's own
    // producer: it is not the document's and is left out.
    explicit PdfStructureReader(bool fromPostScript) : fromPostScript_(fromPostScript) {}

    // The report of qpdf --json=2 --json-key=pages --json-key=outlines
    // --json-key=pagelabels --json-key=qpdf --json-object=trailer; false when the text
    // holds no such report.
    bool readOverview(const std::string& report);
    // The objects to look up next ("12 0 R"); none when nothing is left to read.
    const std::vector<std::string>& objectsToLookUp() const { return objects_; }
    // The report of qpdf --json=2 --json-key=qpdf --json-object=<each object>.
    bool readObjects(const std::string& report);

    const DocumentStructure& structure() const { return structure_; }

private:
    bool fromPostScript_;
    std::string info_; // the document information's object
    std::vector<std::string> objects_;
    DocumentStructure structure_;
};

// The text of a PDF string as the tool reports it ("u:" UTF-8 text, "b:" hexadecimal
// bytes, taken as Latin-1) in UTF-8.
std::string pdfStringText(const std::string& reported);
// A page's label from its label dictionary (/S style, /P prefix, /St number): decimal,
// roman or letters after the prefix; empty for a page without one.
std::string pageLabelText(const JsonValue& label);
// A PDF date ("D:20200102030405+01'00'") as RFC 3339 ("2020-01-02T03:04:05+01:00");
// text that is no PDF date is returned as it is.
std::string rfc3339Date(const std::string& pdfDate);

// A djvused string literal holding the UTF-8 text: quotes and backslashes escaped,
// control characters and every byte beyond ASCII as octal escapes, NUL left out.
std::string djvusedString(const std::string& text);
// The djvused script that gives the bundled document its outline, page titles and
// metadata and saves it; pageIds names the bundle's page components ("page00001.djvu"),
// one per page. Bookmarks lead to page components by their ids, never by a number that
// a page's title could hide. Empty when there is nothing to write.
std::string structureScript(const DocumentStructure& structure, const std::vector<std::string>& pageIds);

} // namespace reference
