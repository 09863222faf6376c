// The text seam for systems other than Windows: wide characters are code points.
// UTF-8 is decoded as the platform decodes it: every byte that does not begin a
// complete, shortest, valid sequence gives one U+FFFD. Other code pages are read as
// Latin-1, byte for character.
#include "base/Text.h"

#include <cstdint>

namespace base {

namespace {

constexpr wchar_t kReplacement = 0xFFFD;

void decodeUtf8(std::string_view bytes, std::wstring& out)
{
    out.clear();
    out.reserve(bytes.size());
    size_t i = 0;
    while (i < bytes.size()) {
        const auto b0 = static_cast<unsigned char>(bytes[i]);
        if (b0 < 0x80) {
            out.push_back(static_cast<wchar_t>(b0));
            ++i;
            continue;
        }
        size_t length = 0;
        std::uint32_t c = 0;
        std::uint32_t minimum = 0;
        if (b0 >= 0xC2 && b0 <= 0xDF) {
            length = 2;
            c = b0 & 0x1F;
            minimum = 0x80;
        } else if (b0 >= 0xE0 && b0 <= 0xEF) {
            length = 3;
            c = b0 & 0x0F;
            minimum = 0x800;
        } else if (b0 >= 0xF0 && b0 <= 0xF4) {
            length = 4;
            c = b0 & 0x07;
            minimum = 0x10000;
        }
        bool valid = length != 0 && i + length <= bytes.size();
        for (size_t k = 1; valid && k < length; ++k) {
            const auto b = static_cast<unsigned char>(bytes[i + k]);
            if ((b & 0xC0) != 0x80) {
                valid = false;
            } else {
                c = (c << 6) | (b & 0x3F);
            }
        }
        if (valid && (c < minimum || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))) {
            valid = false;
        }
        if (valid) {
            out.push_back(static_cast<wchar_t>(c));
            i += length;
        } else {
            out.push_back(kReplacement);
            ++i;
        }
    }
}

} // namespace

void fromCodePageInto(unsigned int codePage, std::string_view bytes, std::wstring& result)
{
    if (codePage == kUtf8CodePage) {
        decodeUtf8(bytes, result);
        return;
    }
    result.clear();
    for (const char b : bytes) {
        result.push_back(static_cast<wchar_t>(static_cast<unsigned char>(b)));
    }
}

std::wstring fromCodePage(unsigned int codePage, std::string_view bytes)
{
    std::wstring result;
    fromCodePageInto(codePage, bytes, result);
    return result;
}

std::wstring fromUtf8(std::string_view utf8)
{
    return fromCodePage(kUtf8CodePage, utf8);
}

std::string toUtf8(std::wstring_view text)
{
    std::string out;
    out.reserve(text.size());
    for (const wchar_t ch : text) {
        auto c = static_cast<std::uint32_t>(ch);
        if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
            c = 0xFFFD;
        }
        if (c < 0x80) {
            out.push_back(static_cast<char>(c));
        } else if (c < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (c >> 6)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else if (c < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | (c >> 12)));
            out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | (c >> 18)));
            out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        }
    }
    return out;
}

unsigned int ansiCodePage()
{
    return kUtf8CodePage;
}

} // namespace base
