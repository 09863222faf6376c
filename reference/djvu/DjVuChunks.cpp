#include "reference/djvu/DjVuChunks.h"

#include "reference/djvu/DjVuFormat.h"

#include <algorithm>
#include <cstdint>
#include <utility>
#include <vector>

namespace reference {

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
std::string chunk(const std::string& id, const std::string& data)
{
    std::string out = id;
    putSize(out, data.size());
    out += data;
    if (data.size() % 2 != 0) {
        out.push_back('\0');
    }
    return out;
}

std::string form(const char* type, const std::string& chunks)
{
    std::string out = kMagicForm;
    putSize(out, 4 + chunks.size());
    out.append(type, 4);
    return out + chunks;
}

// The chunks of a page (id and data); false when it is no DjVu page.
bool pageChunks(const std::string& page, std::vector<std::pair<std::string, std::string>>& chunks)
{
    if (page.size() < 16 || page.compare(0, 8, kMagicForm) != 0 || page.compare(12, 4, kFormPage) != 0) {
        return false;
    }
    const size_t end = std::min(page.size(), 12 + getSize(page, 8));
    for (size_t at = 16; at + 8 <= end;) {
        const size_t size = getSize(page, at + 4);
        if (at + 8 + size > end) {
            return false;
        }
        chunks.emplace_back(page.substr(at, 4), page.substr(at + 8, size));
        at += 8 + size + size % 2;
    }
    return true;
}

} // namespace

std::string djvuPage(int width, int height, int dpi, const std::string& dictionaryData, const std::string& marks)
{
    // Width and height big-endian, format version 24, resolution little-endian, gamma 2.2,
    // upright.
    const unsigned char info[10] = {static_cast<unsigned char>(width >> 8), static_cast<unsigned char>(width & 0xff),
        static_cast<unsigned char>(height >> 8), static_cast<unsigned char>(height & 0xff), kDjVuVersion, 0,
        static_cast<unsigned char>(dpi & 0xff), static_cast<unsigned char>(dpi >> 8), kDjVuGamma, 1};
    std::string chunks = chunk(kChunkInfo, std::string(reinterpret_cast<const char*>(info), sizeof(info)));
    if (!dictionaryData.empty()) {
        chunks += chunk(kChunkShapes, dictionaryData);
    }
    if (!marks.empty()) {
        chunks += chunk(kChunkMarks, marks);
    }
    return form(kFormPage, chunks);
}

std::string dictionaryFile(const std::string& dictionaryData)
{
    return form(kFormShared, chunk(kChunkShapes, dictionaryData));
}

std::string finishedPage(const std::string& page, const std::string& includeId, const std::string& notes)
{
    std::vector<std::pair<std::string, std::string>> own;
    std::vector<std::pair<std::string, std::string>> added;
    if (!pageChunks(page, own) || (!notes.empty() && !pageChunks(notes, added))) {
        return {};
    }
    std::string chunks;
    bool included = includeId.empty();
    for (const auto& [id, data] : own) {
        const bool dictionary = id == kChunkShapes && !includeId.empty();
        chunks += dictionary ? chunk(kChunkInclude, includeId) : chunk(id, data);
        included = included || dictionary;
    }
    for (const auto& [id, data] : added) {
        if (id != kChunkInfo) {
            chunks += chunk(id, data);
        }
    }
    return included ? form(kFormPage, chunks) : std::string();
}

} // namespace reference
