#include "reference/djvu/ShapeStandIns.h"

#include <algorithm>
#include <cstdlib>

namespace reference {

namespace {

int blackPixels(const Bitmap& bitmap)
{
    return static_cast<int>(std::count(bitmap.pixels.begin(), bitmap.pixels.end(), 1));
}

std::uint64_t sizeKey(int width, int height)
{
    return static_cast<std::uint64_t>(static_cast<std::uint32_t>(width)) << 32 | static_cast<std::uint32_t>(height);
}

// How two shapes differ with the reference's top left corner at (offsetX, offsetY) from the
// shape's: the pixels that differ (counting to limit at most), and whether any of them lies
// farther than a pixel from the other shape's black (a stroke or a dot more or less, not
// an edge drawn a pixel further out).
struct Mismatch {
    int pixels = 0;
    bool far = false;
};

Mismatch mismatch(const Bitmap& shape, const Bitmap& reference, int offsetX, int offsetY, int limit)
{
    const int x0 = std::min(0, offsetX);
    const int y0 = std::min(0, offsetY);
    const int x1 = std::max(shape.width, offsetX + reference.width);
    const int y1 = std::max(shape.height, offsetY + reference.height);
    Mismatch result;
    for (int row = y0; row < y1 && !result.far; ++row) {
        for (int column = x0; column < x1; ++column) {
            const int own = shape.at(row, column);
            const int other = reference.at(row - offsetY, column - offsetX);
            if (own == other) {
                continue;
            }
            if (++result.pixels > limit) {
                return result;
            }
            // The black pixel of one must touch the other's black.
            bool near = false;
            for (int dy = -1; dy <= 1 && !near; ++dy) {
                for (int dx = -1; dx <= 1 && !near; ++dx) {
                    near = own != 0 ? reference.at(row + dy - offsetY, column + dx - offsetX) != 0
                                    : shape.at(row + dy, column + dx) != 0;
                }
            }
            if (!near) {
                result.far = true;
                break;
            }
        }
    }
    return result;
}

} // namespace

MarkLoss MarkLoss::forLevel(const std::string& level, int dpi)
{
    MarkLoss loss;
    if (level == "lossless") {
        return loss;
    }
    // Specks: at most a 150th of an inch a side (2 pixels at 300 dpi), too small for a dot.
    loss.speckSide = std::max(1, dpi / 150);
    // Moves: in 300ths of an inch, none at resolutions where a pixel is larger.
    if (level == "conservative") {
        loss.sizeChange = 1;
        loss.errorShare = 40;
    } else if (level == "lossy") {
        loss.sizeChange = 1;
        loss.errorShare = 80;
        loss.moveAcross = dpi / 300;
        loss.moveUpDown = dpi / 300;
    } else if (level == "aggressive") {
        loss.sizeChange = 2;
        loss.errorShare = 150;
        loss.moveAcross = 2 * dpi / 300;
        loss.moveUpDown = dpi / 300;
    }
    return loss;
}

void StandIns::add(const Bitmap& shape, int index)
{
    bySize_[sizeKey(shape.width, shape.height)].push_back({index, blackPixels(shape)});
}

int StandIns::find(const Bitmap& bitmap, const std::vector<Bitmap>& shapes, int& left, int& top) const
{
    const int black = blackPixels(bitmap);
    int best = black * loss_.errorShare / 1000 + 1; // differing pixels allowed, plus one
    int found = -1;
    int foundX = 0;
    int foundY = 0;
    const int change = loss_.sizeChange;
    for (int dw = -change; dw <= change; ++dw) {
        for (int dh = -change; dh <= change; ++dh) {
            const auto list = bySize_.find(sizeKey(bitmap.width + dw, bitmap.height + dh));
            if (list == bySize_.end()) {
                continue;
            }
            // The latest shapes of a size first, and not too many of them.
            int looked = 0;
            for (auto entry = list->second.rbegin(); entry != list->second.rend() && looked < 32; ++entry) {
                const Bitmap& candidate = shapes[entry->index];
                const int candidateBlack = entry->black;
                if (std::abs(candidateBlack - black) >= best) {
                    continue;
                }
                ++looked;
                const int limit = std::min(best, std::min(black, candidateBlack) * loss_.errorShare / 1000 + 1);
                const int centreX = (bitmap.width - candidate.width) / 2;
                const int centreY = (bitmap.height - candidate.height) / 2;
                for (int y = centreY - 1; y <= centreY + 1; ++y) {
                    for (int x = centreX - 1; x <= centreX + 1; ++x) {
                        const Mismatch m = mismatch(bitmap, candidate, x, y, limit - 1);
                        if (m.pixels < limit && !m.far && m.pixels < best) {
                            best = m.pixels;
                            found = entry->index;
                            foundX = x;
                            foundY = y;
                        }
                    }
                }
            }
        }
    }
    if (found >= 0) {
        left += foundX;
        top += foundY;
    }
    return found;
}

} // namespace reference
