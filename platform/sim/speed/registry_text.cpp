#include "registry_text.h"

#include <cstdio>

namespace speed {

std::string RegistryText(long values) {
  const long perKey = 100;
  std::string text = "REGEDIT4\r\n\r\n";
  text.reserve(static_cast<std::size_t>(values) * 64);
  char line[160];
  for (long i = 0; i < values; ++i) {
    if (i % perKey == 0) {
      if (i > 0) text += "\r\n";
      std::snprintf(line, sizeof line,
                    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Quorvel\\Speed\\Component%05ld]\r\n",
                    i / perKey);
      text += line;
    }
    switch (i % 4) {
      case 0:
        std::snprintf(
            line, sizeof line,
            "\"Path%07ld\"=\"C:\\\\Program Files\\\\Quorvel\\\\Speed\\\\file%07ld.dll\"\r\n", i, i);
        break;
      case 1:
        std::snprintf(line, sizeof line, "\"Count%07ld\"=dword:%08lx\r\n", i, i);
        break;
      case 2:
        std::snprintf(line, sizeof line, "\"Data%07ld\"=hex:%02lx,00,de,ad,be,ef,01,02\r\n", i,
                      i & 0xFF);
        break;
      default:
        std::snprintf(line, sizeof line, "\"Text%07ld\"=\"say \\\"%07ld\\\" twice\"\r\n", i, i);
        break;
    }
    text += line;
  }
  text += "\r\n";
  return text;
}

}  // namespace speed
