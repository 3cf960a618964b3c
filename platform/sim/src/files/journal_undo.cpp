// Undoing a journal: the inverse of each record, last first. Each inverse looks at the
// host before it acts, so that a record whose change never happened (the process died
// between the record and the change) or was undone once already is passed over.
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include "files/folder_cache.h"
#include "files/host_files.h"
#include "files/journal.h"
#include "files/journal_log.h"

namespace winsim::detail {
namespace {

// The entry for a host path on one of the drives, reading its folders when needed.
CachedEntry* EntryOfHost(const std::string& host) {
  if (CachedEntry* entry = FindHostEntry(host)) return entry;
  const std::string windows = WindowsPathOfHost(host);
  if (windows.empty()) return nullptr;
  Resolved resolved = Resolve(windows);
  return resolved.Exists() && resolved.host == host ? resolved.entry : nullptr;
}

void RestoreAttributes(const std::string& host, DWORD attributes) {
  if (CachedEntry* entry = EntryOfHost(host)) entry->attributes = attributes;
}

bool Undo(const JournalRecord& r, const std::string& folder, std::string& error) {
  using Type = JournalRecord::Type;
  auto failed = [&](const char* what, const std::string& path) {
    error = std::string("cannot ") + what + " " + path + ": " + std::strerror(errno);
    return false;
  };
  const std::string saved = folder + "/" + r.saved;
  switch (r.type) {
    case Type::Mark:
    case Type::Undone:
      return true;
    case Type::CreateFile:
      if (KindOnHost(r.host) == HostKind::File && unlink(r.host.c_str()) != 0)
        return failed("remove", r.host);
      SyncHostPath(r.host);
      return true;
    case Type::WriteFile:
    case Type::DeleteFile:
      if (HostExists(saved) && !MoveHostFile(saved, r.host)) return failed("restore", r.host);
      SyncHostPath(r.host);
      if (r.type == Type::DeleteFile) RestoreAttributes(r.host, r.attributes);
      return true;
    case Type::Rename:
      if (!HostExists(r.host) && HostExists(r.to)) {
        if (!MoveHostFile(r.to, r.host)) return failed("move back", r.to);
        MoveHostEntry(r.to, r.host);
      }
      return true;
    case Type::CreateFolder:
      if (HostIsDirectory(r.host) && rmdir(r.host.c_str()) != 0) return failed("remove", r.host);
      SyncHostPath(r.host);
      return true;
    case Type::RemoveFolder:
      if (!HostExists(r.host) && mkdir(r.host.c_str(), 0755) != 0) return failed("make", r.host);
      SyncHostPath(r.host);
      RestoreAttributes(r.host, r.attributes);
      return true;
    case Type::Attributes:
      RestoreAttributes(r.host, r.attributes);
      return true;
  }
  return true;
}

}  // namespace

bool ReplayJournal(const std::string& folder, std::string& error) {
  const std::string logPath = folder + "/" + kJournalLogName;
  std::ifstream in(logPath, std::ios::binary);
  if (!in) {
    error = "cannot read " + logPath;
    return false;
  }
  std::stringstream text;
  text << in.rdbuf();
  std::vector<JournalRecord> records;
  if (!ParseJournal(text.str(), records, error)) {
    error = logPath + ": " + error;
    return false;
  }
  std::set<std::size_t> undone;
  for (const JournalRecord& record : records)
    if (record.type == JournalRecord::Type::Undone) undone.insert(record.index);

  // Progress is logged too, so that an undo cut short resumes where it stopped.
  JournalLog log;
  log.Open(logPath, false);
  std::string firstError;
  for (std::size_t i = records.size(); i-- > 0;) {
    const JournalRecord::Type type = records[i].type;
    if (undone.count(i) != 0 || type == JournalRecord::Type::Mark ||
        type == JournalRecord::Type::Undone)
      continue;
    std::string what;
    if (!Undo(records[i], folder, what)) {
      if (firstError.empty()) firstError = what;
      continue;
    }
    JournalRecord progress;
    progress.type = JournalRecord::Type::Undone;
    progress.index = i;
    log.Append(progress);
  }
  log.Close();
  if (!firstError.empty()) {
    error = firstError;
    return false;
  }
  return detail::RemoveHostTree(folder, error);
}

}  // namespace winsim::detail
