#include "DjVuChunks.h"

#include <algorithm>
#include <cstdint>

namespace {

void putSize(std::string& out, size_t size)
{
    for (int shift = 24; shift >= 0; shift -= 8) {
        out.push_back(static_cast<char>((size >> shift) & 0xff));
    }
}

size_t getSize(const std::string& in, size_t at)
{
    size_t size = 0;
    for (size_t i = 0; i < 4; ++i) {
        size = size << 8 | static_cast<std::uint8_t>(in[at + i]);
    }
    return size;
}

// A chunk: its id, its size, its data and a pad byte to an even length.
std::string chunk(const char* id, const std::string& data)
{
    std::string out(id, 4);
    putSize(out, data.size());
    out += data;
    if (data.size() % 2 != 0) {
        out.push_back('\0');
    }
    return out;
}

std::string form(const char* type, const std::string& chunks)
{
    std::string out = "AT&TFORM";
    putSize(out, 4 + chunks.size());
    out.append(type, 4);
    return out + chunks;
}

} // namespace

std::string dictionaryFile(const std::string& dictionaryData)
{
    return form("DJVI", chunk("Djbz", dictionaryData));
}

std::string includeInsteadOfDictionary(const std::string& page, const std::string& id)
{
    if (page.size() < 16 || page.compare(0, 8, "AT&TFORM") != 0 || page.compare(12, 4, "DJVU") != 0) {
        return {};
    }
    const size_t end = std::min(page.size(), 12 + getSize(page, 8));
    std::string chunks;
    bool replaced = false;
    for (size_t at = 16; at + 8 <= end;) {
        const size_t size = getSize(page, at + 4);
        if (at + 8 + size > end) {
            return {};
        }
        const std::string id4 = page.substr(at, 4);
        if (id4 == "Djbz" && !replaced) {
            chunks += chunk("INCL", id);
            replaced = true;
        } else {
            chunks += chunk(id4.c_str(), page.substr(at + 8, size));
        }
        at += 8 + size + size % 2;
    }
    return replaced ? form("DJVU", chunks) : std::string();
}
