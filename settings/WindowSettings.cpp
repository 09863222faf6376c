#include "settings/WindowSettings.h"

#include <algorithm>
#include <cwchar>

#include "settings/SettingsStore.h"
#include "win/RegKey.h"

namespace settings {

namespace {

constexpr int kMaxColumnWidth = 4000;

// Comma-separated decimal numbers; nullopt for anything else.
std::optional<std::vector<long>> parseNumbers(const std::wstring& text)
{
    std::vector<long> numbers;
    const wchar_t* at = text.c_str();
    while (*at != L'\0') {
        wchar_t* end = nullptr;
        const long value = std::wcstol(at, &end, 10);
        if (end == at || (*end != L',' && *end != L'\0')) {
            return std::nullopt;
        }
        numbers.push_back(value);
        at = *end == L',' ? end + 1 : end;
    }
    return numbers;
}

std::wstring joinNumbers(const std::vector<long>& numbers)
{
    std::wstring text;
    for (size_t i = 0; i < numbers.size(); ++i) {
        if (i != 0) {
            text.push_back(L',');
        }
        text.append(std::to_wstring(numbers[i]));
    }
    return text;
}

std::optional<std::vector<long>> readNumbers(const std::wstring& name)
{
    const win::RegKey key = win::RegKey::open(HKEY_CURRENT_USER, settingsKeyPath());
    if (!key) {
        return std::nullopt;
    }
    const auto text = key.readString(name.c_str(), 256);
    return text ? parseNumbers(*text) : std::nullopt;
}

void writeNumbers(const std::wstring& name, const std::vector<long>& numbers)
{
    const win::RegKey key = win::RegKey::create(HKEY_CURRENT_USER, settingsKeyPath());
    if (key) {
        key.writeString(name.c_str(), joinNumbers(numbers));
    }
}

std::optional<DWORD> readDword(const wchar_t* name)
{
    const win::RegKey key = win::RegKey::open(HKEY_CURRENT_USER, settingsKeyPath());
    return key ? key.readDword(name) : std::nullopt;
}

} // namespace

std::optional<WindowPlace> readWindowPlace(const std::wstring& windowName)
{
    const auto numbers = readNumbers(windowName + L"Place");
    if (!numbers || numbers->size() != 6) {
        return std::nullopt;
    }
    const std::vector<long>& n = *numbers;
    WindowPlace place;
    place.normal = RECT{n[0], n[1], n[2], n[3]};
    place.maximized = n[4] != 0;
    if (n[2] <= n[0] || n[3] <= n[1] || n[5] < 48 || n[5] > 960) {
        return std::nullopt;
    }
    place.dpi = static_cast<UINT>(n[5]);
    return place;
}

void writeWindowPlace(const std::wstring& windowName, const WindowPlace& place)
{
    writeNumbers(windowName + L"Place", {place.normal.left, place.normal.top, place.normal.right, place.normal.bottom,
                                            place.maximized ? 1L : 0L, static_cast<long>(place.dpi)});
}

std::optional<ListColumns> readListColumns(const std::wstring& windowName, size_t columnCount)
{
    const auto numbers = readNumbers(windowName + L"Columns");
    if (!numbers || numbers->size() != 2 * columnCount) {
        return std::nullopt;
    }
    ListColumns columns;
    for (size_t i = 0; i < columnCount; ++i) {
        const long width = (*numbers)[i];
        if (width < 0 || width > kMaxColumnWidth) {
            return std::nullopt;
        }
        columns.widths.push_back(static_cast<int>(width));
        columns.order.push_back(static_cast<int>((*numbers)[columnCount + i]));
    }
    std::vector<int> sorted = columns.order;
    std::sort(sorted.begin(), sorted.end());
    for (size_t i = 0; i < columnCount; ++i) {
        if (sorted[i] != static_cast<int>(i)) {
            return std::nullopt;
        }
    }
    return columns;
}

void writeListColumns(const std::wstring& windowName, const ListColumns& columns)
{
    std::vector<long> numbers(columns.widths.begin(), columns.widths.end());
    numbers.insert(numbers.end(), columns.order.begin(), columns.order.end());
    writeNumbers(windowName + L"Columns", numbers);
}

bool readConvertInBackground()
{
    const auto value = readDword(kBackgroundValue);
    return value && *value != 0;
}

void writeConvertInBackground(bool background)
{
    const win::RegKey key = win::RegKey::create(HKEY_CURRENT_USER, settingsKeyPath());
    if (key) {
        key.writeDword(kBackgroundValue, background ? 1 : 0);
    }
}

bool readSoundWhenDone()
{
    const auto value = readDword(kSoundWhenDoneValue);
    return !value || *value != 0;
}

bool onAnExistingMonitor(const RECT& rect)
{
    return MonitorFromRect(&rect, MONITOR_DEFAULTTONULL) != nullptr;
}

} // namespace settings
