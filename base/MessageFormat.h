// The message formatter for positional inserts, with the platform's syntax and results.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <variant>

namespace base {

// One insert of a message: a text, a signed or an unsigned 32-bit number.
using MessageArg = std::variant<std::wstring, std::int32_t, std::uint32_t>;

// Formats a template with the syntax of the platform's message formatter and with its
// results: %1..%99 insert an argument, optionally with a printf-style conversion between
// exclamation marks (%1!d!, %2!u!, %1!5s!, width/precision "*" taken from the inserts
// as the platform takes them); %0 ends the output; %n a line break (CR LF); %r a
// carriage return; %t a tab; any other character after "%" stands for itself. Every
// line break of the template (CR, LF or CR LF) becomes CR LF. A template that the
// platform rejects (a "%" at its end, a conversion without its closing "!") gives
// empty text. An insert that was not given yields empty text: nothing is read beyond args.
// The result holds at most kMaxFormattedCharacters characters; a longer one is cut
// there and ends in kCutMark.
inline constexpr size_t kMaxFormattedCharacters = 65536;
inline constexpr wchar_t kCutMark = L'\x2026'; // horizontal ellipsis
std::wstring formatMessageText(std::wstring_view templateText, std::span<const MessageArg> args);

// The text itself when it has at most maxCharacters characters; otherwise its first
// maxCharacters (less half a surrogate pair) followed by kCutMark.
std::wstring shortenText(std::wstring_view text, size_t maxCharacters);

} // namespace base
