#include "ResourceData.h"

#include <cstring>
#include <cwctype>

namespace restest {

std::string_view resourceBytes(LPCWSTR type, LPCWSTR name, LANGID language)
{
    HMODULE module = GetModuleHandleW(nullptr);
    HRSRC info = FindResourceExW(module, type, name, language);
    if (!info) {
        return {};
    }
    HGLOBAL loaded = LoadResource(module, info);
    const void* data = loaded ? LockResource(loaded) : nullptr;
    if (!data) {
        return {};
    }
    return std::string_view(static_cast<const char*>(data), SizeofResource(module, info));
}

std::wstring stringIn(UINT id, LANGID language, bool* found)
{
    if (found) {
        *found = false;
    }
    // Strings live in blocks of 16; block n holds ids (n - 1) * 16 .. n * 16 - 1, each
    // entry a 16-bit length followed by that many UTF-16 units.
    const std::string_view block = resourceBytes(RT_STRING, MAKEINTRESOURCEW(id / 16 + 1), language);
    size_t offset = 0;
    for (UINT index = 0; index < 16; ++index) {
        WORD length = 0;
        if (offset + sizeof(length) > block.size()) {
            return {};
        }
        std::memcpy(&length, block.data() + offset, sizeof(length));
        offset += sizeof(length);
        if (offset + length * sizeof(wchar_t) > block.size()) {
            return {};
        }
        if (index == id % 16) {
            std::wstring text(length, L'\0');
            std::memcpy(text.data(), block.data() + offset, length * sizeof(wchar_t));
            if (found) {
                *found = length > 0;
            }
            return text;
        }
        offset += length * sizeof(wchar_t);
    }
    return {};
}

std::vector<std::wstring> insertsOf(std::wstring_view text)
{
    std::vector<std::wstring> inserts;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != L'%' || i + 1 >= text.size()) {
            continue;
        }
        if (!std::iswdigit(text[i + 1])) {
            ++i; // "%%", "%n" and the like are not inserts
            continue;
        }
        size_t end = i + 1;
        while (end < text.size() && std::iswdigit(text[end])) {
            ++end;
        }
        if (end < text.size() && text[end] == L'!') {
            const size_t close = text.find(L'!', end + 1);
            if (close != std::wstring_view::npos) {
                end = close + 1;
            }
        }
        inserts.emplace_back(text.substr(i, end - i));
        i = end - 1;
    }
    return inserts;
}

namespace {

class Reader {
public:
    explicit Reader(std::string_view bytes) : bytes_(bytes) {}

    template <typename T>
    bool read(T& value)
    {
        if (offset_ + sizeof(T) > bytes_.size()) {
            return false;
        }
        std::memcpy(&value, bytes_.data() + offset_, sizeof(T));
        offset_ += sizeof(T);
        return true;
    }

    // A zero-terminated UTF-16 text, or 0xFFFF and an ordinal.
    bool readTextOrOrdinal(std::wstring& text, WORD& ordinal)
    {
        text.clear();
        ordinal = 0;
        WORD first = 0;
        if (!read(first)) {
            return false;
        }
        if (first == 0xFFFF) {
            return read(ordinal);
        }
        while (first != 0) {
            text.push_back(static_cast<wchar_t>(first));
            if (!read(first)) {
                return false;
            }
        }
        return true;
    }

    bool align(size_t boundary)
    {
        offset_ = (offset_ + boundary - 1) / boundary * boundary;
        return offset_ <= bytes_.size();
    }

    bool skip(size_t count)
    {
        offset_ += count;
        return offset_ <= bytes_.size();
    }

private:
    std::string_view bytes_;
    size_t offset_ = 0;
};

std::wstring predefinedClass(WORD ordinal)
{
    switch (ordinal) {
    case 0x80: return L"Button";
    case 0x81: return L"Edit";
    case 0x82: return L"Static";
    case 0x83: return L"ListBox";
    case 0x84: return L"ScrollBar";
    case 0x85: return L"ComboBox";
    default: return L"#" + std::to_wstring(ordinal);
    }
}

} // namespace

bool parseDialogTemplate(std::string_view bytes, DialogTemplate& result)
{
    result = {};
    Reader reader(bytes);
    WORD version = 0;
    WORD signature = 0;
    DWORD helpId = 0;
    WORD count = 0;
    if (!reader.read(version) || !reader.read(signature) || version != 1 || signature != 0xFFFF) {
        return false;
    }
    result.extended = true;
    if (!reader.read(helpId) || !reader.read(result.exStyle) || !reader.read(result.style) || !reader.read(count)
        || !reader.read(result.x) || !reader.read(result.y) || !reader.read(result.cx) || !reader.read(result.cy)) {
        return false;
    }
    std::wstring menu;
    std::wstring windowClass;
    WORD ordinal = 0;
    if (!reader.readTextOrOrdinal(menu, ordinal) || !reader.readTextOrOrdinal(windowClass, ordinal)
        || !reader.readTextOrOrdinal(result.title, ordinal)) {
        return false;
    }
    if (result.style & (DS_SETFONT | DS_SHELLFONT)) {
        WORD weight = 0;
        BYTE italic = 0;
        BYTE charset = 0;
        if (!reader.read(result.pointSize) || !reader.read(weight) || !reader.read(italic) || !reader.read(charset)
            || !reader.readTextOrOrdinal(result.typeface, ordinal)) {
            return false;
        }
    }
    for (WORD i = 0; i < count; ++i) {
        TemplateControl control;
        DWORD controlHelpId = 0;
        WORD classOrdinal = 0;
        WORD extraBytes = 0;
        if (!reader.align(4) || !reader.read(controlHelpId) || !reader.read(control.exStyle)
            || !reader.read(control.style) || !reader.read(control.x) || !reader.read(control.y)
            || !reader.read(control.cx) || !reader.read(control.cy) || !reader.read(control.id)
            || !reader.readTextOrOrdinal(control.className, classOrdinal)
            || !reader.readTextOrOrdinal(control.text, control.textOrdinal) || !reader.read(extraBytes)
            || !reader.skip(extraBytes)) {
            return false;
        }
        if (classOrdinal) {
            control.className = predefinedClass(classOrdinal);
        }
        result.controls.push_back(control);
    }
    return true;
}

} // namespace restest
