#include "PageImage.h"

#include <windows.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <map>

namespace {

int luminance(const std::uint8_t* pixel)
{
    return (pixel[0] * 299 + pixel[1] * 587 + pixel[2] * 114) / 1000;
}

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

} // namespace

bool PageImage::load(const std::wstring& path)
{
    const HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    LARGE_INTEGER size = {};
    GetFileSizeEx(file, &size);
    std::vector<std::uint8_t> data(static_cast<size_t>(size.QuadPart));
    DWORD read = 0;
    const bool ok = ReadFile(file, data.data(), static_cast<DWORD>(data.size()), &read, nullptr) && read == data.size();
    CloseHandle(file);
    size_t at = 2;
    int maxValue = 0;
    if (!ok || data.size() < 2 || data[0] != 'P' || (data[1] != '6' && data[1] != '5') || !headerNumber(data, at, width)
        || !headerNumber(data, at, height) || !headerNumber(data, at, maxValue) || maxValue != 255) {
        return false;
    }
    ++at; // the single blank after the header
    const size_t pixels = static_cast<size_t>(width) * static_cast<size_t>(height);
    const size_t channels = data[1] == '6' ? 3 : 1;
    if (data.size() - at < pixels * channels) {
        return false;
    }
    if (channels == 3) {
        rgb.assign(data.begin() + static_cast<std::ptrdiff_t>(at), data.begin() + static_cast<std::ptrdiff_t>(at + pixels * 3));
        return true;
    }
    rgb.resize(pixels * 3); // grey: the same value in the three channels
    for (size_t i = 0; i < pixels; ++i) {
        rgb[i * 3] = rgb[i * 3 + 1] = rgb[i * 3 + 2] = data[at + i];
    }
    return true;
}

bool PageImage::isBitonal() const
{
    size_t other = 0;
    const size_t pixels = rgb.size() / 3;
    for (size_t i = 0; i < pixels; ++i) {
        const std::uint8_t* pixel = &rgb[i * 3];
        const int low = std::min({pixel[0], pixel[1], pixel[2]});
        const int high = std::max({pixel[0], pixel[1], pixel[2]});
        // Coloured text (a blue link) is still text; only shades and pictures count.
        const int light = luminance(pixel);
        if (light > 48 && light < 208 && high - low < 200) {
            ++other;
        }
    }
    return other * 200 < pixels; // under half a percent
}

std::vector<bool> PageImage::mask(int thresholdLevel) const
{
    const int threshold = thresholdLevel * 255 / 100;
    const size_t pixels = rgb.size() / 3;
    std::vector<bool> marks(pixels);
    for (size_t i = 0; i < pixels; ++i) {
        marks[i] = luminance(&rgb[i * 3]) < threshold;
    }
    return marks;
}

bool PageImage::marksAreBlack(const std::vector<bool>& mask) const
{
    for (size_t i = 0; i < mask.size(); ++i) {
        const std::uint8_t* pixel = &rgb[i * 3];
        if (mask[i] && std::max({pixel[0], pixel[1], pixel[2]}) - std::min({pixel[0], pixel[1], pixel[2]}) > 64) {
            return false;
        }
    }
    return true;
}

bool PageImage::writePbm(const std::wstring& path, const std::vector<bool>& mask, int width, int height)
{
    const size_t rowBytes = static_cast<size_t>(width + 7) / 8;
    std::vector<std::uint8_t> bits(rowBytes * static_cast<size_t>(height), 0);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            if (mask[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)]) {
                bits[static_cast<size_t>(y) * rowBytes + static_cast<size_t>(x / 8)] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
            }
        }
    }
    return writeAll(path, "P4\n" + std::to_string(width) + " " + std::to_string(height) + "\n", bits);
}

bool PageImage::writeBackground(const std::wstring& path, const std::vector<bool>& mask, int factor) const
{
    const int smallWidth = (width + factor - 1) / factor;
    const int smallHeight = (height + factor - 1) / factor;
    std::vector<std::uint8_t> small(static_cast<size_t>(smallWidth) * static_cast<size_t>(smallHeight) * 3);
    for (int by = 0; by < smallHeight; ++by) {
        for (int bx = 0; bx < smallWidth; ++bx) {
            // Average of the block's unmarked pixels; of all of them when every one is marked.
            unsigned sums[2][3] = {};
            unsigned counts[2] = {};
            for (int y = by * factor; y < std::min(height, (by + 1) * factor); ++y) {
                for (int x = bx * factor; x < std::min(width, (bx + 1) * factor); ++x) {
                    const size_t index = static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x);
                    const int kind = mask[index] ? 1 : 0;
                    for (int c = 0; c < 3; ++c) {
                        sums[kind][c] += rgb[index * 3 + static_cast<size_t>(c)];
                    }
                    ++counts[kind];
                }
            }
            const int kind = counts[0] > 0 ? 0 : 1;
            std::uint8_t* out = &small[(static_cast<size_t>(by) * static_cast<size_t>(smallWidth) + static_cast<size_t>(bx)) * 3];
            for (int c = 0; c < 3; ++c) {
                out[c] = static_cast<std::uint8_t>(sums[kind][c] / std::max(1u, counts[kind]));
            }
        }
    }
    return writeAll(path, "P6\n" + std::to_string(smallWidth) + " " + std::to_string(smallHeight) + "\n255\n", small);
}

std::string PageImage::foregroundZones(const std::vector<bool>& mask, int maxColours) const
{
    // Average mark colour per tile; tiles large enough to keep the zone list short.
    const int tile = std::max(32, std::max(width, height) / 40);
    struct Zone {
        int x, y, w, h;
        unsigned colour;
    };
    std::vector<Zone> zones;
    std::map<unsigned, int> popularity;
    for (int ty = 0; ty < height; ty += tile) {
        for (int tx = 0; tx < width; tx += tile) {
            unsigned sums[3] = {};
            unsigned count = 0;
            for (int y = ty; y < std::min(height, ty + tile); ++y) {
                for (int x = tx; x < std::min(width, tx + tile); ++x) {
                    const size_t index = static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x);
                    if (mask[index]) {
                        for (int c = 0; c < 3; ++c) {
                            sums[c] += rgb[index * 3 + static_cast<size_t>(c)];
                        }
                        ++count;
                    }
                }
            }
            if (count == 0) {
                continue;
            }
            // Colours on a grid of 16 steps per channel, so near colours meet.
            unsigned colour = 0;
            for (int c = 0; c < 3; ++c) {
                colour = (colour << 8) | ((sums[c] / count) & 0xF0u);
            }
            const int w = std::min(tile, width - tx);
            const int h = std::min(tile, height - ty);
            zones.push_back({tx, height - ty - h, w, h, colour});
            ++popularity[colour];
        }
    }
    // Keep the most frequent colours; every other tile takes the nearest kept one.
    std::vector<std::pair<int, unsigned>> ranked;
    for (const auto& [colour, count] : popularity) {
        ranked.emplace_back(count, colour);
    }
    std::sort(ranked.rbegin(), ranked.rend());
    ranked.resize(std::min(ranked.size(), static_cast<size_t>(std::max(1, maxColours))));
    std::string text;
    char zone[64];
    for (auto& entry : zones) {
        unsigned best = 0;
        long bestDistance = -1;
        for (const auto& [count, colour] : ranked) {
            long distance = 0;
            for (int shift = 0; shift < 24; shift += 8) {
                const long d = static_cast<long>((entry.colour >> shift) & 0xFF) - static_cast<long>((colour >> shift) & 0xFF);
                distance += d * d;
            }
            if (bestDistance < 0 || distance < bestDistance) {
                bestDistance = distance;
                best = colour;
            }
        }
        std::snprintf(zone, sizeof(zone), "#%06x:%d,%d,%d,%d", best, entry.x, entry.y, entry.w, entry.h);
        text += zone;
    }
    return text.empty() ? std::string("#000000") : text;
}
