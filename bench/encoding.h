// The machine's text is ANSI in its code page; the report is read on a terminal or by a
// JSON reader, both UTF-8.
#pragma once

#include <string>

namespace bench {

// From the simulated machine's ANSI code page (GetACP) to UTF-8; a byte the code page
// does not define becomes U+FFFD.
std::string ToUtf8(const std::string& ansi);

}  // namespace bench
