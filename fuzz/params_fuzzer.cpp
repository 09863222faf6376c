// Parameter texts and single arguments. Properties: a set's text, split again, gives
// the same text (compose -> parse -> compose is stable); an argument quoted by the
// platform's rules splits back into exactly that argument.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "options/ArgumentQuoting.h"
#include "options/ArgumentSet.h"
#include "win/Text.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::wstring text = win::fromUtf8(std::string_view(reinterpret_cast<const char*>(data), size));
    std::erase(text, L'\0'); // a text box never holds a null

    // Parse, compose, parse, compose.
    const options::ArgumentSet first = options::ArgumentSet::fromParameterText(text);
    const std::wstring composed = first.unconsumedText();
    FUZZ_REQUIRE(composed.size() <= text.size());
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
