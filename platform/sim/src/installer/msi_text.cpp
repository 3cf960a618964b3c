// Text handed back by the installer's "A" functions.
#include "installer/msi_text.h"

#include <cstring>

namespace winsim::detail::msi {

UINT CopyToBuffer(const std::string& value, LPSTR buffer, LPDWORD pcch) {
  if (pcch == nullptr) return buffer == nullptr ? ERROR_SUCCESS : ERROR_INVALID_PARAMETER;
  const DWORD length = static_cast<DWORD>(value.size());
  const DWORD capacity = *pcch;
  *pcch = length;
  if (buffer == nullptr) return ERROR_SUCCESS;
  if (capacity > length) {
    std::memcpy(buffer, value.c_str(), value.size() + 1);
    return ERROR_SUCCESS;
  }
  if (capacity > 0) {  // a zero size is how callers ask for the length: write nothing
    std::memcpy(buffer, value.data(), capacity - 1);
    buffer[capacity - 1] = '\0';
  }
  return ERROR_MORE_DATA;
}

}  // namespace winsim::detail::msi
