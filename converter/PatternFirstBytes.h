// Which bytes a rule's pattern can begin a match with, read from the pattern text, so
// that a message can be turned away without running the matcher. Most messages meet
// every rule of the rule file; for most rules the first byte already tells.
#pragma once

#include <bitset>
#include <optional>
#include <string_view>

namespace converter {

// The first UTF-8 bytes that an anchored match of pattern (Ruby syntax) can start
// with. nullopt when the pattern may match the empty text, or uses a construct this
// reading does not follow (character classes, back references, options other than
// "i", ...): such a pattern is always run. The answer is conservative: a byte that is
// not in the set can never begin a match.
std::optional<std::bitset<256>> patternFirstBytes(std::string_view pattern);

} // namespace converter
