// The change journal's log: one line per change, appended before the change is made, so
// that a process killed at any point leaves a log whose undo restores the files.
#pragma once

#include <string>
#include <vector>

#include "winsim/api.h"

namespace winsim::detail {

struct JournalRecord {
  enum class Type : char {
    Mark = 'M',          // a new segment starts
    CreateFile = 'C',    // host: a file that did not exist
    WriteFile = 'W',     // host, saved: a copy of the file as it was
    DeleteFile = 'D',    // host, saved (the file itself), attributes
    Rename = 'V',        // host -> to, folder
    CreateFolder = 'F',  // host
    RemoveFolder = 'R',  // host, attributes
    Attributes = 'A',    // host, attributes -> newAttributes
    Undone = 'U',        // index: the record of that index has been undone
  };
  Type type = Type::Mark;
  std::string host;
  std::string to;
  std::string saved;  // a name in the journal folder
  bool folder = false;
  DWORD attributes = 0;
  DWORD newAttributes = 0;
  std::size_t index = 0;
};

// The log's first line, so that an unrelated file is never taken for a journal.
extern const char kJournalHeader[];
extern const char kJournalLogName[];

std::string FormatRecord(const JournalRecord& record);

// The records of a log's text; a last line without its line end was cut short by a
// killed process and counts as not written. False with `error` when it is no journal.
bool ParseJournal(const std::string& text, std::vector<JournalRecord>& records, std::string& error);

// The log file, opened for appending: each record reaches the host in one write.
class JournalLog {
 public:
  JournalLog() = default;
  ~JournalLog();
  JournalLog(const JournalLog&) = delete;
  JournalLog& operator=(const JournalLog&) = delete;
  bool Open(const std::string& path, bool create);
  bool Append(const JournalRecord& record);
  void Close();

 private:
  int fd_ = -1;
};

}  // namespace winsim::detail
