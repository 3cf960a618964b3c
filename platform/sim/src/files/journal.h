// The change journal as the file calls see it: each change is described, recorded before
// it is made, and noted in the segment's changes once it has been made. Without an open
// journal both calls return at once.
#pragma once

#include <string>
#include <vector>

#include "winsim/api.h"

namespace winsim::detail {

struct JournalOp {
  enum class Kind {
    CreateFile,
    WriteFile,
    DeleteFile,
    Rename,
    CreateFolder,
    RemoveFolder,
    Attributes
  };
  Kind kind = Kind::CreateFile;
  std::string host;
  std::string to;  // Rename
  bool folder = false;
  DWORD attributes = 0;     // the path's attributes before the change
  DWORD newAttributes = 0;  // Attributes
  // Set by JournalBefore: for WriteFile the copy it made (empty when this segment already
  // has one); for DeleteFile where the file is to go instead of being unlinked.
  std::string saved;
};

// Records the change; false (last error set) when it cannot be recorded, and then the
// change must not be made.
bool JournalBefore(JournalOp& op);
// Notes a change that has been made.
void JournalAfter(const JournalOp& op);
bool JournalOpen();

// Removes a file: into the journal (when one is open and recorded it in `op`), else unlinked.
bool RemoveHostFile(const JournalOp& op);

// Drops the open journal as a killed process would leave it (Reset does this).
void AbandonFileJournal();

// Undoes the journal in a folder; removes the folder when everything was undone.
bool ReplayJournal(const std::string& folder, std::string& error);

// Test hook: the process ends right after the next record is written, before the change
// it records is made, as a process killed at that moment would.
void StopAfterNextJournalRecord();

}  // namespace winsim::detail
