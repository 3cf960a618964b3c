// The open change journal: its log, its saved copies and the current segment's changes.
#include "files/journal.h"

#include <unistd.h>

#include <filesystem>
#include <memory>
#include <set>

#include "files/file_system.h"
#include "files/folder_cache.h"
#include "files/host_files.h"
#include "files/journal_log.h"
#include "files/journal_model.h"
#include "winsim/machine.h"

namespace winsim::detail {
namespace {

struct OpenJournal {
  std::string folder;
  JournalLog log;
  std::size_t nextSaved = 0;
  // Paths whose present content the log can already restore or remove, so that a second
  // write in the same segment needs no second copy.
  std::set<std::string> covered;
  ChangeModel changes;
};

std::unique_ptr<OpenJournal>& Journal() {
  static std::unique_ptr<OpenJournal> journal;
  return journal;
}

std::size_t recordsBeforeStop = 0;

bool Append(OpenJournal& journal, const JournalRecord& record) {
  if (!journal.log.Append(record)) return false;
  if (recordsBeforeStop > 0 && --recordsBeforeStop == 0) _exit(0);
  return true;
}

void ForgetCovered(std::set<std::string>& covered, const std::string& host) {
  covered.erase(host);
  const std::string prefix = host + "/";
  auto it = covered.lower_bound(prefix);
  while (it != covered.end() && it->compare(0, prefix.size(), prefix) == 0) it = covered.erase(it);
}

std::string Normalized(std::string folder) {
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  return folder;
}

// Files open for writing when a segment starts can still be written through their
// handles: each is saved now, as though it were opened again.
void SaveFilesOpenForWriting() {
  for (const std::string& host : HostsOpenForWriting()) {
    JournalOp op;
    op.kind = JournalOp::Kind::WriteFile;
    op.host = host;
    if (const CachedEntry* entry = FindHostEntry(host)) op.attributes = entry->attributes;
    if (JournalBefore(op)) JournalAfter(op);
  }
}

}  // namespace

bool JournalOpen() { return Journal() != nullptr; }

bool JournalBefore(JournalOp& op) {
  OpenJournal* journal = Journal().get();
  if (journal == nullptr) return true;
  using Kind = JournalOp::Kind;
  using Type = JournalRecord::Type;
  JournalRecord record;
  record.host = op.host;
  record.attributes = op.attributes;
  switch (op.kind) {
    case Kind::CreateFile:
      record.type = Type::CreateFile;
      break;
    case Kind::WriteFile:
      if (journal->covered.count(op.host) != 0) return true;
      record.type = Type::WriteFile;
      record.saved = std::to_string(++journal->nextSaved);
      break;
    case Kind::DeleteFile:
      record.type = Type::DeleteFile;
      record.saved = std::to_string(++journal->nextSaved);
      break;
    case Kind::Rename:
      record.type = Type::Rename;
      record.to = op.to;
      record.folder = op.folder;
      break;
    case Kind::CreateFolder:
      record.type = Type::CreateFolder;
      break;
    case Kind::RemoveFolder:
      record.type = Type::RemoveFolder;
      break;
    case Kind::Attributes:
      record.type = Type::Attributes;
      record.newAttributes = op.newAttributes;
      break;
  }
  if (!Append(*journal, record)) {
    SetLastError(ERROR_ACCESS_DENIED);
    return false;
  }
  if (!record.saved.empty()) op.saved = journal->folder + "/" + record.saved;
  // The copy comes after its record: an undo that finds no copy knows the write never began.
  if (op.kind == Kind::WriteFile && !CopyHostFile(op.host, op.saved)) {
    SetLastError(ERROR_ACCESS_DENIED);
    return false;
  }
  return true;
}

void JournalAfter(const JournalOp& op) {
  OpenJournal* journal = Journal().get();
  if (journal == nullptr) return;
  using Kind = JournalOp::Kind;
  ChangeModel& changes = journal->changes;
  switch (op.kind) {
    case Kind::CreateFile:
      journal->covered.insert(op.host);
      changes.Created(op.host, false);
      break;
    case Kind::WriteFile:
      journal->covered.insert(op.host);
      changes.Written(op.host, op.saved, op.attributes);
      break;
    case Kind::DeleteFile:
      journal->covered.erase(op.host);
      changes.Removed(op.host, op.saved, op.attributes, false);
      break;
    case Kind::Rename:
      ForgetCovered(journal->covered, op.host);
      ForgetCovered(journal->covered, op.to);
      changes.Renamed(op.host, op.to, op.attributes, op.folder);
      break;
    case Kind::CreateFolder:
      changes.Created(op.host, true);
      break;
    case Kind::RemoveFolder:
      changes.Removed(op.host, "", op.attributes, true);
      break;
    case Kind::Attributes:
      changes.AttributesSet(op.host, op.attributes, op.folder);
      break;
  }
}

bool RemoveHostFile(const JournalOp& op) {
  if (!op.saved.empty()) return MoveHostFile(op.host, op.saved);
  return unlink(op.host.c_str()) == 0;
}

void AbandonFileJournal() { Journal().reset(); }

void StopAfterJournalRecords(std::size_t count) { recordsBeforeStop = count; }

}  // namespace winsim::detail

namespace winsim {

using detail::Journal;

bool BeginFileJournal(const std::string& journalHostFolder, std::string& error) {
  if (Journal()) {
    error = "a file journal is open already";
    return false;
  }
  const std::string folder = detail::Normalized(journalHostFolder);
  if (folder.empty() || folder[0] != '/') {
    error = "the journal folder must be a full host path: " + journalHostFolder;
    return false;
  }
  if (!detail::WindowsPathOfHost(folder).empty()) {
    error = "the journal folder must be outside the machine's drives: " + folder;
    return false;
  }
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  const std::string log = folder + "/" + detail::kJournalLogName;
  if (detail::HostExists(log)) {
    error = folder + " holds a journal already; recover it first";
    return false;
  }
  // Ending the journal removes its folder, so it must hold nothing else.
  if (!std::filesystem::is_empty(folder, ec) || ec) {
    error = "the journal folder must be empty: " + folder;
    return false;
  }
  auto journal = std::make_unique<detail::OpenJournal>();
  journal->folder = folder;
  if (!journal->log.Open(log, true)) {
    error = "cannot write a journal in " + folder;
    return false;
  }
  Journal() = std::move(journal);
  detail::SaveFilesOpenForWriting();
  return true;
}

void MarkFileJournal() {
  detail::OpenJournal* journal = Journal().get();
  if (journal == nullptr) return;
  detail::JournalRecord mark;
  mark.type = detail::JournalRecord::Type::Mark;
  detail::Append(*journal, mark);
  journal->covered.clear();
  journal->changes.Clear();
  detail::SaveFilesOpenForWriting();
}

std::vector<FileChange> FileJournalChanges() {
  return Journal() ? Journal()->changes.Changes() : std::vector<FileChange>{};
}

bool UndoFileJournal(std::string& error) {
  if (!Journal()) {
    error = "no file journal is open";
    return false;
  }
  const std::string folder = Journal()->folder;
  Journal().reset();
  return detail::ReplayJournal(folder, error);
}

bool EndFileJournal(std::string& error) {
  if (!Journal()) {
    error = "no file journal is open";
    return false;
  }
  const std::string folder = Journal()->folder;
  Journal().reset();
  return detail::RemoveHostTree(folder, error);
}

bool RecoverFileJournal(const std::string& journalHostFolder, std::string& error) {
  const std::string folder = detail::Normalized(journalHostFolder);
  if (Journal() && Journal()->folder == folder) {
    error = "the journal in " + folder + " is open in this process";
    return false;
  }
  if (!detail::HostExists(folder + "/" + detail::kJournalLogName)) return true;
  return detail::ReplayJournal(folder, error);
}

}  // namespace winsim
