// The Windows part of the rule set: finding and reading the rule file.
#include "converter/MessageRuleSet.h"

#include <windows.h>

#include "win/Handle.h"
#include "win/Module.h"

namespace converter {

std::wstring MessageRuleSet::defaultRuleFilePath()
{
    return win::pathBesideModule(L"langmap.txt");
}

bool MessageRuleSet::loadRules(const std::wstring& path)
{
    resetPending();
    clearRules();
    loadError_ = 0;
    sourcePath_ = path;
    // Others may hold the file open, for reading or for writing (a viewer, an editor).
    win::UniqueHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        loadError_ = GetLastError();
        if (loadError_ == 0) {
            loadError_ = ERROR_FILE_NOT_FOUND;
        }
        return false;
    }
    std::string contents;
    char piece[65536];
    for (;;) {
        DWORD read = 0;
        if (!ReadFile(file.get(), piece, sizeof(piece), &read, nullptr)) {
            loadError_ = GetLastError();
            if (loadError_ == 0) {
                loadError_ = ERROR_READ_FAULT;
            }
            return false;
        }
        if (read == 0) {
            break;
        }
        contents.append(piece, read);
    }
    loadRulesFromText(contents);
    return true;
}

} // namespace converter
