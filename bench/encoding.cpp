#include "encoding.h"

#include <iconv.h>

#include "platform/win32.h"

namespace bench {

std::string ToUtf8(const std::string& ansi) {
  bool ascii = true;
  for (unsigned char c : ansi) ascii = ascii && c < 0x80;
  if (ascii) return ansi;
  const std::string codePage = "CP" + std::to_string(GetACP());
  iconv_t convert = iconv_open("UTF-8", codePage.c_str());
  if (convert == reinterpret_cast<iconv_t>(-1)) convert = iconv_open("UTF-8", "CP1252");
  std::string out;
  char buffer[256];
  char* in = const_cast<char*>(ansi.data());
  std::size_t left = ansi.size();
  while (left > 0) {
    char* put = buffer;
    std::size_t room = sizeof buffer;
    if (iconv(convert, &in, &left, &put, &room) == static_cast<std::size_t>(-1) && put == buffer &&
        left > 0) {
      out += "\xEF\xBF\xBD";  // a byte the code page leaves undefined
      ++in;
      --left;
      iconv(convert, nullptr, nullptr, nullptr, nullptr);
    }
    out.append(buffer, static_cast<std::size_t>(put - buffer));
  }
  iconv_close(convert);
  return out;
}

}  // namespace bench
