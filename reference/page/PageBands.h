// A page whose rendered image would take more temporary space than the budget: rendered
// in bands of rows within the budget, each band read into the page in memory and its
// file removed as soon as it is complete.
#pragma once

#include "reference/page/PageImage.h"

#include <cstdint>
#include <string>
#include <vector>

namespace reference {

// Temporary space a rendered image may take: a page whose image (at three bytes a pixel,
// before its kind is known) would take more is rendered in bands. KORVELLO_IMAGE_BUDGET
// (bytes) sets another one, for tests at small resolutions.
unsigned long long imageBudget();

class PageBands {
public:
    PageBands(int width, int height, unsigned long long budget);

    bool done() const { return top_ >= height_; }
    int width() const { return width_; }
    int height() const { return height_; }
    // The rows of the next band: its first row and its height.
    int nextTop() const { return top_; }
    int nextHeight() const;
    // The height of the medium each band is rendered on (the last band's rows beyond the
    // page are left out).
    int bandRows() const { return bandRows_; }
    int bandsLeft() const { return (height_ - top_ + bandRows_ - 1) / bandRows_; }
    // The renderer's program for the next count bands: the page moved up by the rows
    // above each band (whole pixels, so the bands join without a seam). With more than
    // one, the page is shown once a band and the bands are counted as they end.
    std::string shiftProgram(int count) const;
    // True when the band's file holds all its rows and no one holds it open for writing.
    bool complete(const std::wstring& path) const;
    // Appends the band's rendered file (PBM, PGM or PPM, as the renderer found the band)
    // to the page; false when it is not the band asked for.
    bool take(const std::wstring& path);

    // The joined page: bitonal when its pixels are all black or white (kind 4, packed as a
    // PBM holds it), else grey or colour as a PageImage (kind 5 or 6).
    int kind() const { return kind_; }
    std::vector<std::uint8_t> takeBits();
    PageImage takeImage();

private:
    void settleKind();

    int width_ = 0;
    int height_ = 0;
    int bandRows_ = 1;
    int top_ = 0;
    int kind_ = 4;
    std::vector<std::uint8_t> data_; // the rows so far, in the widest kind so far
};

} // namespace reference
