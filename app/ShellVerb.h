// The file manager's "Convert to DjVu..." verb for PDF files, written at every start.
#pragma once

#include <windows.h>

#include <string>

namespace app {

// Where the verb goes and what it runs. The defaults are the classes root and this
// executable; tests point them elsewhere.
struct ShellVerbTarget {
    HKEY classesRoot = HKEY_CLASSES_ROOT;
    std::wstring executablePath; // empty: the running executable
};

// Writes the verb under the document type associated with ".pdf" and under
// "AcroExch.Document.7". Silent: a missing association writes nothing, failures are ignored.
void registerShellVerb(const ShellVerbTarget& target = {});

// Writes "<progId>\shell\korvello" (menu text) and its "command" subkey for one document type.
// A document type whose key path would not fit the path buffer is skipped.
void registerVerbForProgId(const std::wstring& progId, const ShellVerbTarget& target = {});

} // namespace app
