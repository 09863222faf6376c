// The DjVu format's limits and names, said once.
#pragma once

namespace reference {

// A page is at most this many pixels wide and high.
constexpr int kDjVuMaxSide = 32767;
// A page's resolution lies within these (dots per inch).
constexpr int kDjVuMinDpi = 25;
constexpr int kDjVuMaxDpi = 6000;
// Format version written in a page's INFO chunk, and its gamma (2.2) in tenths.
constexpr unsigned char kDjVuVersion = 24;
constexpr unsigned char kDjVuGamma = 22;

// Chunk ids: a file's magic and form, its form types, and the chunks written here.
constexpr const char* kMagicForm = "AT&TFORM";
constexpr const char* kFormPage = "DJVU";       // a page
constexpr const char* kFormShared = "DJVI";     // shared data included by pages
constexpr const char* kChunkInfo = "INFO";      // size, resolution, version
constexpr const char* kChunkShapes = "Djbz";    // a shape dictionary
constexpr const char* kChunkMarks = "Sjbz";     // the page's marks (JB2)
constexpr const char* kChunkInclude = "INCL";   // the id of an included file

} // namespace reference
