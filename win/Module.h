// Paths of the running program.
#pragma once

#include <windows.h>

#include <string>

namespace win {

HINSTANCE moduleInstance();
// Full path of the running executable; empty when it cannot be read.
std::wstring modulePath();
// The executable's path with its file name replaced by fileName.
std::wstring pathBesideModule(const std::wstring& fileName);
// What follows the last backslash or slash of a path.
std::wstring fileNamePart(const std::wstring& path);
// The name of the user the program runs as; empty when it cannot be read. Names of
// objects shared by one user's processes end with it.
std::wstring userName();

} // namespace win
