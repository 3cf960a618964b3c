// A key and its subtree as REGEDIT4 text.
#include "registry/registry_text.h"
#include "registry/registry_tree.h"
#include "winsim/machine.h"

namespace winsim::detail {
namespace {

void AppendKey(std::string& out, const std::string& path, const RegKey& key) {
  out += '[';
  out += path;
  out += "]\r\n";
  for (const RegValue& value : key.values())
    AppendValueLine(out, ValueNameText(value.name), ValueDataText(value.type, value.data));
  out += "\r\n";
  key.ForEachSubKey(
      [&](const RegKey& subKey) { AppendKey(out, path + "\\" + subKey.name, subKey); });
}

}  // namespace
}  // namespace winsim::detail

namespace winsim {

std::string ExportRegistry(const std::string& fullKeyPath) {
  std::vector<std::string> parts = detail::SplitKeyPath(fullKeyPath);
  if (parts.empty()) return "";
  HKEY root = detail::RootByName(parts[0]);
  detail::OpenKey open;
  if (root == nullptr || !detail::ResolveKey(root, open)) return "";
  // The path is written with the root's long name and the keys' own spelling.
  std::string path = detail::RootName(root);
  std::shared_ptr<detail::RegKey> key = open.key;
  for (std::size_t i = 1; i < parts.size(); ++i) {
    key = key->FindSubKey(parts[i]);
    if (!key) return "";
    path += "\\" + key->name;
  }
  std::string out = "REGEDIT4\r\n\r\n";
  detail::AppendKey(out, path, *key);
  return out;
}

}  // namespace winsim
