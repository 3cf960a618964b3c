// The attributes the host does not keep, as text in the columns the attrib command
// prints them: "A" in the first, then "S", "H" and "R" in the fourth to sixth, the full
// path from the twelfth.
#include <algorithm>
#include <cctype>
#include <utility>
#include <vector>

#include "files/file_system.h"
#include "winsim/machine.h"

namespace winsim::detail {
namespace {

struct Column {
  std::size_t at;
  char letter;
  DWORD attribute;
};
const Column kColumns[] = {{0, 'A', FILE_ATTRIBUTE_ARCHIVE},
                           {3, 'S', FILE_ATTRIBUTE_SYSTEM},
                           {4, 'H', FILE_ATTRIBUTE_HIDDEN},
                           {5, 'R', FILE_ATTRIBUTE_READONLY}};
const std::size_t kPathColumn = 11;

std::string Line(DWORD attributes, const std::string& path) {
  std::string line(kPathColumn, ' ');
  for (const Column& column : kColumns)
    if (attributes & column.attribute) line[column.at] = column.letter;
  return line + path + "\n";
}

// One line's attributes and path; false with `what` when it is not in the form.
bool ParseLine(const std::string& line, DWORD& attributes, std::string& path, std::string& what) {
  if (line.size() <= kPathColumn) {
    what = "expected attribute columns and a path";
    return false;
  }
  attributes = 0;
  for (std::size_t at = 0; at < kPathColumn; ++at) {
    const char c = line[at];
    if (c == ' ') continue;
    auto column = std::find_if(std::begin(kColumns), std::end(kColumns),
                               [at](const Column& known) { return known.at == at; });
    if (column == std::end(kColumns) || column->letter != c) {
      what = std::string("unexpected '") + c + "' in column " + std::to_string(at + 1);
      return false;
    }
    attributes |= column->attribute;
  }
  path = line.substr(kPathColumn);
  if (path.size() < 3 || !std::isalpha(static_cast<unsigned char>(path[0])) || path[1] != ':' ||
      path[2] != '\\') {
    what = "not a full path: " + path;
    return false;
  }
  return true;
}

}  // namespace
}  // namespace winsim::detail

namespace winsim {

std::string ExportFileAttributes() {
  std::vector<std::pair<std::string, std::string>> lines;  // sort key, line
  detail::TheFileSystem();
  detail::ForEachCachedEntry([&lines](const std::string& path, const detail::CachedEntry& entry) {
    if (entry.attributes != 0)
      lines.emplace_back(detail::Upper(path) + '\n' + path, detail::Line(entry.attributes, path));
  });
  std::sort(lines.begin(), lines.end());
  std::string text;
  for (const auto& line : lines) text += line.second;
  return text;
}

bool ImportFileAttributes(const std::string& text, std::string& error) {
  std::vector<std::pair<std::string, DWORD>> parsed;
  std::size_t start = 0, number = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    start = end + 1;
    ++number;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty()) continue;
    DWORD attributes = 0;
    std::string path, what;
    if (!detail::ParseLine(line, attributes, path, what)) {
      error = std::to_string(number) + ": " + what;
      return false;
    }
    parsed.emplace_back(std::move(path), attributes);
  }
  for (const auto& line : parsed) {
    const std::string full = detail::FullWindowsPath(line.first);
    if (full.empty()) continue;
    detail::Resolved found = detail::Resolve(full);
    // A file removed since the text was made is passed over.
    if (found.Exists()) found.entry->attributes = line.second;
  }
  return true;
}

}  // namespace winsim
