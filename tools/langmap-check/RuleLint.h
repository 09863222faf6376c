// Reads a rule file line by line as the front end does and reports what would surprise
// its author: patterns that do not compile, unknown types, inserts of groups the
// pattern lacks, rules that can never decide, missing texts, lines nobody reads.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace langmap {

struct Finding {
    enum class Level { Warning, Error };
    Level level = Level::Error;
    size_t line = 0; // 1-based; 0 for the file as a whole
    std::string text;
};

// Lints the rule file's bytes; languageKey is the key the run uses ("ja=", "en-us=").
std::vector<Finding> lintRules(std::string_view bytes, const std::string& languageKey);

// Samples of messages a simple pattern matches (a literal text with groups, classes,
// quantifiers and alternatives); empty when the pattern is beyond the generator.
std::vector<std::string> sampleMessages(std::string_view pattern);

} // namespace langmap
