// Parameter texts and single arguments. Properties: a text applied to the pages and
// composed, applied and composed again, stays the same from the second composition on
// (compose -> parse -> compose is stable); a set's text, split again, gives the same text; an
// argument quoted by the platform's rules splits back into exactly that argument.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "options/MemoryCommandLineBoxes.h"
#include "options/MemoryOptionControls.h"
#include "options/ArgumentQuoting.h"
#include "options/ArgumentSet.h"
#include "options/CommandLineComposer.h"
#include "options/OptionEngine.h"
#include "res/resource.h"
#include "base/Text.h"

namespace {

// The Basic and Advanced pages over controls in memory, and the composer over both.
struct Pages {
    options::MemoryOptionControls basicControls{options::basicOptionTable()};
    options::MemoryOptionControls advancedControls{options::advancedOptionTable(), {}, {IDC_ADV_RENDER_INTENT}};
    options::MemoryCommandLineBoxes boxes;
    options::BasicOptions basic{basicControls};
    options::AdvancedOptions advanced{advancedControls};
    options::CommandLineComposer composer{{&basic, &advanced}, boxes};

    Pages()
    {
        basic.fillLists();
        advanced.fillLists();
        options::ArgumentSet none;
        basic.applyArguments(none);
        advanced.applyArguments(none);
        composer.showUnconsumedOptions(none);
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::wstring text = base::fromUtf8(std::string_view(reinterpret_cast<const char*>(data), size));
    std::erase(text, L'\0'); // a text box never holds a null

    // Through the option engine, as a history entry is recalled and confirmed again:
    // apply, compose. The first composition keeps the box's own spacing (it is not
    // trimmed), and a text whose quotes the escape rules leave open is read with plain
    // quotes: options taken on one pass can turn that reading on for the next. From the
    // third composition on, applying and composing changes nothing, and the pages' state
    // does not depend on what was applied before.
    {
        Pages pages;
        pages.composer.applyParameterText(text);
        const std::wstring first = pages.composer.composeParameterText(true);
        pages.composer.applyParameterText(first);
        const std::wstring second = pages.composer.composeParameterText(true);
        pages.composer.applyParameterText(second);
        const std::wstring third = pages.composer.composeParameterText(true);
        const std::wstring additional = pages.boxes.additional;
        pages.composer.applyParameterText(third);
        FUZZ_REQUIRE(pages.composer.composeParameterText(true) == third);
        FUZZ_REQUIRE(pages.boxes.additional == additional);
        Pages fresh;
        fresh.composer.applyParameterText(second);
        FUZZ_REQUIRE(fresh.composer.composeParameterText(true) == third);
    }

    // Parse, compose, parse, compose.
    const options::ArgumentSet first = options::ArgumentSet::fromParameterText(text);
    const std::wstring composed = first.unconsumedText();
    // Nothing is added but the quoting of words that a plain-quoted text gets again.
    FUZZ_REQUIRE(composed.size() <= 2 * text.size() + 2 * (first.optionCount() + first.fileArgumentCount()));
    const options::ArgumentSet second = options::ArgumentSet::fromParameterText(composed);
    FUZZ_REQUIRE(second.unconsumedText() == composed);
    FUZZ_REQUIRE(second.options() == first.options());

    // The whole text as one argument of the platform's command line: quoted, split and
    // unquoted again.
    if (!text.empty()) {
        const std::wstring quoted = options::argumentText(text);
        const options::ArgumentSet split = options::ArgumentSet::fromParameterText(quoted);
        FUZZ_REQUIRE(split.optionCount() + split.fileArgumentCount() == 1);
        const std::wstring word = split.optionCount() == 1 ? split.options()[0] : split.fileArguments()[0];
        FUZZ_REQUIRE(options::unquotedArgument(word) == text);

        // Arguments the platform split: quoted again, they split into the same options.
        const std::vector<std::wstring> args = {text, L"--x=" + text};
        const options::ArgumentSet fromCommandLine = options::ArgumentSet::fromCommandLine(args);
        const options::ArgumentSet again = options::ArgumentSet::fromParameterText(fromCommandLine.unconsumedText());
        FUZZ_REQUIRE(again.options() == fromCommandLine.options());
    }
    return 0;
}
