// Text taken from a file or a path, made fit to stand inside a message.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "base/text.h"

namespace qz {

// How many characters of such a text a message shows at most.
inline constexpr std::size_t kQuotedLength = 200;

// As UTF-8 for a message: control, line-breaking and direction-changing
// characters escaped (\n, \r, \t, else \uXXXX), so that the text cannot make
// a message look like two; a lone surrogate as \uXXXX; and a text longer than
// kQuotedLength characters cut in the middle to its first and last halves
// joined by "…", keeping a path's start and its file name.
std::string QuoteForMessage(TextView text);
// The same for bytes that ought to be UTF-8 (paths and arguments as the
// system gives them); a byte that does not decode shows as \xHH.
std::string QuoteForMessage(std::string_view utf8);

}  // namespace qz
