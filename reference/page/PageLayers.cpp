#include "reference/page/PageLayers.h"

#include <algorithm>
#include <cstdlib>

namespace reference {

namespace {

constexpr int kTile = 32;            // pixels a side of the tiles judged for continuous tone
constexpr int kPaper = 250;          // every channel at least this: white paper
constexpr int kFaint = 232;          // a channel below this: a visible colour, not paper
constexpr int kSmallStep = 24;       // a step between neighbours this small is a tone, not an edge
constexpr int kBlackest = 64;        // every channel at most this: black
constexpr int kMinBackground = 64;   // fewer pixels than this left over are specks, not a background
constexpr std::uint16_t kPaperKey = 0xFFFF;

int luminance(const std::uint8_t* pixel)
{
    return (pixel[0] * 299 + pixel[1] * 587 + pixel[2] * 114) / 1000;
}

bool isPaper(const std::uint8_t* pixel)
{
    return pixel[0] >= kPaper && pixel[1] >= kPaper && pixel[2] >= kPaper;
}

int step(const std::uint8_t* a, const std::uint8_t* b)
{
    return std::max(std::max(std::abs(a[0] - b[0]), std::abs(a[1] - b[1])), std::abs(a[2] - b[2]));
}

// Tiles where one pixel in ten steps to a neighbour by a small amount (a photograph, a
// gradient), widened by one tile so that a picture's edges go with it.
std::vector<std::uint8_t> continuousToneTiles(const PageImage& page, int tilesX, int tilesY)
{
    const int w = page.width;
    const int h = page.height;
    std::vector<int> tones(static_cast<size_t>(tilesX) * static_cast<size_t>(tilesY), 0);
    for (int y = 0; y < h; ++y) {
        const std::uint8_t* row = &page.rgb[static_cast<size_t>(y) * static_cast<size_t>(w) * 3];
        const std::uint8_t* below = y + 1 < h ? row + static_cast<size_t>(w) * 3 : nullptr;
        int* tileRow = &tones[static_cast<size_t>(y / kTile) * static_cast<size_t>(tilesX)];
        for (int x = 0; x < w; ++x) {
            const std::uint8_t* pixel = row + static_cast<size_t>(x) * 3;
            const std::uint8_t* under = below != nullptr ? below + static_cast<size_t>(x) * 3 : pixel;
            if (x + 1 < w && std::equal(pixel, pixel + 3, pixel + 3) && std::equal(pixel, pixel + 3, under)) {
                continue; // the common case: paper or the inside of a mark
            }
            const int right = x + 1 < w ? step(pixel, pixel + 3) : 0;
            const int down = step(pixel, under);
            if ((right > 0 && right <= kSmallStep) || (down > 0 && down <= kSmallStep)) {
                ++tileRow[x / kTile];
            }
        }
    }
    std::vector<std::uint8_t> picture(tones.size(), 0);
    for (int ty = 0; ty < tilesY; ++ty) {
        for (int tx = 0; tx < tilesX; ++tx) {
            const int pixels = (std::min(w, (tx + 1) * kTile) - tx * kTile) * (std::min(h, (ty + 1) * kTile) - ty * kTile);
            if (tones[static_cast<size_t>(ty) * static_cast<size_t>(tilesX) + static_cast<size_t>(tx)] * 10 < pixels) {
                continue;
            }
            for (int ny = std::max(0, ty - 1); ny <= std::min(tilesY - 1, ty + 1); ++ny) {
                for (int nx = std::max(0, tx - 1); nx <= std::min(tilesX - 1, tx + 1); ++nx) {
                    picture[static_cast<size_t>(ny) * static_cast<size_t>(tilesX) + static_cast<size_t>(nx)] = 1;
                }
            }
        }
    }
    return picture;
}

// A filled area's colour between the letters on it (gaps narrower than the squares) is
// the area too: pixels of a colour filled in their tile or the next ones.
void widenFilledAreas(const std::vector<std::uint16_t>& keys, int w, int h, std::vector<std::uint8_t>& filled)
{
    constexpr int kKeysPerTile = 4;
    const int tilesX = (w + kTile - 1) / kTile;
    const int tilesY = (h + kTile - 1) / kTile;
    std::vector<std::uint16_t> tileKeys(static_cast<size_t>(tilesX) * static_cast<size_t>(tilesY) * kKeysPerTile, kPaperKey);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const size_t i = static_cast<size_t>(y) * static_cast<size_t>(w) + static_cast<size_t>(x);
            if (!filled[i]) {
                continue;
            }
            std::uint16_t* slots = &tileKeys[(static_cast<size_t>(y / kTile) * static_cast<size_t>(tilesX)
                + static_cast<size_t>(x / kTile)) * kKeysPerTile];
            for (int k = 0; k < kKeysPerTile && slots[k] != keys[i]; ++k) {
                if (slots[k] == kPaperKey) {
                    slots[k] = keys[i];
                    break;
                }
            }
        }
    }
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const size_t i = static_cast<size_t>(y) * static_cast<size_t>(w) + static_cast<size_t>(x);
            if (filled[i] || keys[i] == kPaperKey) {
                continue;
            }
            const int tx = x / kTile;
            const int ty = y / kTile;
            for (int ny = std::max(0, ty - 1); ny <= std::min(tilesY - 1, ty + 1) && !filled[i]; ++ny) {
                for (int nx = std::max(0, tx - 1); nx <= std::min(tilesX - 1, tx + 1) && !filled[i]; ++nx) {
                    const std::uint16_t* slots = &tileKeys[(static_cast<size_t>(ny) * static_cast<size_t>(tilesX)
                        + static_cast<size_t>(nx)) * kKeysPerTile];
                    filled[i] = std::find(slots, slots + kKeysPerTile, keys[i]) != slots + kKeysPerTile ? 1 : 0;
                }
            }
        }
    }
}

std::uint16_t colourKey(const std::uint8_t* pixel)
{
    return isPaper(pixel) ? kPaperKey
                          : static_cast<std::uint16_t>(((pixel[0] >> 3) << 10) | ((pixel[1] >> 3) << 5) | (pixel[2] >> 3));
}

// Filled areas, found on every second pixel each way (a quarter of the work): every pixel
// of a square of 2 * radius + 1 pixels a side that holds one colour (at 5 bits a
// channel) other than paper.
struct FilledAreas {
    int width = 0;
    int height = 0;
    std::vector<std::uint16_t> keys;
    std::vector<std::uint8_t> filled;
    // True when the page's pixel at x, y has the colour of a filled area there (its own
    // sample or the next one each way: an area may start on an odd pixel).
    bool holds(const std::uint8_t* pixel, int x, int y) const
    {
        const std::uint16_t key = colourKey(pixel);
        for (int down = y / 2; down <= std::min(height - 1, (y + 1) / 2); ++down) {
            for (int across = x / 2; across <= std::min(width - 1, (x + 1) / 2); ++across) {
                const size_t at = static_cast<size_t>(down) * static_cast<size_t>(width) + static_cast<size_t>(across);
                if (filled[at] && key == keys[at]) {
                    return true;
                }
            }
        }
        return false;
    }
};

FilledAreas filledAreas(const PageImage& page, int radius)
{
    const int w = (page.width + 1) / 2;
    const int h = (page.height + 1) / 2;
    const size_t pixels = static_cast<size_t>(w) * static_cast<size_t>(h);
    const int side = 2 * radius + 1;
    FilledAreas areas;
    areas.width = w;
    areas.height = h;
    std::vector<std::uint16_t>& keys = areas.keys;
    keys.resize(pixels);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            keys[static_cast<size_t>(y) * static_cast<size_t>(w) + static_cast<size_t>(x)]
                = colourKey(&page.rgb[(static_cast<size_t>(y * 2) * static_cast<size_t>(page.width) + static_cast<size_t>(x * 2)) * 3]);
        }
    }
    // Across: a pixel whose row holds its colour radius pixels each way.
    std::vector<std::uint8_t> across(pixels, 0);
    for (int y = 0; y < h; ++y) {
        const size_t base = static_cast<size_t>(y) * static_cast<size_t>(w);
        for (int start = 0; start < w;) {
            int end = start;
            while (end < w && keys[base + static_cast<size_t>(end)] == keys[base + static_cast<size_t>(start)]) {
                ++end;
            }
            if (keys[base + static_cast<size_t>(start)] != kPaperKey && end - start >= side) {
                std::fill(across.begin() + static_cast<std::ptrdiff_t>(base) + start + radius,
                    across.begin() + static_cast<std::ptrdiff_t>(base) + end - radius, std::uint8_t{1});
            }
            start = end;
        }
    }
    // Down the columns (row by row, a run length per column): the centres of the squares,
    // then each centre's square, marked by rows.
    std::vector<std::uint8_t>& filled = areas.filled;
    filled.assign(pixels, 0);
    std::vector<int> run(static_cast<size_t>(w), 0);
    std::vector<int> reach(static_cast<size_t>(w), -1); // last row a square reaches, per column
    std::vector<int> rowMarks(static_cast<size_t>(w) + 1);
    for (int y = 0; y < h; ++y) {
        std::fill(rowMarks.begin(), rowMarks.end(), 0);
        for (int x = 0; x < w; ++x) {
            const size_t i = static_cast<size_t>(y) * static_cast<size_t>(w) + static_cast<size_t>(x);
            const bool same = y > 0 && keys[i] == keys[i - static_cast<size_t>(w)];
            run[static_cast<size_t>(x)] = across[i] ? (same ? run[static_cast<size_t>(x)] + 1 : 1) : 0;
            if (run[static_cast<size_t>(x)] >= side) {
                // The square centred radius rows up covers columns x - radius..x + radius,
                // rows y - side + 1..y.
                ++rowMarks[static_cast<size_t>(std::max(0, x - radius))];
                --rowMarks[static_cast<size_t>(std::min(w, x + radius + 1))];
            }
        }
        // Columns covered by a square ending on this row reach up side - 1 rows.
        int covered = 0;
        for (int x = 0; x < w; ++x) {
            covered += rowMarks[static_cast<size_t>(x)];
            if (covered > 0) {
                for (int up = std::max({0, y - side + 1, reach[static_cast<size_t>(x)] + 1}); up <= y; ++up) {
                    filled[static_cast<size_t>(up) * static_cast<size_t>(w) + static_cast<size_t>(x)] = 1;
                }
                reach[static_cast<size_t>(x)] = y;
            }
        }
    }
    widenFilledAreas(keys, w, h, filled);
    return areas;
}

// Light text on a dark fill (a heading on a coloured bar, a listing on a dark ground):
// paper-white pixels with a dark fill, not black, close on all four sides (paper merely
// between coloured shapes is open on some side). They are marks in their own colour, so
// their edges stay as sharp as the page's other marks instead of going to the subsampled
// background with the fill.
class LightOnDarkFill {
public:
    LightOnDarkFill(const FilledAreas& areas, int threshold, int dpi)
        : width_(areas.width), reach_(std::max(4, dpi / 8))
    {
        std::vector<std::uint8_t> dark(areas.filled.size(), 0);
        for (size_t at = 0; at < dark.size(); ++at) {
            const std::uint16_t key = areas.keys[at];
            if (!areas.filled[at] || key == kPaperKey) {
                continue;
            }
            const std::uint8_t colour[3] = {static_cast<std::uint8_t>((key >> 10 & 31) << 3),
                static_cast<std::uint8_t>((key >> 5 & 31) << 3), static_cast<std::uint8_t>((key & 31) << 3)};
            if (luminance(colour) < threshold && std::max({colour[0], colour[1], colour[2]}) > kBlackest) {
                dark[at] = 1;
                any_ = true;
            }
        }
        if (!any_) {
            return;
        }
        // Each sample counts the sides on which a dark sample lies within reach with only
        // paper between: one pass each way along the rows, and down and up the rows with a
        // distance per column (row by row, as the samples lie in memory).
        sides_.assign(dark.size(), 0);
        const auto step = [&](size_t at, int& distance) {
            sides_[at] += distance <= reach_ ? 1 : 0;
            distance = dark[at] ? 1 : areas.keys[at] == kPaperKey && distance <= reach_ ? distance + 1 : kFar;
        };
        const size_t w = static_cast<size_t>(areas.width);
        const size_t h = static_cast<size_t>(areas.height);
        for (size_t y = 0; y < h; ++y) {
            int distance = kFar;
            for (size_t x = 0; x < w; ++x) {
                step(y * w + x, distance);
            }
            distance = kFar;
            for (size_t x = w; x-- > 0;) {
                step(y * w + x, distance);
            }
        }
        std::vector<int> columns(w, kFar);
        for (size_t y = 0; y < h; ++y) {
            for (size_t x = 0; x < w; ++x) {
                step(y * w + x, columns[x]);
            }
        }
        std::fill(columns.begin(), columns.end(), kFar);
        for (size_t y = h; y-- > 0;) {
            for (size_t x = 0; x < w; ++x) {
                step(y * w + x, columns[x]);
            }
        }
    }

    // The page's pixel at x, y lies on such a fill's light inside.
    bool holds(int x, int y) const
    {
        return any_ && sides_[static_cast<size_t>(y / 2) * static_cast<size_t>(width_) + static_cast<size_t>(x / 2)] == 4;
    }

private:
    static constexpr int kFar = 1 << 20;
    int width_;
    int reach_;
    bool any_ = false;
    std::vector<std::uint8_t> sides_; // per sample: sides with a dark fill close by
};

// True when the page holds pictures and nothing else (a scanned page): no more than a
// speck of anything but paper lies outside its areas of continuous tone.
bool imageOnly(const PageImage& page, const std::vector<std::uint8_t>& picture, int tilesX)
{
    size_t outside = 0;
    bool any = false;
    for (int y = 0; y < page.height; ++y) {
        const std::uint8_t* tileRow = &picture[static_cast<size_t>(y / kTile) * static_cast<size_t>(tilesX)];
        for (int x = 0; x < page.width; ++x) {
            if (tileRow[x / kTile]) {
                any = true;
            } else if (!isPaper(&page.rgb[(static_cast<size_t>(y) * static_cast<size_t>(page.width) + static_cast<size_t>(x)) * 3])
                && ++outside >= static_cast<size_t>(kMinBackground)) {
                return false;
            }
        }
    }
    return any;
}

} // namespace

PageLayers separateLayers(const PageImage& page, int thresholdLevel, int dpi, bool imageOnlySeparated)
{
    // Most pages rendered in colour hold black on white only (a black the colour profile
    // made a little grey): every pixel that is not paper is a mark.
    PageLayers layers;
    const size_t pixels = page.rgb.size() / 3;
    layers.marks.assign(pixels, 0);
    bool blackOnWhite = true;
    for (size_t i = 0; i < pixels && blackOnWhite; ++i) {
        const std::uint8_t* pixel = &page.rgb[i * 3];
        layers.marks[i] = isPaper(pixel) ? 0 : 1;
        blackOnWhite = !layers.marks[i] || std::max({pixel[0], pixel[1], pixel[2]}) <= kBlackest;
    }
    if (blackOnWhite) {
        return layers;
    }
    const int threshold = thresholdLevel * 255 / 100;
    const int tilesX = (page.width + kTile - 1) / kTile;
    const int tilesY = (page.height + kTile - 1) / kTile;
    const std::vector<std::uint8_t> picture = continuousToneTiles(page, tilesX, tilesY);
    const FilledAreas filled = filledAreas(page, std::max(1, dpi / 100));
    const LightOnDarkFill lightOnDark(filled, threshold, dpi);
    std::fill(layers.marks.begin(), layers.marks.end(), std::uint8_t{0});
    const bool darkInPictures = imageOnlySeparated && imageOnly(page, picture, tilesX);
    size_t leftOver = 0;
    for (int y = 0; y < page.height; ++y) {
        const std::uint8_t* tileRow = &picture[static_cast<size_t>(y / kTile) * static_cast<size_t>(tilesX)];
        for (int x = 0; x < page.width; ++x) {
            const size_t i = static_cast<size_t>(y) * static_cast<size_t>(page.width) + static_cast<size_t>(x);
            const std::uint8_t* pixel = &page.rgb[i * 3];
            if (isPaper(pixel)) {
                layers.marks[i] = !tileRow[x / kTile] && lightOnDark.holds(x, y) ? 1 : 0;
                continue;
            }
            const bool dark = luminance(pixel) < threshold;
            bool mark = false;
            bool kept = true; // by the marks or the background; a faint speck is paper
            if (tileRow[x / kTile]) {
                mark = darkInPictures && dark;
            } else if (filled.holds(pixel, x, y)) {
                mark = std::max({pixel[0], pixel[1], pixel[2]}) <= kBlackest;
            } else {
                mark = dark || std::min({pixel[0], pixel[1], pixel[2]}) < kFaint;
                kept = mark;
            }
            layers.marks[i] = mark ? 1 : 0;
            leftOver += kept && !mark ? 1 : 0;
        }
    }
    layers.background = leftOver >= kMinBackground;
    return layers;
}

} // namespace reference
