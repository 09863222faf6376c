#include "reference/page/PageBands.h"

#include <windows.h>

#include <algorithm>
#include <cstdlib>

namespace reference {

namespace {

constexpr unsigned long long kImageBudget = 112ull << 20;

size_t rowBytes(int kind, int width)
{
    const size_t columns = static_cast<size_t>(width);
    return kind == 4 ? (columns + 7) / 8 : kind == 5 ? columns : columns * 3;
}

// Rows of one kind as rows of a wider one (a PBM's black, bit 1, is 0 in grey and colour).
std::vector<std::uint8_t> widened(const std::vector<std::uint8_t>& rows, int from, int to, int width, size_t room)
{
    const size_t fromStride = rowBytes(from, width);
    const size_t toStride = rowBytes(to, width);
    const size_t channels = to == 6 ? 3 : 1;
    const size_t count = rows.size() / fromStride;
    std::vector<std::uint8_t> out;
    out.reserve(std::max(room, count * toStride));
    out.resize(count * toStride);
    for (size_t y = 0; y < count; ++y) {
        const std::uint8_t* row = rows.data() + y * fromStride;
        std::uint8_t* target = out.data() + y * toStride;
        for (size_t x = 0; x < static_cast<size_t>(width); ++x) {
            const std::uint8_t value = from == 4 ? (((row[x / 8] >> (7 - x % 8)) & 1) != 0 ? 0 : 255) : row[x];
            std::fill_n(target + x * channels, channels, value);
        }
    }
    return out;
}

} // namespace

unsigned long long imageBudget()
{
    wchar_t text[32] = {};
    if (GetEnvironmentVariableW(L"KORVELLO_IMAGE_BUDGET", text, 32) > 0 && std::wcstoull(text, nullptr, 10) > 0) {
        return std::wcstoull(text, nullptr, 10);
    }
    return kImageBudget;
}

PageBands::PageBands(int width, int height, unsigned long long budget) : width_(width), height_(height)
{
    const unsigned long long rows = budget / (rowBytes(6, width) == 0 ? 1 : rowBytes(6, width));
    bandRows_ = static_cast<int>(std::clamp<unsigned long long>(rows, 1, static_cast<unsigned long long>(height)));
}

int PageBands::nextHeight() const
{
    return std::min(bandRows_, height_ - top_);
}

std::string PageBands::shiftProgram(int count) const
{
    // The default matrix's vertical offset is moved by whole rows (an integer added to an
    // integer): a translation in points would be a fraction of a pixel off at some rows.
    // The page's own Install, if any, runs first. The bands shown so far are counted in
    // global memory, which the document's restore does not undo; Install also runs
    // after the last band.
    std::string shifts;
    for (int band = 0; band < std::max(count, 1); ++band) {
        shifts += ' ';
        shifts += std::to_string(height_ - bandRows_ - top_ - band * bandRows_);
    }
    std::string program = "currentglobal true setglobal /KorvelloBands 1 dict dup /shown 0 put def setglobal\n"
                          "/KorvelloShifts [" + shifts + " ] def\n"
                          "<< /Install [ currentpagedevice /Install get /exec load\n"
                          "    { matrix currentmatrix dup 5 2 copy get\n"
                          "      KorvelloShifts dup length 1 sub KorvelloBands /shown get min get add put setmatrix } /exec load\n"
                          "] cvx";
    if (count > 1) {
        program += "\n   /EndPage { exch pop 2 eq { false } { KorvelloBands dup /shown get 1 add /shown exch put true } ifelse }";
    }
    return program + " >> setpagedevice\n";
}

bool PageBands::complete(const std::wstring& path) const
{
    PnmHeader header;
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    if (!header.read(path) || header.width != width_ || !GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) {
        return false;
    }
    const unsigned long long size = (static_cast<unsigned long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    if (size < header.pixelsAt + rowBytes(header.kind, width_) * static_cast<unsigned long long>(header.height)) {
        return false;
    }
    // A renderer that still holds the file open for writing (a Windows process) lets no one
    // read it without sharing the writing, nor delete it: the band waits until it lets go.
    const HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    CloseHandle(file);
    return true;
}

bool PageBands::take(const std::wstring& path)
{
    PnmHeader header;
    if (!header.read(path) || header.width != width_ || header.height != bandRows_
        || (header.kind != 4 && header.maxValue != 255)) {
        return false;
    }
    // Only the rows on the page: the last band's medium reaches below it.
    const int rows = nextHeight();
    std::vector<std::uint8_t> band(rowBytes(header.kind, width_) * static_cast<size_t>(rows));
    if (!header.readPixels(path, band.data(), band.size())) {
        return false;
    }
    // Each band is written as the renderer found it: the page takes the widest kind.
    const size_t room = rowBytes(std::max(kind_, header.kind), width_) * static_cast<size_t>(height_);
    if (header.kind > kind_) {
        data_ = widened(data_, kind_, header.kind, width_, room);
        kind_ = header.kind;
    } else if (header.kind < kind_) {
        band = widened(band, header.kind, kind_, width_, 0);
    }
    data_.reserve(room);
    data_.insert(data_.end(), band.begin(), band.end());
    top_ += rows;
    if (done()) {
        settleKind();
    }
    return true;
}

// The renderer writes a page of black and white as a bitonal image by the colours it was
// asked for, and a band's run also sees the colours of pages before it and of the rows
// outside the band: the joined page is bitonal when its pixels are, as the page alone is.
void PageBands::settleKind()
{
    if (kind_ == 4) {
        return;
    }
    const size_t channels = kind_ == 6 ? 3 : 1;
    for (size_t at = 0; at < data_.size(); at += channels) {
        const std::uint8_t value = data_[at];
        if ((value != 0 && value != 255) || (channels == 3 && (data_[at + 1] != value || data_[at + 2] != value))) {
            return;
        }
    }
    const size_t stride = rowBytes(4, width_);
    std::vector<std::uint8_t> bits(stride * static_cast<size_t>(height_), 0);
    const size_t columns = static_cast<size_t>(width_);
    for (size_t y = 0; y < static_cast<size_t>(height_); ++y) {
        for (size_t x = 0; x < columns; ++x) {
            if (data_[(y * columns + x) * channels] == 0) {
                bits[y * stride + x / 8] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
            }
        }
    }
    data_ = std::move(bits);
    kind_ = 4;
}

std::vector<std::uint8_t> PageBands::takeBits()
{
    return kind_ == 4 ? std::move(data_) : std::vector<std::uint8_t>();
}

PageImage PageBands::takeImage()
{
    PageImage image;
    image.width = width_;
    image.height = height_;
    image.rgb = std::move(data_);
    if (kind_ == 5) {
        image.spreadGrey();
    }
    return image;
}

} // namespace reference
