// A registry as registry-editor text, for the import and export cases.
#pragma once

#include <string>

namespace speed {

// REGEDIT4 text of `values` values, a hundred to a key under HKEY_LOCAL_MACHINE, of the
// kinds a product writes: paths, numbers, binary data, text with quotes.
std::string RegistryText(long values);

}  // namespace speed
