// The few DjVu files that the converter makes or finishes itself: a page of marks alone, a
// shape dictionary as a file that pages include, and a page made with its group's
// dictionary inside turned into one that includes the dictionary's file instead.
#pragma once

#include <string>

namespace reference {

// A page of its size and resolution with the dictionary it takes shapes from and its marks
// (JB2 data); either may be empty (no dictionary, no marks: a page holding nothing yet).
std::string djvuPage(int width, int height, int dpi, const std::string& dictionaryData, const std::string& marks);
// A file holding only the dictionary (FORM:DJVI with its Djbz chunk).
std::string dictionaryFile(const std::string& dictionaryData);
// The page with its Djbz chunk replaced by an INCL chunk naming the file id (unless the id
// is empty) and the chunks of notes (another page of the same size: its text and links)
// added after its own; empty when either is no DjVu page or a named dictionary is missing.
std::string finishedPage(const std::string& page, const std::string& includeId, const std::string& notes);

} // namespace reference
