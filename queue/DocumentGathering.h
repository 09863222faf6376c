// The documents in what the user dropped or handed over: files as they are, and for a
// folder the PDF and PostScript files inside it and its subfolders.
#pragma once

#include <string>
#include <vector>

namespace queue {

struct GatheredDocuments {
    std::vector<std::wstring> files;        // in the order given, each once
    std::vector<std::wstring> emptyFolders; // folders that hold no PDF or PostScript file
};

// A file is taken as it is; a folder gives its ".pdf", ".ps" and ".eps" files and those of
// its subfolders, in natural name order of their paths inside it ("report 2" before
// "report 10"). A file named twice (in any spelling) is taken once.
GatheredDocuments gatherDocuments(const std::vector<std::wstring>& paths);

// Natural order of names, as the file manager sorts them: numbers by value, case ignored.
bool naturallyBefore(const std::wstring& first, const std::wstring& second);

} // namespace queue
