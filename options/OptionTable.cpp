#include "options/OptionTable.h"

#include <array>

// The shared id header of the dialog templates and the string table: plain numbers,
// no user-interface code.
#include "res/resource.h"

namespace options {

namespace {

using namespace std::literals;

constexpr std::array<OptionEntry, 3> kResolutionEntries = {{
    {L"200"sv, 0},
    {L"300"sv, 0},
    {L"600"sv, 0},
}};

constexpr std::array<OptionEntry, 5> kForegroundQualityEntries = {{
    {L"lossless"sv, IDS_FG_LOSSLESS},
    {L"quasilossless"sv, IDS_FG_QUASILOSSLESS},
    {L"conservative"sv, IDS_FG_CONSERVATIVE},
    {L"lossy"sv, IDS_FG_LOSSY},
    {L"aggressive"sv, IDS_FG_AGGRESSIVE},
}};

constexpr std::array<OptionEntry, 4> kTextExtractionEntries = {{
    {L"--chars"sv, IDS_TEXT_CHARS},
    {L"--words"sv, IDS_TEXT_WORDS},
    {L"--lines"sv, IDS_TEXT_LINES},
    {L"--no-texts"sv, IDS_TEXT_NONE},
}};

// The rendering-intent list keeps its entries sorted: "printed" before "screen".
constexpr std::array<OptionEntry, 2> kRenderingIntentEntries = {{
    {L"printed"sv, 0},
    {L"screen"sv, 0},
}};

// A checked "--bg-slices" box sets the background encoding itself.
constexpr std::array<std::wstring_view, 2> kSlicesOverrides = {L"--quality"sv, L"--bg-quality"sv};

constexpr OptionSpec number(std::wstring_view name, int field, int spin, int minimum, int maximum, int spinLow,
    int spinHigh, int defaultValue)
{
    OptionSpec option;
    option.kind = OptionKind::Number;
    option.name = name;
    option.controlId = field;
    option.spinId = spin;
    option.minimum = minimum;
    option.maximum = maximum;
    option.spinLow = spinLow;
    option.spinHigh = spinHigh;
    option.defaultValue = defaultValue;
    return option;
}

constexpr OptionSpec list(OptionKind kind, std::wstring_view name, int control, std::span<const OptionEntry> entries,
    int defaultIndex)
{
    OptionSpec option;
    option.kind = kind;
    option.name = name;
    option.controlId = control;
    option.entries = entries;
    option.defaultIndex = defaultIndex;
    return option;
}

constexpr OptionSpec flag(std::wstring_view name, int box)
{
    OptionSpec option;
    option.kind = OptionKind::Flag;
    option.name = name;
    option.controlId = box;
    return option;
}

constexpr OptionSpec text(std::wstring_view name, int box, int field, int companion)
{
    OptionSpec option;
    option.kind = OptionKind::Text;
    option.name = name;
    option.controlId = field;
    option.checkId = box;
    option.companionId = companion;
    return option;
}

constexpr OptionSpec resolution()
{
    // An editable list without spin button: the text is free, the list offers three values.
    OptionSpec option = number(L"--dpi"sv, IDC_BASIC_DPI, 0, 1, 9999, 0, 0, 300);
    option.entries = kResolutionEntries;
    option.defaultIndex = 1;
    return option;
}

constexpr OptionSpec renderingIntent()
{
    OptionSpec option = list(OptionKind::Choice, L"--pdf"sv, IDC_ADV_RENDER_INTENT, kRenderingIntentEntries, 0);
    // At "printed" nothing is generated, so the default options text stays as it was.
    option.generateDefault = false;
    return option;
}

constexpr OptionSpec slices()
{
    OptionSpec option = text(L"--bg-slices"sv, IDC_ADV_SLICES_CHECK, IDC_ADV_SLICES, 0);
    option.overrides = kSlicesOverrides;
    return option;
}

constexpr std::array<OptionSpec, 9> kBasicTable = {
    resolution(),
    number(L"--threshold-level"sv, IDC_BASIC_THRESHOLD, IDC_BASIC_THRESHOLD_SPIN, 1, 100, 1, 100, 80),
    list(OptionKind::Choice, L"--fg-quality"sv, IDC_BASIC_FG_QUALITY, kForegroundQualityEntries, 0),
    number(L"--bg-subsample"sv, IDC_BASIC_SUBSAMPLE, IDC_BASIC_SUBSAMPLE_SPIN, 1, 6, 1, 6, 3),
    number(L"--quality"sv, IDC_BASIC_QUALITY, IDC_BASIC_QUALITY_SPIN, 0, 100, 0, 100, 65),
    list(OptionKind::FlagChoice, {}, IDC_BASIC_TEXT_EXTRACTION, kTextExtractionEntries, 1),
    flag(L"--convert-links"sv, IDC_BASIC_CONVERT_LINKS),
    flag(L"--nosep"sv, IDC_BASIC_NOSEP),
    flag(L"--fgbg-sep"sv, IDC_BASIC_FGBG_SEP),
};

constexpr std::array<OptionSpec, 8> kAdvancedTable = {
    renderingIntent(),
    flag(L"--ignore-color-profiles"sv, IDC_ADV_IGNORE_PROFILES),
    number(L"--fg-colors"sv, IDC_ADV_FG_COLORS, IDC_ADV_FG_COLORS_SPIN, 0, 4000, 0, 4000, 256),
    number(L"--fg-image-colors"sv, IDC_ADV_FG_IMAGE_COLORS, IDC_ADV_FG_IMAGE_COLORS_SPIN, 0, 4000, 0, 4000, 256),
    number(L"--pages-per-dict"sv, IDC_ADV_PAGES_PER_DICT, IDC_ADV_PAGES_PER_DICT_SPIN, 1, 99999, 0, 99999, 20),
    flag(L"--no-exact-color"sv, IDC_ADV_NO_EXACT_COLOR),
    slices(),
    text(L"--resourcedir"sv, IDC_ADV_RESOURCE_CHECK, IDC_ADV_RESOURCE_DIR, IDC_ADV_RESOURCE_BROWSE),
};

} // namespace

std::span<const OptionSpec> basicOptionTable()
{
    return kBasicTable;
}

std::span<const OptionSpec> advancedOptionTable()
{
    return kAdvancedTable;
}

} // namespace options
