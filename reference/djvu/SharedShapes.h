// Shapes shared by a group of pages: each page's marks cut into connected shapes, the
// shapes that recur on several pages of the group coded once in a dictionary that every
// page of the group includes, and each page coded as shapes taken from the dictionary, its
// own shapes (coded directly or as refinements of similar ones), and where they go.
// Losslessly the pages decode exactly to their marks; other levels change them as their
// MarkLoss allows.
#pragma once

#include "reference/djvu/Jb2Encoder.h"
#include "reference/djvu/ShapeStandIns.h"

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

namespace reference {

// The shapes of the page's marks: 8-connected groups of black pixels, each as a bitmap
// holding only its own pixels, with its top left corner on the page, in reading order.
struct PageShape {
    int left = 0;
    int top = 0;
    Bitmap bitmap;
};
std::vector<PageShape> cutIntoShapes(std::vector<std::uint8_t> marks, int width, int height, size_t limit);

class ShapeGroup {
public:
    explicit ShapeGroup(MarkLoss loss = {}) : loss_(loss), standIns_(loss) {}

    // Pages with more shapes than this (a dithered picture's dots) are left to the page
    // encoder, which merges them.
    static constexpr size_t kMaxShapesPerPage = 40000;

    // Cuts the page's marks (width * height, 1 for black) into shapes; false (and the page
    // not taken) when it has too many of them.
    bool addPage(std::vector<std::uint8_t> marks, int width, int height);
    int pageCount() const { return static_cast<int>(pages_.size()); }

    struct Encoded {
        std::string dictionary;         // Djbz data, empty when no shape recurs
        std::vector<std::string> pages; // Sjbz data of each page taken, in their order
    };
    Encoded encode() const;

private:
    struct Placed {
        int left = 0;
        int top = 0;
        int shape = 0; // index in shapes_
    };
    struct Page {
        int width = 0;
        int height = 0;
        std::vector<Placed> placed; // in reading order
    };

    // The index of the shape placed at (left, top), moved to where the shape standing for
    // it sits best when one does.
    int shapeIndex(Bitmap&& bitmap, int page, int& left, int& top);
    bool isSpeck(const PageShape& shape, const std::vector<std::uint8_t>& marks, int width, int height) const;

    MarkLoss loss_;

    std::vector<Bitmap> shapes_;
    std::vector<int> pagesUsing_; // of each shape, how many pages place it
    std::vector<int> lastPage_;   // of each shape, the last page that placed it
    std::vector<int> uses_;       // of each shape, how often it is placed
    std::unordered_multimap<std::uint64_t, int> byContent_;
    StandIns standIns_; // with a loss that substitutes: the shapes that may stand for others
    std::vector<Page> pages_;
};

} // namespace reference
