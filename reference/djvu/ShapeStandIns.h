// How far a page's marks may change to take fewer bytes (the foreground quality levels),
// and, for the levels that allow it, the shape already coded that may stand for a new one.
#pragma once

#include "reference/djvu/Jb2Encoder.h"

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

namespace reference {

// Lossless keeps every pixel; the other levels drop specks, and the lossy ones also place a
// shape already coded instead of one that differs from it only by a seam a pixel thin
// along its edges (more of them the further the level goes) and move shapes on a text row
// where their places then take fewer bits.
struct MarkLoss {
    int speckSide = 0;      // lone shapes that fit in a square of this side are dropped
    int sizeChange = 0;     // a shape may stand for one this many pixels wider or higher
    int errorShare = 0;     // its differing pixels, in thousandths of the shape's black ones
    int moveAcross = 0;     // shapes on a text row may move this many pixels across
    int moveUpDown = 0;     // and this many up or down when their places then take fewer bits

    bool substitutes() const { return errorShare > 0; }
    // The loss of the converter's --fg-quality level at the pages' resolution.
    static MarkLoss forLevel(const std::string& level, int dpi);
};

// The shapes that may stand for others, found by size.
class StandIns {
public:
    explicit StandIns(const MarkLoss& loss) : loss_(loss) {}

    // Takes the shape, index in shapes (as find is given them).
    void add(const Bitmap& shape, int index);
    // The index of the shape that stands best for the bitmap placed at (left, top), and
    // (left, top) moved to where it goes; -1 (and no move) when none is within the loss.
    int find(const Bitmap& bitmap, const std::vector<Bitmap>& shapes, int& left, int& top) const;

private:
    struct Entry {
        int index = 0;
        int black = 0; // its black pixels
    };
    MarkLoss loss_;
    std::unordered_map<std::uint64_t, std::vector<Entry>> bySize_;
};

} // namespace reference
