// The string table for systems without the platform's resources: the texts of the
// resource scripts, compiled in by the build (see tools/make_string_table.py).
#include "base/StringTable.h"

#include <string>

#include "base/Text.h"
#include "base/string_table.inc"

namespace base {

namespace {

bool japanese = false;

} // namespace

bool selectStringLanguage(std::string_view tag)
{
    if (tag == "ja" || tag == "ja-jp") {
        japanese = true;
        return true;
    }
    if (tag == "en" || tag == "en-us") {
        japanese = false;
        return true;
    }
    return false;
}

std::wstring loadString(unsigned int id)
{
    for (const StringEntry& entry : kStringTable) {
        if (entry.id == id) {
            return fromUtf8(japanese ? entry.japanese : entry.english);
        }
    }
    return std::wstring();
}

std::wstring formatString(unsigned int id, std::initializer_list<MessageArg> args)
{
    return formatMessageText(loadString(id), std::span<const MessageArg>(args.begin(), args.size()));
}

std::wstring formatOsErrorText(unsigned long code)
{
    return L"System error " + std::to_wstring(code) + L".";
}

} // namespace base
