#include "reference/page/PageImage.h"

#include <windows.h>

#include <algorithm>
#include <cctype>
#include <cstdio>

namespace reference {

namespace {

constexpr size_t kHeaderBytes = 4096; // room for a PNM header with comments

bool writeAll(const std::wstring& path, const std::string& header, const std::vector<std::uint8_t>& data)
{
    const HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    DWORD written = 0;
    bool ok = WriteFile(file, header.data(), static_cast<DWORD>(header.size()), &written, nullptr) != FALSE;
    ok = ok && WriteFile(file, data.data(), static_cast<DWORD>(data.size()), &written, nullptr) && written == data.size();
    CloseHandle(file);
    return ok;
}

// Reads the next header number of a PNM file (skipping blanks and comments).
bool headerNumber(const std::vector<std::uint8_t>& data, size_t& at, int& value)
{
    while (at < data.size() && (std::isspace(data[at]) || data[at] == '#')) {
        if (data[at] == '#') {
            while (at < data.size() && data[at] != '\n') {
                ++at;
            }
        } else {
            ++at;
        }
    }
    if (at >= data.size() || !std::isdigit(data[at])) {
        return false;
    }
    value = 0;
    while (at < data.size() && std::isdigit(data[at])) {
        if (value > 100000000) {
            return false; // no page is that large
        }
        value = value * 10 + (data[at++] - '0');
    }
    return true;
}

// Reads size bytes from offset into out.
bool readAt(HANDLE file, unsigned long long offset, std::uint8_t* out, size_t size)
{
    LARGE_INTEGER from = {};
    from.QuadPart = static_cast<long long>(offset);
    DWORD read = 0;
    return size <= 0xFFFFFFFFull && SetFilePointerEx(file, from, nullptr, FILE_BEGIN)
        && (size == 0 || (ReadFile(file, out, static_cast<DWORD>(size), &read, nullptr) && read == size));
}

} // namespace

bool PnmHeader::read(const std::wstring& path)
{
    const HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
        OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    std::vector<std::uint8_t> header(kHeaderBytes);
    DWORD read = 0;
    const bool ok = ReadFile(file, header.data(), static_cast<DWORD>(header.size()), &read, nullptr) != FALSE;
    CloseHandle(file);
    header.resize(ok ? read : 0);
    if (header.size() < 2 || header[0] != 'P' || header[1] < '4' || header[1] > '6') {
        return false;
    }
    kind = header[1] - '0';
    size_t at = 2;
    maxValue = 1;
    if (!headerNumber(header, at, width) || !headerNumber(header, at, height)
        || (kind != 4 && !headerNumber(header, at, maxValue)) || width <= 0 || height <= 0 || at >= header.size()) {
        return false;
    }
    pixelsAt = at + 1; // the single blank after the header
    return true;
}

bool PnmHeader::readPixels(const std::wstring& path, std::uint8_t* out, size_t size) const
{
    const HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
        FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    const bool ok = readAt(file, pixelsAt, out, size);
    CloseHandle(file);
    return ok;
}

bool PageImage::readPbm(const std::wstring& path, const PnmHeader& header, std::vector<std::uint8_t>& marks)
{
    if (header.kind != 4) {
        return false;
    }
    const size_t stride = (static_cast<size_t>(header.width) + 7) / 8;
    std::vector<std::uint8_t> bits(stride * static_cast<size_t>(header.height));
    if (!header.readPixels(path, bits.data(), bits.size())) {
        return false;
    }
    marks = unpack(bits, header.width, header.height);
    return true;
}

std::vector<std::uint8_t> PageImage::unpack(const std::vector<std::uint8_t>& bits, int width, int height)
{
    const size_t stride = (static_cast<size_t>(width) + 7) / 8;
    const size_t columns = static_cast<size_t>(width);
    std::vector<std::uint8_t> marks(columns * static_cast<size_t>(height), 0);
    for (size_t y = 0; y < static_cast<size_t>(height); ++y) {
        const std::uint8_t* row = bits.data() + y * stride;
        std::uint8_t* out = marks.data() + y * columns;
        for (size_t x = 0; x < columns; ++x) {
            out[x] = (row[x / 8] >> (7 - x % 8)) & 1;
        }
    }
    return marks;
}

bool PageImage::readPbm(const std::wstring& path, std::vector<std::uint8_t>& marks, int& width, int& height)
{
    PnmHeader header;
    if (!header.read(path) || !readPbm(path, header, marks)) {
        return false;
    }
    width = header.width;
    height = header.height;
    return true;
}

bool PageImage::load(const std::wstring& path)
{
    PnmHeader header;
    return header.read(path) && load(path, header);
}

bool PageImage::load(const std::wstring& path, const PnmHeader& header)
{
    // The pixels read straight into place: a rendered page is tens of megabytes, and a
    // copy of it costs as much as reading it.
    if ((header.kind != 5 && header.kind != 6) || header.maxValue != 255) {
        return false;
    }
    width = header.width;
    height = header.height;
    const size_t pixels = static_cast<size_t>(width) * static_cast<size_t>(height);
    const size_t channels = header.kind == 6 ? 3 : 1;
    rgb.resize(pixels * 3);
    if (!header.readPixels(path, rgb.data(), pixels * channels)) {
        return false;
    }
    if (channels == 1) {
        spreadGrey();
    }
    return true;
}

void PageImage::spreadGrey()
{
    // the same value in the three channels, spread from the end backwards in place
    const size_t pixels = static_cast<size_t>(width) * static_cast<size_t>(height);
    rgb.resize(pixels * 3);
    for (size_t i = pixels; i-- > 0;) {
        rgb[i * 3] = rgb[i * 3 + 1] = rgb[i * 3 + 2] = rgb[i];
    }
}

std::vector<std::uint8_t> PageImage::pack(const std::vector<std::uint8_t>& marks, int width, int height)
{
    const size_t rowBytes = static_cast<size_t>(width + 7) / 8;
    std::vector<std::uint8_t> bits(rowBytes * static_cast<size_t>(height), 0);
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* row = &marks[static_cast<size_t>(y) * static_cast<size_t>(width)];
        std::uint8_t* out = &bits[static_cast<size_t>(y) * rowBytes];
        for (int x = 0; x < width; x += 8) {
            std::uint8_t byte = 0;
            for (int bit = 0; bit < 8; ++bit) {
                byte = static_cast<std::uint8_t>(byte << 1 | (x + bit < width && row[x + bit] != 0 ? 1 : 0));
            }
            out[x / 8] = byte;
        }
    }
    return bits;
}

bool PageImage::writePackedPbm(const std::wstring& path, const std::vector<std::uint8_t>& bits, int width, int height)
{
    return writeAll(path, "P4\n" + std::to_string(width) + " " + std::to_string(height) + "\n", bits);
}

bool PageImage::writePbm(const std::wstring& path, const std::vector<std::uint8_t>& marks, int width, int height)
{
    return writePackedPbm(path, pack(marks, width, height), width, height);
}

bool PageImage::writeBackground(const std::wstring& path, const std::wstring& hiddenPath,
    const std::vector<std::uint8_t>& marks, int factor) const
{
    const int smallWidth = (width + factor - 1) / factor;
    const int smallHeight = (height + factor - 1) / factor;
    std::vector<std::uint8_t> small(static_cast<size_t>(smallWidth) * static_cast<size_t>(smallHeight) * 3, 255);
    std::vector<std::uint8_t> hidden(static_cast<size_t>(smallWidth) * static_cast<size_t>(smallHeight), 0);
    for (int by = 0; by < smallHeight; ++by) {
        for (int bx = 0; bx < smallWidth; ++bx) {
            unsigned sums[3] = {};
            unsigned count = 0;
            for (int y = by * factor; y < std::min(height, (by + 1) * factor); ++y) {
                for (int x = bx * factor; x < std::min(width, (bx + 1) * factor); ++x) {
                    const size_t index = static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x);
                    if (marks[index] == 0) {
                        for (int c = 0; c < 3; ++c) {
                            sums[c] += rgb[index * 3 + static_cast<size_t>(c)];
                        }
                        ++count;
                    }
                }
            }
            const size_t at = static_cast<size_t>(by) * static_cast<size_t>(smallWidth) + static_cast<size_t>(bx);
            hidden[at] = count == 0 ? 1 : 0;
            for (int c = 0; count > 0 && c < 3; ++c) {
                small[at * 3 + static_cast<size_t>(c)] = static_cast<std::uint8_t>(sums[c] / count);
            }
        }
    }
    return writeAll(path, "P6\n" + std::to_string(smallWidth) + " " + std::to_string(smallHeight) + "\n255\n", small)
        && writePbm(hiddenPath, hidden, smallWidth, smallHeight);
}

} // namespace reference
