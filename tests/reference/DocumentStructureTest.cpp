// The book's structure as the converter reads the PDF tool's reports and writes djvused's
// script: labels, dates and strings as the PDF means them, nothing in a title able to
// break the script, and reports that are broken or absurdly deep refused.
#include <gtest/gtest.h>

#include <string>

#include "reference/text/DocumentStructure.h"
#include "reference/text/JsonValue.h"

using namespace reference;

namespace {

JsonValue json(const std::string& text)
{
    JsonValue value;
    EXPECT_TRUE(JsonValue::parse(text, value)) << text;
    return value;
}

} // namespace

TEST(DocumentStructure, LabelsDatesAndTitlesAreReadAsThePdfMeansThem)
{
    EXPECT_EQ("MCMXCIX", pageLabelText(json(R"({"/S": "/R", "/St": 1999})")));
    EXPECT_EQ("App-xiv", pageLabelText(json(R"({"/S": "/r", "/P": "u:App-", "/St": 14})")));
    EXPECT_EQ("bb", pageLabelText(json(R"({"/S": "/a", "/St": 28})")));
    EXPECT_EQ("Z", pageLabelText(json(R"({"/S": "/A", "/St": 26})")));
    EXPECT_EQ("Cover", pageLabelText(json(R"({"/P": "u:Cover"})")));
    EXPECT_EQ("1", pageLabelText(json(R"({"/S": "/D", "/St": -5})"))); // no number below 1
    EXPECT_EQ("", pageLabelText(json("null")));

    EXPECT_EQ("2024-03-01T09:08:07-05:30", rfc3339Date("D:20240301090807-05'30'"));
    EXPECT_EQ("2024-03-01T09:08:07+01:00", rfc3339Date("D:20240301090807+01"));
    EXPECT_EQ("2026-12-09T04:50:13Z", rfc3339Date("D:20261209045013Z00'00'"));
    EXPECT_EQ("2024-01-01T00:00:00Z", rfc3339Date("D:2024"));
    EXPECT_EQ("last Tuesday", rfc3339Date("last Tuesday"));

    EXPECT_EQ("J\xC3\xB6r\xC2\xA9", pdfStringText("b:4AF672A9")); // bytes beyond ASCII as Latin-1
    EXPECT_EQ("\xF0\x9D\x84\x9E \xEF\xBF\xBD", json(R"("\ud834\udd1e \ud834")").text()); // a pair; a lone half

    // The tool's messages before its report; a destination by page index; an entry
    // leading nowhere is looked up with the information.
    PdfStructureReader reader(false);
    ASSERT_TRUE(reader.readOverview("@@ qpdf\nWARNING: repaired\n" R"({
        "pages": [{"object": "4 0 R", "label": null}, {"object": "7 0 R", "label": {"/S": "/D", "/St": 3}}],
        "outlines": [{"title": "One", "dest": [1, "/Fit"], "destpageposfrom1": null, "object": "9 0 R",
                      "kids": [{"title": "Deep", "dest": {"/D": ["4 0 R", "/XYZ"]}, "object": "10 0 R", "kids": []}]},
                     {"title": "Web", "dest": null, "object": "11 0 R", "kids": []}],
        "qpdf": [{}, {"trailer": {"value": {"/Info": "2 0 R"}}}]})"));
    EXPECT_EQ((std::vector<std::string>{"2 0 R", "11 0 R"}), reader.objectsToLookUp());
    ASSERT_TRUE(reader.readObjects(R"({"qpdf": [{}, {
        "obj:2 0 R": {"value": {"/Title": "u:Book", "/Producer": "u:maker", "/ModDate": "u:D:2020", "/Author": "5 0 R"}},
        "obj:11 0 R": {"value": {"/A": {"/S": "/URI", "/URI": "u:https://example.org/"}}}}]})"));
    const DocumentStructure& structure = reader.structure();
    EXPECT_EQ((std::vector<std::string>{"", "3"}), structure.pageTitles);
    ASSERT_EQ(2u, structure.outline.size());
    EXPECT_EQ(2, structure.outline[0].page);
    EXPECT_EQ(1, structure.outline[0].kids.at(0).page);
    EXPECT_EQ("https://example.org/", structure.outline[1].address);
    EXPECT_EQ(3, structure.outlineEntries());
    const std::vector<std::pair<std::string, std::string>> metadata = {{"Title", "Book"}, {"Producer", "maker"},
        {"ModDate", "2020-01-01T00:00:00Z"}}; // an indirect value is left out
    EXPECT_EQ(metadata, structure.metadata);
}

TEST(DocumentStructure, NothingInATitleBreaksTheScriptAndBrokenReportsAreRefused)
{
    static const char kTitle[] = "say \"hi\" C:\\dir\t\n\x01\0 \xC3\xB6";
    EXPECT_EQ(R"("say \"hi\" C:\\dir\011\012\001 \303\266")", djvusedString(std::string(kTitle, sizeof kTitle - 1)));

    DocumentStructure structure;
    structure.outline.push_back({"A\n.\nsave", 2, "", "", {{"Sub", 9, "", "", {}}}});
    structure.outline.push_back({"Out", 0, "http://x/\"", "", {}});
    structure.pageTitles = {"", "ii"};
    structure.metadata = {{"Title", "line\n.\nremove-ant"}};
    EXPECT_EQ("set-outline\n(bookmarks\n"
              " (\"A\\012.\\012save\" \"#page00002.djvu\"\n"
              "  (\"Sub\" \"\")\n" // a page the bundle does not have leads nowhere
              ")\n"
              " (\"Out\" \"http://x/\\\"\")\n"
              ")\n.\n"
              "select 2\nset-page-title \"ii\"\n"
              "select\nset-meta\nTitle\t\"line\\012.\\012remove-ant\"\n.\n"
              "save\n",
        structureScript(structure, {"page00001.djvu", "page00002.djvu"}));
    EXPECT_EQ("", structureScript(DocumentStructure{{}, {"", ""}, {}}, {"page00001.djvu", "page00002.djvu"}));

    PdfStructureReader reader(false);
    EXPECT_FALSE(reader.readOverview("qpdf: structure.pdf: invalid password"));
    EXPECT_FALSE(reader.readOverview(R"({"pages": [{"object": "4 0 R")"));
    JsonValue value;
    EXPECT_FALSE(JsonValue::parse(std::string(100000, '[') + std::string(100000, ']'), value)); // refused, not recursed
    EXPECT_FALSE(JsonValue::parse(R"({"a": {}x})", value));
    EXPECT_TRUE(JsonValue::parse(R"({"a": [1, -2.5e1, true, null, "\"\\\/"]})", value));
    EXPECT_EQ(-25, value["a"].items()[1].number());
    EXPECT_EQ("\"\\/", value["a"].items()[4].text());
}
