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
        value = value * 10 + (data[at++] - '0');
    }
    return true;
}

bool readAll(const std::wstring& path, std::vector<std::uint8_t>& data)
{
    const HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    LARGE_INTEGER size = {};
    GetFileSizeEx(file, &size);
    data.resize(static_cast<size_t>(size.QuadPart));
    DWORD read = 0;
    const bool ok = ReadFile(file, data.data(), static_cast<DWORD>(data.size()), &read, nullptr) && read == data.size();
    CloseHandle(file);
    return ok;
}

} // namespace

bool PageImage::readPbm(const std::wstring& path, std::vector<std::uint8_t>& marks, int& width, int& height)
{
    std::vector<std::uint8_t> data;
    size_t at = 2;
    if (!readAll(path, data) || data.size() < 2 || data[0] != 'P' || data[1] != '4' || !headerNumber(data, at, width)
        || !headerNumber(data, at, height) || width <= 0 || height <= 0) {
        return false;
    }
    ++at; // the single blank after the header
    const size_t stride = (static_cast<size_t>(width) + 7) / 8;
    if (data.size() - at < stride * static_cast<size_t>(height)) {
        return false;
    }
    marks.assign(static_cast<size_t>(width) * static_cast<size_t>(height), 0);
    for (size_t y = 0; y < static_cast<size_t>(height); ++y) {
        const std::uint8_t* row = data.data() + at + y * stride;
        std::uint8_t* out = marks.data() + y * static_cast<size_t>(width);
        for (size_t x = 0; x < static_cast<size_t>(width); ++x) {
            out[x] = (row[x / 8] >> (7 - x % 8)) & 1;
        }
    }
    return true;
}

bool PageImage::load(const std::wstring& path)
{
    // The header first, then the pixels read straight into place: a rendered page is tens
    // of megabytes, and a copy of it costs as much as reading it.
    const HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
        FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    std::vector<std::uint8_t> header(kHeaderBytes);
    DWORD read = 0;
    bool ok = ReadFile(file, header.data(), static_cast<DWORD>(header.size()), &read, nullptr) != FALSE;
    header.resize(ok ? read : 0);
    size_t at = 2;
    int maxValue = 0;
    ok = ok && header.size() >= 2 && header[0] == 'P' && (header[1] == '6' || header[1] == '5')
        && headerNumber(header, at, width) && headerNumber(header, at, height) && headerNumber(header, at, maxValue)
        && maxValue == 255 && at < header.size();
    ++at; // the single blank after the header
    const size_t pixels = ok ? static_cast<size_t>(width) * static_cast<size_t>(height) : 0;
    const size_t channels = ok && header[1] == '6' ? 3 : 1;
    LARGE_INTEGER size = {};
    ok = ok && GetFileSizeEx(file, &size) && static_cast<unsigned long long>(size.QuadPart) - at >= pixels * channels
        && pixels * channels <= 0xFFFFFFFFull;
    if (ok) {
        rgb.resize(pixels * 3);
        // What the header read took of the pixels, then the rest.
        const size_t taken = std::min(header.size() - at, pixels * channels);
        std::copy(header.begin() + static_cast<std::ptrdiff_t>(at), header.begin() + static_cast<std::ptrdiff_t>(at + taken),
            rgb.begin());
        const DWORD rest = static_cast<DWORD>(pixels * channels - taken);
        ok = rest == 0 || (ReadFile(file, rgb.data() + taken, rest, &read, nullptr) && read == rest);
    }
    CloseHandle(file);
    if (!ok) {
        return false;
    }
    if (channels == 1) {
        // grey: the same value in the three channels, spread from the end backwards in place
        for (size_t i = pixels; i-- > 0;) {
            rgb[i * 3] = rgb[i * 3 + 1] = rgb[i * 3 + 2] = rgb[i];
        }
    }
    return true;
}

bool PageImage::writePbm(const std::wstring& path, const std::vector<std::uint8_t>& marks, int width, int height)
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
    return writeAll(path, "P4\n" + std::to_string(width) + " " + std::to_string(height) + "\n", bits);
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
