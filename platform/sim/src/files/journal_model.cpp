#include "files/journal_model.h"

#include <algorithm>

#include "files/folder_cache.h"

namespace winsim::detail {

void ChangeModel::Clear() {
  marked_.clear();
  occupants_.clear();
  where_.clear();
  next_ = 0;
}

bool ChangeModel::Touch(const std::string& host, Kind kind, DWORD attributes) {
  auto placed = marked_.try_emplace(host);
  if (placed.second) {
    placed.first->second.order = next_++;
    placed.first->second.kind = kind;
    placed.first->second.attributes = attributes;
  }
  return placed.second;
}

ChangeModel::Content* ChangeModel::Occupant(const std::string& host, bool folder, bool fresh) {
  auto it = occupants_.find(host);
  if (it != occupants_.end()) return &it->second;
  // Touched before and not held now: it holds nothing. First touched now: it holds what
  // it held at the mark.
  if (!fresh) return nullptr;
  Content& content = occupants_[host];
  content.origin = host;
  content.folder = folder;
  where_[host] = host;
  return &content;
}

void ChangeModel::KeepCopy(const Content& content, const std::string& saved) {
  if (content.origin.empty() || content.modified || saved.empty()) return;
  auto marked = marked_.find(content.origin);
  if (marked != marked_.end() && marked->second.copy.empty()) marked->second.copy = saved;
}

void ChangeModel::Created(const std::string& host, bool folder) {
  Touch(host, Kind::Absent, 0);
  occupants_[host] = Content{"", folder, false};
}

void ChangeModel::Written(const std::string& host, const std::string& saved, DWORD attributes) {
  const bool fresh = Touch(host, Kind::File, attributes);
  Content* content = Occupant(host, false, fresh);
  if (content == nullptr) return;
  KeepCopy(*content, saved);
  content->modified = true;
}

void ChangeModel::Removed(const std::string& host, const std::string& saved, DWORD attributes,
                          bool folder) {
  const bool fresh = Touch(host, folder ? Kind::Folder : Kind::File, attributes);
  Content* content = Occupant(host, folder, fresh);
  if (content == nullptr) return;
  KeepCopy(*content, saved);
  if (!content->origin.empty()) where_.erase(content->origin);
  occupants_.erase(host);
}

void ChangeModel::Renamed(const std::string& from, const std::string& to, DWORD attributes,
                          bool folder) {
  const bool fresh = Touch(from, folder ? Kind::Folder : Kind::File, attributes);
  Content* found = Occupant(from, folder, fresh);
  Content content = found != nullptr ? *found : Content{"", folder, false};
  Touch(to, Kind::Absent, 0);
  occupants_.erase(from);
  if (!content.origin.empty()) where_[content.origin] = to;
  occupants_[to] = content;
  if (folder) MoveBelow(from, to);
}

// What was tracked inside a moved folder is now under its new path.
void ChangeModel::MoveBelow(const std::string& from, const std::string& to) {
  const std::string prefix = from + "/";
  std::vector<std::pair<std::string, Content>> moved;
  for (auto it = occupants_.lower_bound(prefix);
       it != occupants_.end() && it->first.compare(0, prefix.size(), prefix) == 0;) {
    moved.emplace_back(to + it->first.substr(from.size()), it->second);
    it = occupants_.erase(it);
  }
  for (auto& entry : moved) occupants_[entry.first] = std::move(entry.second);
  for (auto& entry : where_)
    if (entry.second.compare(0, prefix.size(), prefix) == 0)
      entry.second = to + entry.second.substr(from.size());
}

void ChangeModel::AttributesSet(const std::string& host, DWORD before, bool folder) {
  const bool fresh = Touch(host, folder ? Kind::Folder : Kind::File, before);
  Occupant(host, folder, fresh);
}

std::vector<FileChange> ChangeModel::Changes() const {
  using K = FileChange::Kind;
  std::vector<std::pair<std::size_t, FileChange>> changes;
  for (const auto& item : marked_) {
    const std::string& path = item.first;
    const AtMark& mark = item.second;
    const CachedEntry* entry = FindHostEntry(path);
    const DWORD now = entry != nullptr ? entry->attributes : 0;
    auto add = [&](K kind, const std::string& original) {
      FileChange change;
      change.kind = kind;
      change.path = WindowsPathOfHost(path);
      change.originalHost = original;
      change.oldAttributes = mark.kind == Kind::Absent ? 0 : mark.attributes;
      change.newAttributes = now;
      changes.emplace_back(mark.order, std::move(change));
      return &changes.back().second;
    };
    const Kind was = mark.kind;
    auto occupant = occupants_.find(path);
    if (occupant == occupants_.end()) {
      // Nothing here now; content that moved away is told at its new path.
      if (was == Kind::Absent || where_.count(path) != 0) continue;
      add(was == Kind::Folder ? K::FolderRemoved : K::Deleted, mark.copy)->newAttributes = 0;
      continue;
    }
    const Content& content = occupant->second;
    if (content.origin == path) {
      if (content.modified && !content.folder)
        add(K::Changed, mark.copy);
      else if (mark.attributes != now)
        add(K::Attributes, "");
    } else if (!content.origin.empty()) {
      add(K::Moved, was == Kind::File ? mark.copy : "")->from = WindowsPathOfHost(content.origin);
    } else if (was == Kind::Absent) {
      add(content.folder ? K::FolderCreated : K::Created, "")->oldAttributes = 0;
    } else if (was == Kind::File && !content.folder) {
      add(K::Changed, mark.copy);  // removed and made again
    } else if (was == Kind::Folder && content.folder) {
      if (mark.attributes != now) add(K::Attributes, "");
    } else {
      // A file became a folder or the other way round.
      add(was == Kind::Folder ? K::FolderRemoved : K::Deleted, mark.copy)->newAttributes = 0;
      add(content.folder ? K::FolderCreated : K::Created, "")->oldAttributes = 0;
    }
  }
  std::stable_sort(changes.begin(), changes.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  std::vector<FileChange> result;
  for (auto& change : changes) result.push_back(std::move(change.second));
  return result;
}

}  // namespace winsim::detail
