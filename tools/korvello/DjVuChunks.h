// The few changes to DjVu files that the converter makes itself: a shape dictionary as a
// file that pages include, and a page made with its group's dictionary inside turned into
// one that includes the dictionary's file instead.
#pragma once

#include <string>

// A file holding only the dictionary (FORM:DJVI with its Djbz chunk).
std::string dictionaryFile(const std::string& dictionaryData);
// The page with its Djbz chunk replaced by an INCL chunk naming the file id; empty when the
// page is no DjVu page or has no Djbz chunk.
std::string includeInsteadOfDictionary(const std::string& page, const std::string& id);
