// Text in the registry-export (REGEDIT4) form of the profile argument files.
#pragma once

#include <string>

// Inside a REGEDIT4 string value a backslash is written twice.
inline std::string DoubledBackslashes(const std::string& text) {
  std::string out;
  for (char c : text) {
    out += c;
    if (c == '\\') out += c;
  }
  return out;
}
