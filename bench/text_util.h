// Small text helpers for the bench's own files (settings, roads) and arguments.
#pragma once

#include <cctype>
#include <functional>
#include <string>

#include "bench_error.h"

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

// Hands each line of a settings or road file to `take`, trimmed, with a function that
// reports a fault of that line as a BenchError "<source>:<line>: <what>".
inline void ForEachLine(
    const std::string& text, const std::string& source,
    const std::function<void(const std::string& line,
                             const std::function<void(const std::string&)>& fail)>& take) {
  std::size_t number = 0, start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    const std::string line = Trim(text.substr(start, end - start));
    start = end + 1;
    ++number;
    take(line, [&](const std::string& what) {
      throw BenchError(source + ":" + std::to_string(number) + ": " + what);
    });
  }
}

}  // namespace bench
