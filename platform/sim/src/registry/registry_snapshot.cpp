// Copies of the whole registry and what differs between a copy and the registry now.
#include <unordered_map>

#include "registry/registry_text.h"
#include "registry/registry_tree.h"
#include "winsim/machine.h"

namespace winsim::detail {
namespace {

struct SnapValue {
  std::string name;
  DWORD type = REG_NONE;
  std::vector<BYTE> data;
};

struct SnapKey {
  std::string name, folded;
  std::vector<SnapValue> values;  // in creation order
  std::vector<SnapKey> subKeys;   // in enumeration order
};

SnapKey Copy(const RegKey& key, const std::string& folded) {
  SnapKey copy;
  copy.name = key.name;
  copy.folded = folded;
  copy.values.reserve(key.ValueCount());
  for (const RegValue& value : key.values())
    copy.values.push_back(SnapValue{value.name, value.type, value.data});
  copy.subKeys.reserve(key.SubKeyCount());
  key.ForEachSubKey(
      [&](const RegKey& subKey) { copy.subKeys.push_back(Copy(subKey, FoldName(subKey.name))); });
  return copy;
}

RegistryChange Change(RegistryChange::Kind kind, const std::string& key,
                      const std::string& value = "", std::string oldData = "",
                      std::string newData = "") {
  RegistryChange change;
  change.kind = kind;
  change.key = key;
  change.value = value;
  change.oldData = std::move(oldData);
  change.newData = std::move(newData);
  return change;
}

class Differ {
 public:
  explicit Differ(std::vector<RegistryChange>& out) : out_(out) {}

  void Compare(const std::string& path, const SnapKey& before, const RegKey& now) {
    CompareValues(path, before, now);
    std::vector<const RegKey*> subKeys;
    subKeys.reserve(now.SubKeyCount());
    now.ForEachSubKey([&](const RegKey& subKey) { subKeys.push_back(&subKey); });
    auto old = before.subKeys.begin();
    auto current = subKeys.begin();
    while (old != before.subKeys.end() || current != subKeys.end()) {
      int order = current == subKeys.end()      ? -1
                  : old == before.subKeys.end() ? 1
                                                : CompareFolded(old->folded, (*current)->name);
      if (order < 0) {
        out_.push_back(Change(RegistryChange::Kind::KeyRemoved, path + "\\" + old->name));
        ++old;
      } else if (order > 0) {
        Added(path + "\\" + (*current)->name, **current);
        ++current;
      } else {
        Compare(path + "\\" + (*current)->name, *old, **current);
        ++old;
        ++current;
      }
    }
  }

 private:
  void Added(const std::string& path, const RegKey& key) {
    out_.push_back(Change(RegistryChange::Kind::KeyAdded, path));
    for (const RegValue& value : key.values())
      out_.push_back(Change(RegistryChange::Kind::ValueSet, path, value.name, "",
                            ValueDataText(value.type, value.data)));
    key.ForEachSubKey([&](const RegKey& subKey) { Added(path + "\\" + subKey.name, subKey); });
  }

  void CompareValues(const std::string& path, const SnapKey& before, const RegKey& now) {
    if (before.values.empty() && now.ValueCount() == 0) return;
    std::vector<std::string> oldNames;
    oldNames.reserve(before.values.size());
    for (const SnapValue& value : before.values) oldNames.push_back(FoldName(value.name));
    // Few values are found by a scan; many through an index, so that the walk stays linear.
    std::unordered_map<std::string_view, std::size_t> index;
    const bool indexed = oldNames.size() > 8;
    if (indexed)
      for (std::size_t i = 0; i < oldNames.size(); ++i) index.emplace(oldNames[i], i);
    auto find = [&](const std::string& folded) -> std::size_t {
      if (indexed) {
        auto it = index.find(folded);
        return it == index.end() ? oldNames.size() : it->second;
      }
      std::size_t i = 0;
      while (i < oldNames.size() && oldNames[i] != folded) ++i;
      return i;
    };

    std::vector<bool> kept(before.values.size(), false);
    for (const RegValue& value : now.values()) {
      std::size_t i = find(FoldName(value.name));
      if (i == oldNames.size()) {
        out_.push_back(Change(RegistryChange::Kind::ValueSet, path, value.name, "",
                              ValueDataText(value.type, value.data)));
        continue;
      }
      kept[i] = true;
      const SnapValue& old = before.values[i];
      if (old.type != value.type || old.data != value.data)
        out_.push_back(Change(RegistryChange::Kind::ValueSet, path, value.name,
                              ValueDataText(old.type, old.data),
                              ValueDataText(value.type, value.data)));
    }
    for (std::size_t i = 0; i < before.values.size(); ++i)
      if (!kept[i])
        out_.push_back(Change(RegistryChange::Kind::ValueRemoved, path, before.values[i].name,
                              ValueDataText(before.values[i].type, before.values[i].data)));
  }

  std::vector<RegistryChange>& out_;
};

}  // namespace
}  // namespace winsim::detail

namespace winsim {

struct RegistrySnapshot::Tree {
  detail::SnapKey machine, users;
};

RegistrySnapshot::RegistrySnapshot() = default;
RegistrySnapshot::~RegistrySnapshot() = default;
RegistrySnapshot::RegistrySnapshot(RegistrySnapshot&&) noexcept = default;
RegistrySnapshot& RegistrySnapshot::operator=(RegistrySnapshot&&) noexcept = default;

RegistrySnapshot SnapshotRegistry() {
  RegistrySnapshot snapshot;
  snapshot.tree = std::make_unique<RegistrySnapshot::Tree>();
  snapshot.tree->machine = detail::Copy(*detail::MachineRoot(), "HKEY_LOCAL_MACHINE");
  snapshot.tree->users = detail::Copy(*detail::UsersRoot(), "HKEY_USERS");
  return snapshot;
}

std::vector<RegistryChange> RegistryChanges(const RegistrySnapshot& before) {
  static const RegistrySnapshot::Tree empty;
  const RegistrySnapshot::Tree& tree = before.tree ? *before.tree : empty;
  std::vector<RegistryChange> changes;
  detail::Differ differ(changes);
  differ.Compare("HKEY_LOCAL_MACHINE", tree.machine, *detail::MachineRoot());
  differ.Compare("HKEY_USERS", tree.users, *detail::UsersRoot());
  return changes;
}

}  // namespace winsim
