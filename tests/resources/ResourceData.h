// Reading the program's own resources by language, and the dialog-template parser the
// resource tests use to compare templates with the control inventories.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>
#include <vector>

namespace restest {

constexpr LANGID kEnglish = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);
constexpr LANGID kJapanese = MAKELANGID(LANG_JAPANESE, SUBLANG_DEFAULT);
constexpr LANGID kNeutral = MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL);

// The raw bytes of a resource of one language; empty when it does not exist.
std::string_view resourceBytes(LPCWSTR type, LPCWSTR name, LANGID language);

// A string-table entry of one language, whatever the thread's interface language;
// found is false when the entry is missing or empty.
std::wstring stringIn(UINT id, LANGID language, bool* found = nullptr);

// The positional inserts of a message text in order of appearance: "%1", "%2!d!", ...
std::vector<std::wstring> insertsOf(std::wstring_view text);

struct TemplateControl {
    DWORD id = 0;
    std::wstring className;   // predefined classes by name: Button, Edit, Static, ComboBox, ...
    std::wstring text;        // empty when the text is an ordinal
    WORD textOrdinal = 0;     // resource id of an icon or bitmap, else 0
    DWORD style = 0;
    DWORD exStyle = 0;
    short x = 0, y = 0, cx = 0, cy = 0;
};

struct DialogTemplate {
    bool extended = false;
    DWORD style = 0;
    DWORD exStyle = 0;
    short x = 0, y = 0, cx = 0, cy = 0;
    std::wstring title;
    WORD pointSize = 0;
    std::wstring typeface;
    std::vector<TemplateControl> controls;
};

// Parses a DLGTEMPLATEEX; false for bytes that are not a complete extended template.
bool parseDialogTemplate(std::string_view bytes, DialogTemplate& result);

} // namespace restest
