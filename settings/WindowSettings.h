// What the progress windows remember per user, beside the conversion settings in the same
// key: a window's place and size (its normal rectangle at the DPI it was saved at, and
// whether it was maximised), its message list's column widths (at 96 DPI) and order,
// whether the converter runs in the background, and whether the end of a run is heard.
// Each window has its own values, named after it ("ProgressWindow", "QueueWindow").
// Everything is read leniently: a value missing or malformed counts as not stored.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

namespace settings {

inline constexpr wchar_t kBackgroundValue[] = L"ConvertInBackground";
inline constexpr wchar_t kSoundWhenDoneValue[] = L"SoundWhenDone";

struct WindowPlace {
    RECT normal = {};  // the restored rectangle, in screen pixels at dpi
    bool maximized = false;
    UINT dpi = 96;
};

struct ListColumns {
    std::vector<int> widths; // at 96 DPI
    std::vector<int> order;  // the columns' shown order
};

// The window's place, or nullopt when none is stored (or it is malformed).
std::optional<WindowPlace> readWindowPlace(const std::wstring& windowName);
void writeWindowPlace(const std::wstring& windowName, const WindowPlace& place);

// The columns of the window's list, or nullopt when none are stored for this many columns
// (or they are malformed: a width out of 0..4000, an order that is not a permutation).
std::optional<ListColumns> readListColumns(const std::wstring& windowName, size_t columnCount);
void writeListColumns(const std::wstring& windowName, const ListColumns& columns);

// Missing: false (the converter at normal priority).
bool readConvertInBackground();
void writeConvertInBackground(bool background);
// Missing: true (the outcome's sound is played).
bool readSoundWhenDone();

// Whether a rectangle lies on a monitor that exists now (any part of it).
bool onAnExistingMonitor(const RECT& rect);

} // namespace settings
