// A rendered page (binary PPM or PGM from the renderer) and what the encoders need of it:
// whether it is bitonal, its black-and-white mask, a subsampled background and the
// foreground colours.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct PageImage {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgb; // width * height * 3

    bool load(const std::wstring& path);
    // True when nearly every pixel is close to black or white (text, line art), so a
    // bitonal coder keeps the page; a picture or shades make it false.
    bool isBitonal() const;
    // Pixels darker than the threshold (1..100: percent of full brightness) are marks.
    std::vector<bool> mask(int thresholdLevel) const;
    // True when every mark is black or grey (no coloured text).
    bool marksAreBlack(const std::vector<bool>& mask) const;
    // Writes the mask as binary PBM.
    static bool writePbm(const std::wstring& path, const std::vector<bool>& mask, int width, int height);
    // The page shrunk by factor (1..6), marks replaced by the colour around them, as PPM.
    bool writeBackground(const std::wstring& path, const std::vector<bool>& mask, int factor) const;
    // Foreground colour zones for the encoder's FGbz chunk ("#rrggbb:x,y,w,h..."), at
    // most maxColours distinct colours; coordinates from the bottom-left corner.
    std::string foregroundZones(const std::vector<bool>& mask, int maxColours) const;
};
