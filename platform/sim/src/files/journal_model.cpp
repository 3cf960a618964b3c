#include "files/journal_model.h"

#include <algorithm>

#include "core/internal.h"
#include "files/folder_cache.h"

namespace winsim::detail {

void ChangeModel::Clear() {
  marked_.clear();
  occupants_.clear();
  where_.clear();
  next_ = 0;
}

bool ChangeModel::Touch(const std::string& key, const std::string& host, Kind kind,
                        DWORD attributes) {
  auto placed = marked_.try_emplace(key);
  if (placed.second) {
    AtMark& mark = placed.first->second;
    mark.order = next_++;
    mark.kind = kind;
    mark.host = host;
    mark.attributes = attributes;
  }
  return placed.second;
}

ChangeModel::Content* ChangeModel::Occupant(const std::string& key, const std::string& host,
                                            bool folder, bool fresh) {
  auto it = occupants_.find(key);
  if (it != occupants_.end()) return &it->second;
  // Touched before and not held now: it holds nothing. First touched now: it holds what
  // it held at the mark.
  if (!fresh) return nullptr;
  Content& content = occupants_[key];
  content.origin = key;
  content.host = host;
  content.folder = folder;
  where_[key] = key;
  return &content;
}

void ChangeModel::KeepCopy(const Content& content, const std::string& saved) {
  if (content.origin.empty() || content.modified || saved.empty()) return;
  auto marked = marked_.find(content.origin);
  if (marked != marked_.end() && marked->second.copy.empty()) marked->second.copy = saved;
}

void ChangeModel::Created(const std::string& host, bool folder) {
  const std::string key = Upper(host);
  Touch(key, host, Kind::Absent, 0);
  occupants_[key] = Content{"", host, folder, false};
}

void ChangeModel::Written(const std::string& host, const std::string& saved, DWORD attributes) {
  const std::string key = Upper(host);
  const bool fresh = Touch(key, host, Kind::File, attributes);
  Content* content = Occupant(key, host, false, fresh);
  if (content == nullptr) return;
  KeepCopy(*content, saved);
  content->modified = true;
}

void ChangeModel::Removed(const std::string& host, const std::string& saved, DWORD attributes,
                          bool folder) {
  const std::string key = Upper(host);
  const bool fresh = Touch(key, host, folder ? Kind::Folder : Kind::File, attributes);
  Content* content = Occupant(key, host, folder, fresh);
  if (content == nullptr) return;
  KeepCopy(*content, saved);
  if (!content->origin.empty()) where_.erase(content->origin);
  occupants_.erase(key);
}

void ChangeModel::Renamed(const std::string& from, const std::string& to, DWORD attributes,
                          bool folder) {
  const std::string fromKey = Upper(from), toKey = Upper(to);
  const bool fresh = Touch(fromKey, from, folder ? Kind::Folder : Kind::File, attributes);
  Content* found = Occupant(fromKey, from, folder, fresh);
  Content content = found != nullptr ? *found : Content{"", from, folder, false};
  Touch(toKey, to, Kind::Absent, 0);
  occupants_.erase(fromKey);
  content.host = to;
  if (!content.origin.empty()) where_[content.origin] = toKey;
  occupants_[toKey] = content;
  if (folder) MoveBelow(fromKey, toKey, to);
}

// What was tracked inside a moved folder is now under its new path.
void ChangeModel::MoveBelow(const std::string& fromKey, const std::string& toKey,
                            const std::string& to) {
  const std::string prefix = fromKey + "/";
  std::vector<std::pair<std::string, Content>> moved;
  for (auto it = occupants_.lower_bound(prefix);
       it != occupants_.end() && it->first.compare(0, prefix.size(), prefix) == 0;) {
    Content content = it->second;
    content.host = to + content.host.substr(fromKey.size());
    moved.emplace_back(toKey + it->first.substr(fromKey.size()), std::move(content));
    it = occupants_.erase(it);
  }
  for (auto& entry : moved) occupants_[entry.first] = std::move(entry.second);
  for (auto& entry : where_)
    if (entry.second.compare(0, prefix.size(), prefix) == 0)
      entry.second = toKey + entry.second.substr(fromKey.size());
}

void ChangeModel::AttributesSet(const std::string& host, DWORD before, bool folder) {
  const std::string key = Upper(host);
  const bool fresh = Touch(key, host, folder ? Kind::Folder : Kind::File, before);
  Occupant(key, host, folder, fresh);
}

std::vector<FileChange> ChangeModel::Changes() const {
  using K = FileChange::Kind;
  std::vector<std::pair<std::size_t, FileChange>> changes;
  for (const auto& item : marked_) {
    const std::string& key = item.first;
    const AtMark& mark = item.second;
    auto occupant = occupants_.find(key);
    const Content* content = occupant != occupants_.end() ? &occupant->second : nullptr;
    const CachedEntry* entry = content != nullptr ? FindHostEntry(content->host) : nullptr;
    const DWORD now = entry != nullptr ? entry->attributes : 0;
    auto add = [&](K kind, const std::string& host, const std::string& original) {
      FileChange change;
      change.kind = kind;
      change.path = WindowsPathOfHost(host);
      change.originalHost = original;
      change.oldAttributes = mark.kind == Kind::Absent ? 0 : mark.attributes;
      change.newAttributes = now;
      changes.emplace_back(mark.order, std::move(change));
      return &changes.back().second;
    };
    const Kind was = mark.kind;
    if (content == nullptr) {
      // Nothing here now; content that moved away is told at its new path.
      if (was == Kind::Absent || where_.count(key) != 0) continue;
      add(was == Kind::Folder ? K::FolderRemoved : K::Deleted, mark.host, mark.copy);
      continue;
    }
    const std::string& here = content->host;
    if (content->origin == key) {
      if (content->modified && !content->folder)
        add(K::Changed, here, mark.copy);
      else if (here != mark.host)  // the same name, spelt anew
        add(K::Moved, here, "")->from = WindowsPathOfHost(mark.host);
      else if (mark.attributes != now)
        add(K::Attributes, here, "");
    } else if (!content->origin.empty()) {
      add(K::Moved, here, was == Kind::File ? mark.copy : "")->from =
          WindowsPathOfHost(marked_.at(content->origin).host);
    } else if (was == Kind::Absent) {
      add(content->folder ? K::FolderCreated : K::Created, here, "");
    } else if (was == Kind::File && !content->folder) {
      add(K::Changed, here, mark.copy);  // removed and made again
    } else if (was == Kind::Folder && content->folder) {
      if (mark.attributes != now) add(K::Attributes, here, "");
    } else {
      // A file became a folder or the other way round.
      add(was == Kind::Folder ? K::FolderRemoved : K::Deleted, mark.host, mark.copy)
          ->newAttributes = 0;
      add(content->folder ? K::FolderCreated : K::Created, here, "")->oldAttributes = 0;
    }
  }
  std::stable_sort(changes.begin(), changes.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  std::vector<FileChange> result;
  for (auto& change : changes) result.push_back(std::move(change.second));
  return result;
}

}  // namespace winsim::detail
