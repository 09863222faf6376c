// Writes DjVu's bitonal data (JB2): a shape dictionary shared by several pages (the
// data of a Djbz chunk) and the pages that take shapes from it (Sjbz). A page is a set of
// shapes placed on it ("blits"); a shape is coded directly or as a refinement of a
// similar shape coded before, and a shape placed again costs only its index and place.
#pragma once

#include "reference/djvu/ZpEncoder.h"

#include <cstdint>
#include <string>
#include <vector>

namespace reference {

// A black-and-white picture, row by row from the top; 1 is black.
struct Bitmap {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> pixels;

    int at(int row, int column) const
    {
        return row < 0 || row >= height || column < 0 || column >= width ? 0 : pixels[row * width + column];
    }
};

class Jb2Encoder {
public:
    // A page of width by height that takes the dictionary's shapes (none for a page
    // without one); an empty page size makes the dictionary itself.
    Jb2Encoder(int width, int height, const std::vector<const Bitmap*>& inherited);

    // Codes a new shape, directly (parent -1) or as a refinement of the library's shape
    // parent, which must have nearly its size, and places it with its top left corner at
    // (left, top) unless this is the dictionary. Returns its library index. The shape
    // must not have empty rows or columns at its edges, and must outlive the encoder (as
    // must the inherited ones): the library refers to it.
    int add(const Bitmap& shape, int parent, int left = 0, int top = 0);
    // Places the library's shape again.
    void place(int shape, int left, int top);
    // Lets shapes move up to this many pixels across and up or down from where they are
    // placed on a text row when their place then takes fewer bits (0: none).
    void allowMoves(int across, int upDown)
    {
        moveAcross_ = across;
        moveUpDown_ = upDown;
    }
    int librarySize() const { return static_cast<int>(library_.size()); }
    const Bitmap& shape(int index) const { return *library_[index]; }
    // Ends the data and returns it.
    std::string finish();

private:
    void codeNum(int value, int low, int high, int& root);
    // What coding the number would cost now, in sixteenths of a bit.
    int numberCost(int value, int low, int high, int root) const;
    void codeRecordType(int type);
    void codeLocation(int left, int top, int rows, int columns);
    void codeDirectly(const Bitmap& shape);
    void codeRefinement(const Bitmap& shape, const Bitmap& reference);
    void resetIfFull();

    ZpEncoder zp_;
    int width_;
    int height_;
    bool dictionary_;
    std::vector<const Bitmap*> library_;

    // The number coder's binary tree of contexts: cell 0 is "not yet made".
    std::vector<std::uint8_t> cells_{0};
    std::vector<int> left_{0};
    std::vector<int> right_{0};
    int recordType_ = 0;
    int matchIndex_ = 0;
    int imageSize_ = 0;
    int inheritedCount_ = 0;
    int absoluteSizeX_ = 0;
    int absoluteSizeY_ = 0;
    int relativeSizeX_ = 0;
    int relativeSizeY_ = 0;
    int rowStartX_ = 0;
    int rowStartY_ = 0;
    int sameRowX_ = 0;
    int sameRowY_ = 0;
    std::uint8_t offsetType_ = 0;
    std::uint8_t refinementFlag_ = 0;
    std::uint8_t direct_[1024] = {};
    std::uint8_t cross_[2048] = {};

    // Where the last shape was placed (the format's bottom-up, one-based coordinates).
    int lastLeft_ = 0;
    int lastRowLeft_ = 0;
    int lastRowBottom_ = 0;
    int lastRight_ = 0;
    int lastBottom_ = 0;
    int bottoms_[3] = {};
    int bottomsAt_ = 0;
    int moveAcross_ = 0;
    int moveUpDown_ = 0;
};

} // namespace reference
