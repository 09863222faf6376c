#include "reference/page/MarkColours.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>

namespace reference {

namespace {

constexpr int kSmallest = 4;              // pixels a side of the smallest zone
constexpr int kOtherColour = 80;          // a channel this far from the mark's colour: another colour
constexpr int kBlackest = 64;             // every channel at most this: black
constexpr size_t kMaxZoneText = 24000;    // a Windows command line holds 32767 characters

struct Box {
    int x0, y0, x1, y1; // inclusive, rows from the top
    bool meets(const Box& other) const
    {
        return x0 <= other.x1 && other.x0 <= x1 && y0 <= other.y1 && other.y0 <= y1;
    }
    long long area() const { return static_cast<long long>(x1 - x0 + 1) * (y1 - y0 + 1); }
};

struct Mark {
    Box box;
    size_t first = 0; // its pixels in the list of all marks' pixels
    size_t count = 0;
    unsigned colour = 0; // 0xrrggbb
    bool black = true;
};

// The mark's colour: black when most of it is black, else the mean of its most frequent
// colour (at 5 bits a channel), so an outline of another colour does not tint it.
void judgeColour(const PageImage& page, const std::vector<std::uint32_t>& pixels, Mark& mark)
{
    size_t blackPixels = 0;
    std::vector<std::uint32_t> keys;
    keys.reserve(mark.count);
    for (size_t i = mark.first; i < mark.first + mark.count; ++i) {
        const std::uint8_t* pixel = &page.rgb[static_cast<size_t>(pixels[i]) * 3];
        blackPixels += std::max({pixel[0], pixel[1], pixel[2]}) <= kBlackest ? 1 : 0;
        keys.push_back(static_cast<std::uint32_t>(((pixel[0] >> 3) << 10) | ((pixel[1] >> 3) << 5) | (pixel[2] >> 3)));
    }
    if (blackPixels * 2 >= mark.count) {
        return;
    }
    std::sort(keys.begin(), keys.end());
    std::uint32_t best = keys.front();
    size_t bestRun = 0;
    for (size_t start = 0; start < keys.size();) {
        size_t end = start;
        while (end < keys.size() && keys[end] == keys[start]) {
            ++end;
        }
        if (end - start > bestRun) {
            bestRun = end - start;
            best = keys[start];
        }
        start = end;
    }
    unsigned sums[3] = {};
    for (size_t i = mark.first; i < mark.first + mark.count; ++i) {
        const std::uint8_t* pixel = &page.rgb[static_cast<size_t>(pixels[i]) * 3];
        if (static_cast<std::uint32_t>(((pixel[0] >> 3) << 10) | ((pixel[1] >> 3) << 5) | (pixel[2] >> 3)) == best) {
            for (int c = 0; c < 3; ++c) {
                sums[c] += pixel[c];
            }
        }
    }
    mark.colour = 0;
    for (int c = 0; c < 3; ++c) {
        mark.colour = (mark.colour << 8) | (sums[c] / static_cast<unsigned>(bestRun));
    }
    mark.black = false;
}

// The connected marks (8 neighbours), their pixels in pixels.
std::vector<Mark> connectedMarks(const PageImage& page, std::vector<std::uint8_t> marks, std::vector<std::uint32_t>& pixels)
{
    const int w = page.width;
    const int h = page.height;
    std::vector<Mark> found;
    for (size_t seed = 0; seed < marks.size(); ++seed) {
        if (marks[seed] != 1) {
            continue;
        }
        Mark mark;
        mark.first = pixels.size();
        mark.box = {w, h, -1, -1};
        marks[seed] = 2;
        pixels.push_back(static_cast<std::uint32_t>(seed));
        for (size_t next = mark.first; next < pixels.size(); ++next) {
            const int x = static_cast<int>(pixels[next] % static_cast<std::uint32_t>(w));
            const int y = static_cast<int>(pixels[next] / static_cast<std::uint32_t>(w));
            mark.box = {std::min(mark.box.x0, x), std::min(mark.box.y0, y), std::max(mark.box.x1, x), std::max(mark.box.y1, y)};
            for (int ny = std::max(0, y - 1); ny <= std::min(h - 1, y + 1); ++ny) {
                for (int nx = std::max(0, x - 1); nx <= std::min(w - 1, x + 1); ++nx) {
                    const size_t n = static_cast<size_t>(ny) * static_cast<size_t>(w) + static_cast<size_t>(nx);
                    if (marks[n] == 1) {
                        marks[n] = 2;
                        pixels.push_back(static_cast<std::uint32_t>(n));
                    }
                }
            }
        }
        mark.count = pixels.size() - mark.first;
        judgeColour(page, pixels, mark);
        found.push_back(mark);
    }
    return found;
}

// Colours beyond the maxColours most used take the nearest of those.
void limitColours(std::vector<Mark>& found, int maxColours)
{
    std::map<unsigned, size_t> use;
    for (const Mark& mark : found) {
        if (!mark.black) {
            use[mark.colour] += mark.count;
        }
    }
    std::vector<std::pair<size_t, unsigned>> ranked;
    for (const auto& [colour, count] : use) {
        ranked.emplace_back(count, colour);
    }
    if (ranked.size() <= static_cast<size_t>(maxColours)) {
        return;
    }
    std::sort(ranked.rbegin(), ranked.rend());
    ranked.resize(static_cast<size_t>(std::max(1, maxColours)));
    for (Mark& mark : found) {
        if (mark.black) {
            continue;
        }
        long best = -1;
        for (const auto& [count, colour] : ranked) {
            long distance = 0;
            for (int shift = 0; shift < 24; shift += 8) {
                const long d = static_cast<long>((mark.colour >> shift) & 0xFF) - static_cast<long>((colour >> shift) & 0xFF);
                distance += d * d;
            }
            if (best < 0 || distance < best) {
                best = distance;
                mark.colour = colour;
            }
        }
    }
}

// Boxes around the given pixels of a mark that meet no box of a mark of another colour:
// the pixels' box when it meets none, else the boxes of their four quarters, and so on
// down to a few pixels, which are left without a zone when they still meet one.
void tightZones(std::vector<std::uint32_t> pixels, int width, const std::vector<Box>& others, std::vector<Box>& zones)
{
    Box box{width, 1 << 30, -1, -1};
    for (const std::uint32_t pixel : pixels) {
        const int x = static_cast<int>(pixel % static_cast<std::uint32_t>(width));
        const int y = static_cast<int>(pixel / static_cast<std::uint32_t>(width));
        box = {std::min(box.x0, x), std::min(box.y0, y), std::max(box.x1, x), std::max(box.y1, y)};
    }
    if (std::none_of(others.begin(), others.end(), [&](const Box& other) { return other.meets(box); })) {
        zones.push_back(box);
        return;
    }
    if (box.x1 - box.x0 < kSmallest && box.y1 - box.y0 < kSmallest) {
        return; // left out: it would colour the smaller mark; the rest of this one's zones colour it
    }
    const int middleX = (box.x0 + box.x1) / 2;
    const int middleY = (box.y0 + box.y1) / 2;
    std::vector<std::uint32_t> quarters[4];
    for (const std::uint32_t pixel : pixels) {
        const int x = static_cast<int>(pixel % static_cast<std::uint32_t>(width));
        const int y = static_cast<int>(pixel / static_cast<std::uint32_t>(width));
        quarters[(x > middleX ? 1 : 0) + (y > middleY ? 2 : 0)].push_back(pixel);
    }
    pixels.clear();
    pixels.shrink_to_fit();
    for (auto& quarter : quarters) {
        if (!quarter.empty()) {
            tightZones(std::move(quarter), width, others, zones);
        }
    }
}

// The zones, smallest mark first: coloured marks and the black ones whose box meets a
// coloured one.
std::string zoneText(const PageImage& page, const std::vector<Mark>& found, const std::vector<std::uint32_t>& pixels,
    const std::vector<std::uint8_t>& marks, const std::vector<Box>& coloured)
{
    std::vector<const Mark*> zoned;
    for (const Mark& mark : found) {
        const bool near = !mark.black || std::any_of(coloured.begin(), coloured.end(),
            [&](const Box& box) { return box.meets(mark.box); });
        if (near) {
            zoned.push_back(&mark);
        }
    }
    std::stable_sort(zoned.begin(), zoned.end(), [](const Mark* a, const Mark* b) { return a->box.area() < b->box.area(); });
    std::string text;
    char zone[64];
    for (size_t at = 0; at < zoned.size(); ++at) {
        // The zones of smaller marks come first: this mark's zones must not meet them.
        const Mark* mark = zoned[at];
        std::vector<Box> others;
        for (size_t before = 0; before < at; ++before) {
            const Mark* other = zoned[before];
            if (other->colour != mark->colour && other->box.meets(mark->box)) {
                others.push_back(other->box);
            }
        }
        std::vector<std::uint32_t> kept;
        for (size_t i = mark->first; i < mark->first + mark->count; ++i) {
            if (marks[pixels[i]] != 0) {
                kept.push_back(pixels[i]);
            }
        }
        std::vector<Box> zones;
        if (!kept.empty()) {
            tightZones(std::move(kept), page.width, others, zones);
        }
        for (const Box& box : zones) {
            std::snprintf(zone, sizeof(zone), "#%06x:%d,%d,%d,%d", mark->colour, box.x0, page.height - 1 - box.y1,
                box.x1 - box.x0 + 1, box.y1 - box.y0 + 1);
            if (text.size() + std::strlen(zone) <= kMaxZoneText) {
                text += zone;
            }
        }
    }
    return text;
}

// Takes the mark's pixels of quite another colour than its own out of marks; true when
// there were some.
bool takeOutOtherColours(const PageImage& page, const Mark& mark, const std::vector<std::uint32_t>& pixels,
    std::vector<std::uint8_t>& marks)
{
    bool taken = false;
    for (size_t i = mark.first; i < mark.first + mark.count; ++i) {
        const std::uint8_t* pixel = &page.rgb[static_cast<size_t>(pixels[i]) * 3];
        for (int c = 0; c < 3; ++c) {
            const int own = static_cast<int>((mark.colour >> (16 - 8 * c)) & 0xFF);
            if (std::abs(pixel[c] - own) > kOtherColour) {
                marks[pixels[i]] = 0;
                taken = true;
                break;
            }
        }
    }
    return taken;
}

} // namespace

MarkColours colourMarks(const PageImage& page, std::vector<std::uint8_t>& marks, int maxColours)
{
    MarkColours result;
    bool allBlack = true;
    for (size_t i = 0; i < marks.size() && allBlack; ++i) {
        const std::uint8_t* pixel = &page.rgb[i * 3];
        allBlack = !marks[i] || std::max({pixel[0], pixel[1], pixel[2]}) <= kBlackest;
    }
    if (allBlack || maxColours <= 0) {
        return result;
    }
    std::vector<std::uint32_t> pixels;
    std::vector<Mark> found = connectedMarks(page, marks, pixels);
    std::vector<Box> coloured;
    for (const Mark& mark : found) {
        result.movedToBackground = takeOutOtherColours(page, mark, pixels, marks) || result.movedToBackground;
        if (!mark.black) {
            coloured.push_back(mark.box);
        }
    }
    if (coloured.empty()) {
        return result;
    }
    limitColours(found, maxColours);
    result.zones = zoneText(page, found, pixels, marks, coloured);
    return result;
}

} // namespace reference
