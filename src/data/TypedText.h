#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tovelo {

// A typed text (UTF-8) folded as foldPlain folds it, for text of Latin letters, digits, marks
// and accents (also typed as characters of their own); `characters` counts them as a reader
// does. Nothing for any other text, which only the full folding can answer for.
std::optional<std::string> foldTyped(std::string_view typed, int& characters);

} // namespace tovelo
