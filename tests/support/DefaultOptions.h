// The options text of the Basic and Advanced pages with every control at its default,
// as the tests expect it.
#pragma once

#include <string_view>

namespace testing_support {

inline constexpr std::wstring_view kDefaultOptionsText =
    L"--dpi=300 --threshold-level=80 --fg-quality=lossless --bg-subsample=3 --quality=65 "
    L"--words --fg-colors=256 --fg-image-colors=256 --pages-per-dict=20";

} // namespace testing_support
