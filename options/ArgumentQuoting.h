// Quoting by the platform's argument rules, so that a text the front end puts
// together (additional parameters, the converter's command line, a history entry)
// splits back into exactly the arguments it was made from: 2n backslashes before a
// double quote stand for n backslashes and the quote opens or closes a quoted part;
// 2n + 1 backslashes before a quote stand for n backslashes and a literal quote;
// other backslashes are literal.
#pragma once

#include <string>
#include <string_view>

namespace options {

// The argument between double quotes, inner quotes escaped and the backslashes
// before a quote (the closing one included) doubled.
std::wstring quotedArgument(std::wstring_view argument);

// The text that splits back into this one argument: the argument itself when it
// needs no quotes; an option "--name=value" with only its value quoted (the form
// the pages generate); anything else quoted whole.
std::wstring argumentText(std::wstring_view argument);

// The argument a quoted or plain text stands for: quotes removed, escapes undone.
// An unclosed quote ends with the text.
std::wstring unquotedArgument(std::wstring_view text);

// Removes one pair of double quotes around a pasted path ("Copy as path" adds them).
// A path cannot hold quotes, so only a text that begins and ends with one changes.
std::wstring withoutSurroundingQuotes(std::wstring_view path);

} // namespace options
