// Files and texts: the converter's own lines, the tools' files and their encodings.
#pragma once

#include <string>

namespace reference {

// Wide text to UTF-8 and back (the tools' arguments and file contents).
std::string toUtf8(const std::wstring& text);
// The text in the system's ANSI code page, as the converter's own lines are written.
std::string toAnsi(const std::wstring& text);
// A whole file's bytes (others may write or delete it meanwhile); empty when unreadable.
std::string readWholeFile(const std::wstring& path);
// Replaces the file with content; false when it cannot be written whole.
bool writeWholeFile(const std::wstring& path, const std::string& content);
std::wstring fromUtf8(const std::string& text);

// Writes one line (with CR LF) to standard output in one piece.
void writeLine(const std::string& line);
bool fileExists(const std::wstring& path);
// Removes the folder and everything in it.
void removeTree(const std::wstring& folder);

} // namespace reference
