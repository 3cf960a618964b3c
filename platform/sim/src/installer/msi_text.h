// How the installer's "A" functions hand text back to a caller's buffer.
#pragma once

#include <string>

#include "winsim/msi.h"

namespace winsim::detail::msi {

// The documented rule of MsiGetProperty, MsiRecordGetString and the like: *pcch holds the
// buffer's size in characters on entry and the length of the value, without its NUL, on
// return. A value that does not fit gives ERROR_MORE_DATA and as much of it as fits,
// NUL-terminated. A null buffer gives ERROR_SUCCESS and the length only.
UINT CopyToBuffer(const std::string& value, LPSTR buffer, LPDWORD pcch);

}  // namespace winsim::detail::msi
