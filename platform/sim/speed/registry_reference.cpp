// The registry cases' work done on the host's own containers: names by upper-case form in
// a sorted map for subkeys and a hash table for values. Their growth from one size to ten
// times it is what memory alone costs the same calls, beside the simulated registry's.
#include <map>
#include <string>
#include <unordered_map>

#include "registry_reference.h"

namespace speed {
namespace {

std::string Upper(const std::string& name) {
  std::string upper = name;
  for (char& c : upper)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return upper;
}

struct Entry {
  std::string name, data;
};

std::string CheckedCount(std::size_t seen, std::size_t expected) {
  return seen == expected ? "" : "host containers saw " + std::to_string(seen);
}

}  // namespace

std::string ReferenceWork(ReferenceOp op, const std::vector<std::string>& names,
                          const std::vector<std::pair<std::string, std::string>>& values) {
  // The containers are filled before the clock for the operations that need them.
  static std::map<std::string, Entry> subkeys;
  static std::unordered_map<std::string, Entry> byName;
  std::size_t seen = 0;
  switch (op) {
    case ReferenceOp::PrepareSubkeys:
      subkeys.clear();
      for (const std::string& name : names) subkeys.emplace(Upper(name), Entry{name, ""});
      return "";
    case ReferenceOp::PrepareValues:
      byName.clear();
      byName.reserve(values.size());
      for (const auto& value : values)
        byName.emplace(Upper(value.first), Entry{value.first, value.second});
      return "";
    case ReferenceOp::CreateSubkeys:
      subkeys.clear();
      for (const std::string& name : names)
        seen += subkeys.emplace(Upper(name), Entry{name, ""}).second;
      return CheckedCount(seen, names.size());
    case ReferenceOp::EnumerateSubkeys:
      for (const auto& entry : subkeys) seen += !entry.second.name.empty();
      return CheckedCount(seen, names.size());
    case ReferenceOp::DeleteSubkeys:
      for (const std::string& name : names) seen += subkeys.erase(Upper(name));
      return CheckedCount(seen, names.size());
    case ReferenceOp::SetValues:
      byName.clear();
      for (const auto& value : values)
        seen +=
            byName.insert_or_assign(Upper(value.first), Entry{value.first, value.second}).second;
      return CheckedCount(seen, values.size());
    case ReferenceOp::QueryValues:
      for (const auto& value : values) {
        auto found = byName.find(Upper(value.first));
        seen += found != byName.end() && found->second.data.size() == value.second.size();
      }
      return CheckedCount(seen, values.size());
    case ReferenceOp::EnumerateValues:
      for (const auto& entry : byName) seen += !entry.second.name.empty();
      return CheckedCount(seen, values.size());
    case ReferenceOp::DeleteValues:
      for (const auto& value : values) seen += byName.erase(Upper(value.first));
      return CheckedCount(seen, values.size());
  }
  return "";
}

}  // namespace speed
