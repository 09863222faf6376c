#include "reference/text/DocumentStructure.h"

#include "reference/text/JsonValue.h"
#include "reference/text/Utf8.h"

#include <cctype>
#include <cstdlib>
#include <map>

namespace reference {

namespace {

// The JSON report starts at its first line that opens an object: a chain's markers and
// the tools' messages may come before it.
bool parseReport(const std::string& report, JsonValue& value)
{
    size_t start = 0;
    if (report.rfind("{", 0) != 0) {
        start = report.find("\n{");
        if (start == std::string::npos) {
            return false;
        }
        ++start;
    }
    return JsonValue::parse(report.substr(start), value) && value.isObject();
}

// The member of the "qpdf" part's objects ("trailer", "obj:2 0 R"), or null.
const JsonValue& reportedObject(const JsonValue& report, const std::string& name)
{
    static const JsonValue missing;
    for (const auto& part : report["qpdf"].items()) {
        if (!part[name].isNull()) {
            return part[name]["value"];
        }
    }
    return missing;
}

bool isReference(const JsonValue& value)
{
    const std::string& text = value.text();
    return value.isString() && text.size() > 4 && text.compare(text.size() - 2, 2, " R") == 0
        && text.find_first_not_of("0123456789 R") == std::string::npos;
}

// The page a destination leads to: [page object, /XYZ ...], << /D [...] >> of a named
// one, or a page index; 0 when it names no page of the document.
int destinationPage(const JsonValue& destination, const std::map<std::string, int>& pageOfObject)
{
    const JsonValue& array = destination.isObject() ? destination["/D"] : destination;
    if (!array.isArray() || array.items().empty()) {
        return 0;
    }
    const JsonValue& target = array.items().front();
    if (target.isNumber() && target.number() >= 0 && target.number() < static_cast<double>(pageOfObject.size())) {
        return static_cast<int>(target.number()) + 1;
    }
    const auto found = pageOfObject.find(target.text());
    return found != pageOfObject.end() ? found->second : 0;
}

void readOutline(const JsonValue& entries, const std::map<std::string, int>& pageOfObject,
    std::vector<OutlineEntry>& outline, std::vector<std::string>& unresolved)
{
    for (const auto& item : entries.items()) {
        OutlineEntry entry;
        entry.title = item["title"].text();
        entry.object = item["object"].text();
        const JsonValue& position = item["destpageposfrom1"];
        entry.page = position.isNumber() ? static_cast<int>(position.number())
                                         : destinationPage(item["dest"], pageOfObject);
        if (entry.page == 0 && isReference(item["object"])) {
            unresolved.push_back(entry.object);
        }
        readOutline(item["kids"], pageOfObject, entry.kids, unresolved);
        outline.push_back(std::move(entry));
    }
}

void setAddresses(std::vector<OutlineEntry>& outline, const JsonValue& report)
{
    for (auto& entry : outline) {
        if (entry.page == 0 && !entry.object.empty()) {
            const JsonValue& action = reportedObject(report, "obj:" + entry.object)["/A"];
            if (action["/S"].text() == "/URI" && action["/URI"].isString()) {
                entry.address = pdfStringText(action["/URI"].text());
            }
        }
        setAddresses(entry.kids, report);
    }
}

std::string roman(int number, bool upper)
{
    static const std::pair<int, const char*> kDigits[] = {{1000, "m"}, {900, "cm"}, {500, "d"}, {400, "cd"},
        {100, "c"}, {90, "xc"}, {50, "l"}, {40, "xl"}, {10, "x"}, {9, "ix"}, {5, "v"}, {4, "iv"}, {1, "i"}};
    std::string text;
    for (const auto& [value, digits] : kDigits) {
        for (; number >= value; number -= value) {
            text += digits;
        }
    }
    for (auto& c : text) {
        c = upper ? static_cast<char>(c - 'a' + 'A') : c;
    }
    return text;
}

// a..z, then aa..zz, and so on.
std::string letters(int number, bool upper)
{
    const char letter = static_cast<char>((upper ? 'A' : 'a') + (number - 1) % 26);
    return std::string(static_cast<size_t>((number - 1) / 26 + 1), letter);
}

void writeOutline(std::string& script, const std::vector<OutlineEntry>& outline,
    const std::vector<std::string>& pageIds, int depth)
{
    for (const auto& entry : outline) {
        std::string target;
        if (entry.page >= 1 && entry.page <= static_cast<int>(pageIds.size())) {
            target = "#" + pageIds[static_cast<size_t>(entry.page - 1)];
        } else {
            target = entry.address;
        }
        script += std::string(static_cast<size_t>(depth), ' ') + "(" + djvusedString(entry.title) + " "
            + djvusedString(target);
        if (!entry.kids.empty()) {
            script += "\n";
            writeOutline(script, entry.kids, pageIds, depth + 1);
        }
        script += ")\n";
    }
}

int countEntries(const std::vector<OutlineEntry>& outline)
{
    int count = 0;
    for (const auto& entry : outline) {
        count += 1 + countEntries(entry.kids);
    }
    return count;
}

} // namespace

bool DocumentStructure::empty() const
{
    for (const auto& title : pageTitles) {
        if (!title.empty()) {
            return false;
        }
    }
    return outline.empty() && metadata.empty();
}

int DocumentStructure::outlineEntries() const
{
    return countEntries(outline);
}

bool PdfStructureReader::readOverview(const std::string& report)
{
    JsonValue value;
    if (!parseReport(report, value)) {
        return false;
    }
    std::map<std::string, int> pageOfObject;
    for (const auto& page : value["pages"].items()) {
        pageOfObject[page["object"].text()] = static_cast<int>(structure_.pageTitles.size()) + 1;
        structure_.pageTitles.push_back(pageLabelText(page["label"]));
    }
    readOutline(value["outlines"], pageOfObject, structure_.outline, objects_);
    const JsonValue& info = reportedObject(value, "trailer")["/Info"];
    if (isReference(info)) {
        info_ = info.text();
        objects_.insert(objects_.begin(), info_);
    }
    return true;
}

bool PdfStructureReader::readObjects(const std::string& report)
{
    objects_.clear();
    JsonValue value;
    if (!parseReport(report, value)) {
        return false;
    }
    static const char* const kKeys[] = {"Title", "Author", "Subject", "Keywords", "Creator", "Producer", "CreationDate",
        "ModDate"};
    const JsonValue& info = reportedObject(value, "obj:" + info_);
    for (const char* key : kKeys) {
        const JsonValue& entry = info[std::string("/") + key];
        const std::string name = key;
        if (!entry.isString() || isReference(entry) || (fromPostScript_ && name == "Producer")) {
            continue;
        }
        std::string text = pdfStringText(entry.text());
        if (name == "CreationDate" || name == "ModDate") {
            text = rfc3339Date(text);
        }
        if (!text.empty()) {
            structure_.metadata.emplace_back(name, text);
        }
    }
    setAddresses(structure_.outline, value);
    return true;
}

std::string pdfStringText(const std::string& reported)
{
    if (reported.rfind("u:", 0) == 0) {
        return reported.substr(2);
    }
    if (reported.rfind("b:", 0) != 0) {
        return reported;
    }
    std::string text;
    for (size_t i = 2; i + 1 < reported.size(); i += 2) {
        appendUtf8(text, std::strtoul(reported.substr(i, 2).c_str(), nullptr, 16));
    }
    return text;
}

std::string pageLabelText(const JsonValue& label)
{
    if (!label.isObject()) {
        return {};
    }
    std::string text = pdfStringText(label["/P"].text());
    const std::string style = label["/S"].text();
    const double start = label["/St"].isNumber() ? label["/St"].number() : 1;
    const int number = start >= 1 && start < 100000 ? static_cast<int>(start) : 1;
    if (style == "/D") {
        text += std::to_string(number);
    } else if (style == "/r" || style == "/R") {
        text += roman(number, style == "/R");
    } else if (style == "/a" || style == "/A") {
        text += letters(number, style == "/A");
    }
    return text;
}

std::string rfc3339Date(const std::string& pdfDate)
{
    // D:YYYYMMDDHHmmSSOHH'mm: every part after the year may be left out.
    const size_t from = pdfDate.rfind("D:", 0) == 0 ? 2 : 0;
    size_t digits = from;
    while (digits < pdfDate.size() && pdfDate[digits] >= '0' && pdfDate[digits] <= '9') {
        ++digits;
    }
    const std::string number = pdfDate.substr(from, digits - from);
    if (number.size() < 4 || number.size() > 14 || number.size() % 2 != 0) {
        return pdfDate;
    }
    auto part = [&](size_t at, const char* missing) {
        return at + 2 <= number.size() ? number.substr(at, 2) : std::string(missing);
    };
    std::string date = number.substr(0, 4) + "-" + part(4, "01") + "-" + part(6, "01") + "T" + part(8, "00") + ":"
        + part(10, "00") + ":" + part(12, "00");
    const std::string zone = pdfDate.substr(digits);
    if (zone.size() >= 3 && (zone[0] == '+' || zone[0] == '-') && isdigit(static_cast<unsigned char>(zone[1]))
        && isdigit(static_cast<unsigned char>(zone[2]))) {
        std::string minutes = "00";
        const size_t mark = zone.find_first_of("0123456789", 3);
        if (mark != std::string::npos && mark + 2 <= zone.size() && isdigit(static_cast<unsigned char>(zone[mark + 1]))) {
            minutes = zone.substr(mark, 2);
        }
        return date + zone.substr(0, 3) + ":" + minutes;
    }
    // "Z", and a date without a zone (local time of the writer, unknown here), as UTC.
    return date + "Z";
}

std::string djvusedString(const std::string& text)
{
    static const char kOctal[] = "01234567";
    std::string literal = "\"";
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte == 0) {
            continue;
        }
        if (c == '"' || c == '\\') {
            literal += '\\';
            literal += c;
        } else if (byte < 0x20 || byte >= 0x7F) {
            literal += '\\';
            literal += kOctal[byte >> 6];
            literal += kOctal[(byte >> 3) & 7];
            literal += kOctal[byte & 7];
        } else {
            literal += c;
        }
    }
    return literal + "\"";
}

std::string structureScript(const DocumentStructure& structure, const std::vector<std::string>& pageIds)
{
    std::string script;
    if (!structure.outline.empty()) {
        script += "set-outline\n(bookmarks\n";
        writeOutline(script, structure.outline, pageIds, 1);
        script += ")\n.\n";
    }
    for (size_t page = 0; page < structure.pageTitles.size() && page < pageIds.size(); ++page) {
        if (!structure.pageTitles[page].empty()) {
            script += "select " + std::to_string(page + 1) + "\nset-page-title "
                + djvusedString(structure.pageTitles[page]) + "\n";
        }
    }
    if (!structure.metadata.empty()) {
        script += "select\nset-meta\n";
        for (const auto& [key, value] : structure.metadata) {
            script += key + "\t" + djvusedString(value) + "\n";
        }
        script += ".\n";
    }
    return script.empty() ? script : script + "save\n";
}

} // namespace reference
