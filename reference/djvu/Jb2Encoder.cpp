#include "reference/djvu/Jb2Encoder.h"

#include <algorithm>

namespace reference {

namespace {

enum Record {
    kStartOfData = 0,
    kNewMark = 1,
    kNewMarkLibraryOnly = 2,
    kMatchedRefine = 4,
    kMatchedRefineLibraryOnly = 5,
    kMatchedCopy = 7,
    kRequiredDictOrReset = 9,
    kEndOfData = 11,
};

constexpr int kBigPositive = 262142;
constexpr int kBigNegative = -262143;
constexpr size_t kCellLimit = 20000; // the number coder starts afresh beyond this many contexts

} // namespace

Jb2Encoder::Jb2Encoder(int width, int height, const std::vector<const Bitmap*>& inherited)
    : width_(width), height_(height), dictionary_(width == 0 || height == 0), library_(inherited)
{
    if (!inherited.empty()) {
        codeRecordType(kRequiredDictOrReset);
        codeNum(static_cast<int>(inherited.size()), 0, kBigPositive, inheritedCount_);
    }
    codeRecordType(kStartOfData);
    codeNum(dictionary_ ? 0 : width_, 0, kBigPositive, imageSize_);
    codeNum(dictionary_ ? 0 : height_, 0, kBigPositive, imageSize_);
    zp_.encode(false, refinementFlag_); // no lossless refinement of the whole page follows
    lastLeft_ = dictionary_ ? 1 : width_ + 1;
    lastRowLeft_ = 0;
    lastRowBottom_ = dictionary_ ? 0 : height_;
    lastRight_ = 0;
    bottoms_[0] = bottoms_[1] = bottoms_[2] = lastRowBottom_;
    bottomsAt_ = 0;
}

// The decisions that code a number between low and high, bit by bit down a tree of
// contexts: first its sign, then its magnitude's order, then the bits within that order.
// visit(decision, coded) takes each step down the tree; a step is coded only when both
// ways remain possible.
template <typename Visit>
void walkNumber(int value, int low, int high, Visit&& visit)
{
    int cutoff = 0;
    for (int phase = 1, range = -1; range != 1;) {
        const bool decision = value >= cutoff;
        visit(decision, low < cutoff && high >= cutoff);
        switch (phase) {
        case 1:
            if (!decision) {
                value = -value - 1;
                const int temp = -low - 1;
                low = -high - 1;
                high = temp;
            }
            phase = 2;
            cutoff = 1;
            break;
        case 2:
            if (!decision) {
                phase = 3;
                range = (cutoff + 1) / 2;
                cutoff = range == 1 ? 0 : cutoff - range / 2;
            } else {
                cutoff += cutoff + 1;
            }
            break;
        default:
            range /= 2;
            if (range != 1) {
                cutoff += decision ? range / 2 : -(range / 2);
            } else if (!decision) {
                --cutoff;
            }
            break;
        }
    }
}

void Jb2Encoder::codeNum(int value, int low, int high, int& root)
{
    int parent = -1; // the cell whose child holds the next context; -1: root
    bool rightChild = false;
    auto slot = [&]() -> int& { return parent < 0 ? root : (rightChild ? right_[parent] : left_[parent]); };
    walkNumber(value, low, high, [&](bool decision, bool coded) {
        if (slot() == 0) {
            cells_.push_back(0);
            left_.push_back(0);
            right_.push_back(0);
            slot() = static_cast<int>(cells_.size()) - 1;
        }
        const int context = slot();
        if (coded) {
            zp_.encode(decision, cells_[context]);
        }
        parent = context;
        rightChild = decision;
    });
}

int Jb2Encoder::numberCost(int value, int low, int high, int root) const
{
    int cost = 0;
    int context = root; // 0: not made yet, and nothing below it either
    walkNumber(value, low, high, [&](bool decision, bool coded) {
        if (coded) {
            cost += ZpEncoder::cost(decision, cells_[context]);
        }
        context = context == 0 ? 0 : (decision ? right_[context] : left_[context]);
    });
    return cost;
}

void Jb2Encoder::codeRecordType(int type)
{
    codeNum(type, kStartOfData, kEndOfData, recordType_);
}

// The place of a shape relative to the one before: on the same text row, from its right
// edge and bottom; on a new row, from the start of the row before.
void Jb2Encoder::codeLocation(int leftColumn, int topRow, int rows, int columns)
{
    int left = leftColumn + 1;
    int bottom = height_ - (topRow + rows) + 1;
    if ((moveAcross_ > 0 || moveUpDown_ > 0) && left >= lastLeft_) {
        // On the same row: the cheapest place within the moves allowed (the unmoved one
        // unless another is cheaper).
        int best = numberCost(left - lastRight_, kBigNegative, kBigPositive, sameRowX_)
            + numberCost(bottom - lastBottom_, kBigNegative, kBigPositive, sameRowY_);
        int bestLeft = left;
        int bestBottom = bottom;
        for (int dx = -moveAcross_; dx <= moveAcross_; ++dx) {
            for (int dy = -moveUpDown_; dy <= moveUpDown_; ++dy) {
                if ((dx == 0 && dy == 0) || left + dx < std::max(lastLeft_, 1) || left + dx + columns - 1 > width_
                    || bottom + dy < 1 || bottom + dy + rows - 1 > height_) {
                    continue; // a new row, or off the page
                }
                const int cost = numberCost(left + dx - lastRight_, kBigNegative, kBigPositive, sameRowX_)
                    + numberCost(bottom + dy - lastBottom_, kBigNegative, kBigPositive, sameRowY_);
                if (cost < best) {
                    best = cost;
                    bestLeft = left + dx;
                    bestBottom = bottom + dy;
                }
            }
        }
        left = bestLeft;
        bottom = bestBottom;
    }
    const int right = left + columns - 1;
    const int top = bottom + rows - 1;
    const bool newRow = left < lastLeft_;
    zp_.encode(newRow, offsetType_);
    if (newRow) {
        codeNum(left - lastRowLeft_, kBigNegative, kBigPositive, rowStartX_);
        codeNum(top - lastRowBottom_, kBigNegative, kBigPositive, rowStartY_);
        lastLeft_ = lastRowLeft_ = left;
        lastRight_ = right;
        lastBottom_ = lastRowBottom_ = bottom;
        bottoms_[0] = bottoms_[1] = bottoms_[2] = bottom;
        bottomsAt_ = 0;
        return;
    }
    codeNum(left - lastRight_, kBigNegative, kBigPositive, sameRowX_);
    codeNum(bottom - lastBottom_, kBigNegative, kBigPositive, sameRowY_);
    lastLeft_ = left;
    lastRight_ = right;
    // The row's bottom is the median of its last three shapes' bottoms.
    bottomsAt_ = (bottomsAt_ + 1) % 3;
    bottoms_[bottomsAt_] = bottom;
    const int a = bottoms_[0];
    const int b = bottoms_[1];
    const int c = bottoms_[2];
    lastBottom_ = a >= b ? (a > c ? (b >= c ? b : c) : a) : (a < c ? (b >= c ? c : b) : a);
}

void Jb2Encoder::codeDirectly(const Bitmap& shape)
{
    for (int row = 0; row < shape.height; ++row) {
        for (int column = 0; column < shape.width; ++column) {
            const int context = shape.at(row - 2, column - 1) << 9 | shape.at(row - 2, column) << 8
                | shape.at(row - 2, column + 1) << 7 | shape.at(row - 1, column - 2) << 6
                | shape.at(row - 1, column - 1) << 5 | shape.at(row - 1, column) << 4
                | shape.at(row - 1, column + 1) << 3 | shape.at(row - 1, column + 2) << 2
                | shape.at(row, column - 2) << 1 | shape.at(row, column - 1);
            zp_.encode(shape.pixels[row * shape.width + column] != 0, direct_[context]);
        }
    }
}

// Each pixel against its neighbours already coded and the reference's pixels around the
// same place, the two pictures centred on each other.
void Jb2Encoder::codeRefinement(const Bitmap& shape, const Bitmap& reference)
{
    const int dw = shape.width;
    const int dh = shape.height;
    const int cw = reference.width;
    const int ch = reference.height;
    const int shiftX = (dw / 2 - dw + 1) - (cw / 2 - cw + 1);
    const int shiftY = (dh / 2 - dh + 1) - (ch / 2 - ch + 1); // rows counted from the bottom
    const int rowOffset = ch - dh - shiftY;
    for (int row = 0; row < dh; ++row) {
        const int r = row + rowOffset;
        for (int column = 0; column < dw; ++column) {
            const int c = column + shiftX;
            const int context = shape.at(row - 1, column - 1) << 10 | shape.at(row - 1, column) << 9
                | shape.at(row - 1, column + 1) << 8 | shape.at(row, column - 1) << 7 | reference.at(r - 1, c) << 6
                | reference.at(r, c - 1) << 5 | reference.at(r, c) << 4 | reference.at(r, c + 1) << 3
                | reference.at(r + 1, c - 1) << 2 | reference.at(r + 1, c) << 1 | reference.at(r + 1, c + 1);
            zp_.encode(shape.pixels[row * dw + column] != 0, cross_[context]);
        }
    }
}

void Jb2Encoder::resetIfFull()
{
    if (cells_.size() <= kCellLimit) {
        return;
    }
    codeRecordType(kRequiredDictOrReset);
    cells_.assign(1, 0);
    left_.assign(1, 0);
    right_.assign(1, 0);
    for (int* context : {&recordType_, &matchIndex_, &imageSize_, &inheritedCount_, &absoluteSizeX_, &absoluteSizeY_,
             &relativeSizeX_, &relativeSizeY_, &rowStartX_, &rowStartY_, &sameRowX_, &sameRowY_}) {
        *context = 0;
    }
}

int Jb2Encoder::add(const Bitmap& shape, int parent, int left, int top)
{
    if (parent < 0) {
        codeRecordType(dictionary_ ? kNewMarkLibraryOnly : kNewMark);
        codeNum(shape.width, 0, kBigPositive, absoluteSizeX_);
        codeNum(shape.height, 0, kBigPositive, absoluteSizeY_);
        codeDirectly(shape);
    } else {
        codeRecordType(dictionary_ ? kMatchedRefineLibraryOnly : kMatchedRefine);
        const Bitmap& reference = *library_[parent];
        codeNum(parent, 0, librarySize() - 1, matchIndex_);
        codeNum(shape.width - reference.width, kBigNegative, kBigPositive, relativeSizeX_);
        codeNum(shape.height - reference.height, kBigNegative, kBigPositive, relativeSizeY_);
        codeRefinement(shape, reference);
    }
    if (!dictionary_) {
        codeLocation(left, top, shape.height, shape.width);
    }
    library_.push_back(&shape);
    resetIfFull();
    return librarySize() - 1;
}

void Jb2Encoder::place(int shape, int left, int top)
{
    codeRecordType(kMatchedCopy);
    codeNum(shape, 0, librarySize() - 1, matchIndex_);
    codeLocation(left, top, library_[shape]->height, library_[shape]->width);
    resetIfFull();
}

std::string Jb2Encoder::finish()
{
    codeRecordType(kEndOfData);
    return zp_.finish();
}

} // namespace reference
