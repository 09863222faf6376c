// Questions about paths on disk that the checks before a run ask.
#pragma once

#include <string>

namespace win {

// The absolute form of a path (GetFullPathNameW); the path itself when that fails.
std::wstring fullPath(const std::wstring& path);
// The form in which two spellings of a path that differ only in case, or as relative
// and absolute names, compare equal: the full path in upper case.
std::wstring pathKey(const std::wstring& path);
bool pathExists(const std::wstring& path);
bool isDirectory(const std::wstring& path);
// The folder a path's file lies in (of its full path; a root keeps its separator).
std::wstring folderOf(const std::wstring& path);
// True when both name the same file: equal full paths, compared case-insensitively;
// where both exist, the same file on disk (another spelling, a short name, a link);
// where neither exists, the same file name in the same folder on disk.
bool sameFile(const std::wstring& first, const std::wstring& second);

} // namespace win
