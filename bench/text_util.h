// Small text helpers for the bench's own files (settings, roads) and arguments.
#pragma once

#include <cctype>
#include <string>

namespace bench {

// Without the blanks (spaces, tabs, a CR left by CR LF line ends) around it.
inline std::string Trim(const std::string& text) {
  std::size_t first = text.find_first_not_of(" \t\r");
  if (first == std::string::npos) return "";
  return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

inline std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

}  // namespace bench
