#include "reference/Options.h"

#include <cwctype>

namespace reference {

namespace {

bool startsWith(const std::wstring& text, const std::wstring& prefix)
{
    return text.compare(0, prefix.size(), prefix) == 0;
}

// Leading blanks, one sign, digits from `at` on: the same reading the front end gives
// numbers. Leaves `at` after the digits; false when there are none.
bool readSignedNumber(const std::wstring& text, size_t& at, long long& number)
{
    while (at < text.size() && std::iswspace(text[at])) {
        ++at;
    }
    bool negative = false;
    if (at < text.size() && (text[at] == L'+' || text[at] == L'-')) {
        negative = text[at++] == L'-';
    }
    number = 0;
    const size_t digits = at;
    while (at < text.size() && text[at] >= L'0' && text[at] <= L'9' && number < 100000000) {
        number = number * 10 + (text[at++] - L'0');
    }
    number = negative ? -number : number;
    return at != digits;
}

bool readNumber(const std::wstring& text, int low, int high, int& value)
{
    size_t at = 0;
    long long number = 0;
    if (!readSignedNumber(text, at, number) || at != text.size() || number < low || number > high) {
        return false;
    }
    value = static_cast<int>(number);
    return true;
}

// The background's slices as the wavelet encoder reads them: whole numbers from 1 to 1000
// separated by "+" (a step up from the number before) or "," (a number of its own), never
// going down, such as "74+13+10" (74, 87, 97).
bool validSlices(const std::wstring& text)
{
    int last = 0;
    size_t at = 0;
    while (at < text.size()) {
        const size_t start = at;
        long long number = 0;
        if (!readSignedNumber(text, at, number)) {
            return false;
        }
        if (last > 0 && start > 0 && text[start - 1] == L'+') {
            number += last;
        }
        if (number < 1 || number > 1000 || number < last) {
            return false;
        }
        last = static_cast<int>(number);
        if (at < text.size() && text[at] != L'+' && text[at] != L',') {
            return false;
        }
        at += at < text.size() ? 1 : 0;
    }
    return last > 0;
}

struct NumberOption {
    const wchar_t* name;
    int low;
    int high;
    int Options::*field;
};

constexpr NumberOption kNumbers[] = {
    {L"--dpi=", 1, 9999, &Options::dpi},
    {L"--threshold-level=", 1, 100, &Options::thresholdLevel},
    {L"--bg-subsample=", 1, 6, &Options::bgSubsample},
    {L"--quality=", 0, 100, &Options::quality},
    {L"--fg-colors=", 0, 4000, &Options::fgColors},
    {L"--fg-image-colors=", 0, 4000, &Options::fgImageColors},
    {L"--pages-per-dict=", 1, 99999, &Options::pagesPerDict},
};

} // namespace

Options parseOptions(const std::vector<std::wstring>& arguments)
{
    Options options;
    std::vector<std::wstring> files;
    auto fail = [&](const std::wstring& problem) {
        if (options.problem.empty()) {
            options.problem = problem;
        }
    };
    for (const auto& argument : arguments) {
        if (argument.empty() || argument[0] != L'-') {
            files.push_back(argument);
            continue;
        }
        bool known = false;
        for (const auto& number : kNumbers) {
            if (startsWith(argument, number.name)) {
                known = true;
                if (!readNumber(argument.substr(wcslen(number.name)), number.low, number.high, options.*number.field)) {
                    fail(argument + L" is not a number from " + std::to_wstring(number.low) + L" to "
                        + std::to_wstring(number.high));
                }
            }
        }
        if (known) {
            continue;
        }
        if (startsWith(argument, L"--killevent=")) {
            options.killEvent = argument.substr(12);
        } else if (argument == L"--force") {
            options.force = true;
        } else if (startsWith(argument, L"--fg-quality=")) {
            const std::wstring level = argument.substr(13);
            if (level == L"lossless" || level == L"quasilossless" || level == L"conservative" || level == L"lossy"
                || level == L"aggressive") {
                options.fgQuality.assign(level.begin(), level.end());
            } else {
                fail(argument + L" names no known quality");
            }
        } else if (argument == L"--chars") {
            options.text = TextLevel::Chars;
        } else if (argument == L"--words") {
            options.text = TextLevel::Words;
        } else if (argument == L"--lines") {
            options.text = TextLevel::Lines;
        } else if (argument == L"--no-texts") {
            options.text = TextLevel::None;
        } else if (argument == L"--nosep") {
            options.noSpaces = true;
        } else if (argument == L"--convert-links") {
            options.convertLinks = true;
        } else if (argument == L"--fgbg-sep") {
            options.separate = true;
        } else if (argument == L"--ignore-color-profiles") {
            options.ignoreColorProfiles = true;
        } else if (startsWith(argument, L"--bg-slices=")) {
            options.bgSlices = argument.substr(12);
            if (!validSlices(options.bgSlices)) {
                fail(argument + L" is not a list of slices from 1 to 1000 that never go down (such as 74+13+10)");
            }
        } else if (startsWith(argument, L"--resourcedir=")) {
            options.resourceDir = argument.substr(14);
        } else if (argument == L"--pdf=printed" || argument == L"--pdf=screen") {
            options.renderingIntent.assign(argument.begin() + 6, argument.end());
        } else {
            // --no-exact-color and anything unknown.
            options.ignored.push_back(argument);
        }
    }
    if (files.size() != 2) {
        fail(L"an input file and an output file are needed");
    } else {
        options.input = files[0];
        options.output = files[1];
    }
    return options;
}

} // namespace reference
