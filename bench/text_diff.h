// Line diffs of text files in the unified form, for the report of a changed file.
#pragma once

#include <string>
#include <vector>

namespace bench {

// Splits at LF, dropping a CR before it; a last line without its end counts too.
std::vector<std::string> SplitLines(const std::string& text);

// The unified diff of two texts (hunks with `context` lines around each change), without
// the "---"/"+++" header; empty when the lines are equal.
std::string UnifiedDiff(const std::vector<std::string>& before,
                        const std::vector<std::string>& after, std::size_t context = 3);

// Text the report can show as lines: no NUL byte.
bool LooksLikeText(const std::string& bytes);

}  // namespace bench
