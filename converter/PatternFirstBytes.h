// Which bytes a rule's pattern can begin a match with, read from the pattern text, so
// that a message can be turned away without running the matcher. Most messages meet
// every rule of the rule file; for most rules the first byte already tells.
#pragma once

#include <bitset>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace converter {

// The first UTF-8 bytes that an anchored match of pattern (Ruby syntax) can start
// with. nullopt when the pattern may match the empty text, or uses a construct this
// reading does not follow (inline options other than a "(?i:...)" group, intervals,
// back references, look-behind, ...): such a pattern is always run. The answer is
// conservative: a byte that is not in the set can never begin a match.
std::optional<std::bitset<256>> patternFirstBytes(std::string_view pattern);

// Words one of which every match of pattern must hold, as a group of plain literal
// alternatives that the pattern requires ("...(?i:xref|cross-reference)"). A pattern
// that begins with ".*" scans the whole message at every try; most messages hold none
// of the words and are turned away by a search instead.
struct RequiredWords {
    std::vector<std::string> words;
    bool ignoreCase = false;

    // False only when text (ASCII only: case folding beyond ASCII is not followed)
    // holds none of the words.
    bool mayMatch(std::string_view text) const;
};
std::optional<RequiredWords> patternRequiredWords(std::string_view pattern);

// The words an unquantified group that every match passes through requires (the pattern
// reader asks it for such groups); ignoreCase: the group stands in a "(?i:...)" part.
std::optional<RequiredWords> requiredWordsOfGroup(std::string_view group, bool ignoreCase);

} // namespace converter
