// Unicode text of version 5 registry files made into the machine's ANSI code page
// (1252); characters it does not have become '?', as Windows' conversion gives them.
#pragma once

#include <string>
#include <string_view>

namespace winsim::detail {

// UTF-16LE bytes (no byte-order mark); a lone trailing byte becomes '?'.
std::string AnsiFromUtf16(std::string_view bytes);
// UTF-8 text (no byte-order mark); each malformed byte becomes '?'.
std::string AnsiFromUtf8(std::string_view text);

}  // namespace winsim::detail
