// A rendered page (binary PPM or PGM from the renderer) and the files the encoders take
// of it: its marks as a bitonal image and its subsampled background.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace reference {

// A rendered page's header: its kind, its size and where its pixels begin.
struct PnmHeader {
    int kind = 0; // 4 bitonal (PBM), 5 grey (PGM), 6 colour (PPM)
    int width = 0;
    int height = 0;
    int maxValue = 1;
    size_t pixelsAt = 0;

    // Reads the file's header; false when the file is no binary PNM.
    bool read(const std::wstring& path);
    // Reads size bytes of the file's pixels into out.
    bool readPixels(const std::wstring& path, std::uint8_t* out, size_t size) const;
};

struct PageImage {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgb; // width * height * 3

    // Reads a binary PPM or PGM whose header was read.
    bool load(const std::wstring& path, const PnmHeader& header);
    bool load(const std::wstring& path);
    // rgb holds width * height grey values at its start: each becomes a pixel of three.
    void spreadGrey();
    // Reads a binary PBM whose header was read as marks (1 for black).
    static bool readPbm(const std::wstring& path, const PnmHeader& header, std::vector<std::uint8_t>& marks);
    static bool readPbm(const std::wstring& path, std::vector<std::uint8_t>& marks, int& width, int& height);
    // Writes marks (1 for black) as binary PBM.
    static bool writePbm(const std::wstring& path, const std::vector<std::uint8_t>& marks, int width, int height);
    // Marks (one byte a pixel, 1 for black) packed eight pixels a byte, rows to whole
    // bytes, as a PBM holds them; and back.
    static std::vector<std::uint8_t> pack(const std::vector<std::uint8_t>& marks, int width, int height);
    static std::vector<std::uint8_t> unpack(const std::vector<std::uint8_t>& bits, int width, int height);
    static bool writePackedPbm(const std::wstring& path, const std::vector<std::uint8_t>& bits, int width, int height);
    // The page shrunk by factor (1..12), each pixel the mean of the unmarked ones it covers,
    // as PPM; and as PBM the pixels that cover marks only, whose value does not matter.
    bool writeBackground(const std::wstring& path, const std::wstring& hiddenPath, const std::vector<std::uint8_t>& marks,
        int factor) const;
};

} // namespace reference
