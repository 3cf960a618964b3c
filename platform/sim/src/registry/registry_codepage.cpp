#include "registry/registry_codepage.h"

#include <cstdint>

namespace winsim::detail {
namespace {

// Code page 1252 at 0x80..0x9F; 0 where it has no character, where the code point of the
// same number stands for the byte, as in Windows' table.
const std::uint16_t kHighControls[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

char AnsiChar(std::uint32_t codePoint) {
  if (codePoint < 0x80 || (codePoint >= 0xA0 && codePoint <= 0xFF))
    return static_cast<char>(codePoint);
  for (unsigned i = 0; i < 32; ++i) {
    if (kHighControls[i] == codePoint) return static_cast<char>(0x80 + i);
    if (kHighControls[i] == 0 && codePoint == 0x80 + i) return static_cast<char>(codePoint);
  }
  return '?';
}

}  // namespace

std::string AnsiFromUtf16(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size() / 2 + 1);
  auto unit = [&](std::size_t i) {
    return static_cast<std::uint16_t>(static_cast<unsigned char>(bytes[i]) |
                                      (static_cast<unsigned char>(bytes[i + 1]) << 8));
  };
  std::size_t i = 0;
  for (; i + 1 < bytes.size(); i += 2) {
    std::uint16_t u = unit(i);
    if (u >= 0xD800 && u <= 0xDBFF && i + 3 < bytes.size()) {
      std::uint16_t low = unit(i + 2);
      if (low >= 0xDC00 && low <= 0xDFFF) i += 2;  // a pair: outside the code page
      out += '?';
    } else {
      out += AnsiChar(u >= 0xD800 && u <= 0xDFFF ? 0xFFFD : u);
    }
  }
  if (i < bytes.size()) out += '?';
  return out;
}

std::string AnsiFromUtf8(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  std::size_t i = 0;
  while (i < text.size()) {
    unsigned char lead = static_cast<unsigned char>(text[i]);
    std::size_t length = lead < 0x80                    ? 1
                         : lead >= 0xC2 && lead <= 0xDF ? 2
                         : lead >= 0xE0 && lead <= 0xEF ? 3
                         : lead >= 0xF0 && lead <= 0xF4 ? 4
                                                        : 0;
    std::uint32_t codePoint = length == 1   ? lead
                              : length == 2 ? lead & 0x1F
                              : length == 3 ? lead & 0x0F
                                            : lead & 0x07;
    bool good = length > 0 && i + length <= text.size();
    for (std::size_t k = 1; good && k < length; ++k) {
      unsigned char next = static_cast<unsigned char>(text[i + k]);
      if ((next & 0xC0) != 0x80) good = false;
      codePoint = (codePoint << 6) | (next & 0x3F);
    }
    // Overlong forms, surrogates and code points past U+10FFFF are malformed too.
    if (good &&
        ((length == 3 && (codePoint < 0x800 || (codePoint >= 0xD800 && codePoint <= 0xDFFF))) ||
         (length == 4 && (codePoint < 0x10000 || codePoint > 0x10FFFF))))
      good = false;
    if (!good) {
      out += '?';
      ++i;
      continue;
    }
    out += AnsiChar(codePoint);
    i += length;
  }
  return out;
}

}  // namespace winsim::detail
