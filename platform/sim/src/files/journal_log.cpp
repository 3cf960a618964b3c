#include "files/journal_log.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace winsim::detail {

const char kJournalHeader[] = "winsim file journal 1";
const char kJournalLogName[] = "journal.log";

namespace {

// Fields are separated by tabs; a path may hold any byte but NUL.
std::string Escape(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    if (c == '\\')
      out += "\\\\";
    else if (c == '\t')
      out += "\\t";
    else if (c == '\n')
      out += "\\n";
    else if (c == '\r')
      out += "\\r";
    else
      out += c;
  }
  return out;
}

bool Unescape(const std::string& text, std::string& out) {
  out.clear();
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\') {
      out += text[i];
      continue;
    }
    if (++i == text.size()) return false;
    switch (text[i]) {
      case '\\':
        out += '\\';
        break;
      case 't':
        out += '\t';
        break;
      case 'n':
        out += '\n';
        break;
      case 'r':
        out += '\r';
        break;
      default:
        return false;
    }
  }
  return true;
}

std::vector<std::string> Fields(const std::string& line) {
  std::vector<std::string> fields;
  std::size_t start = 0;
  for (;;) {
    std::size_t tab = line.find('\t', start);
    fields.push_back(
        line.substr(start, tab == std::string::npos ? std::string::npos : tab - start));
    if (tab == std::string::npos) return fields;
    start = tab + 1;
  }
}

bool Number(const std::string& text, unsigned long long& value) {
  if (text.empty()) return false;
  char* end = nullptr;
  errno = 0;
  value = std::strtoull(text.c_str(), &end, 10);
  return errno == 0 && *end == '\0';
}

// How many fields after the type each record has.
std::size_t FieldCount(JournalRecord::Type type) {
  switch (type) {
    case JournalRecord::Type::Mark:
      return 0;
    case JournalRecord::Type::CreateFile:
    case JournalRecord::Type::CreateFolder:
    case JournalRecord::Type::WriteFile:
    case JournalRecord::Type::RemoveFolder:
      return 2;
    case JournalRecord::Type::Undone:
      return 1;
    case JournalRecord::Type::DeleteFile:
    case JournalRecord::Type::Rename:
    case JournalRecord::Type::Attributes:
      return 3;
  }
  return 0;
}

bool KnownType(char c) { return std::string("MCWDVFRAU").find(c) != std::string::npos; }

}  // namespace

std::string FormatRecord(const JournalRecord& r) {
  using Type = JournalRecord::Type;
  std::string line(1, static_cast<char>(r.type));
  auto field = [&line](const std::string& text) { line += '\t' + Escape(text); };
  switch (r.type) {
    case Type::Mark:
      break;
    case Type::CreateFile:
    case Type::CreateFolder:
      field(r.host);
      break;
    case Type::WriteFile:
      field(r.host);
      field(r.saved);
      break;
    case Type::DeleteFile:
      field(r.host);
      field(r.saved);
      field(std::to_string(r.attributes));
      break;
    case Type::Rename:
      field(r.host);
      field(r.to);
      field(r.folder ? "1" : "0");
      break;
    case Type::RemoveFolder:
      field(r.host);
      field(std::to_string(r.attributes));
      break;
    case Type::Attributes:
      field(r.host);
      field(std::to_string(r.attributes));
      field(std::to_string(r.newAttributes));
      break;
    case Type::Undone:
      field(std::to_string(r.index));
      break;
  }
  return line + '\n';
}

bool ParseJournal(const std::string& text, std::vector<JournalRecord>& records,
                  std::string& error) {
  using Type = JournalRecord::Type;
  records.clear();
  std::size_t start = 0, number = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) break;  // cut short: never written
    const std::string line = text.substr(start, end - start);
    start = end + 1;
    if (++number == 1) {
      if (line != kJournalHeader) {
        error = "not a file journal";
        return false;
      }
      continue;
    }
    std::vector<std::string> fields = Fields(line);
    const std::string where = "journal line " + std::to_string(number) + ": ";
    if (fields[0].size() != 1 || !KnownType(fields[0][0]) ||
        fields.size() != FieldCount(static_cast<Type>(fields[0][0])) + 1) {
      error = where + "unknown record";
      return false;
    }
    JournalRecord r;
    r.type = static_cast<Type>(fields[0][0]);
    std::vector<std::string> values(fields.size());
    for (std::size_t i = 1; i < fields.size(); ++i) {
      if (!Unescape(fields[i], values[i])) {
        error = where + "bad escape";
        return false;
      }
    }
    unsigned long long a = 0, b = 0;
    bool numbers = true;
    switch (r.type) {
      case Type::Mark:
        break;
      case Type::CreateFile:
      case Type::CreateFolder:
        r.host = values[1];
        break;
      case Type::WriteFile:
        r.host = values[1];
        r.saved = values[2];
        break;
      case Type::DeleteFile:
        r.host = values[1];
        r.saved = values[2];
        numbers = Number(values[3], a);
        r.attributes = static_cast<DWORD>(a);
        break;
      case Type::Rename:
        r.host = values[1];
        r.to = values[2];
        r.folder = values[3] == "1";
        break;
      case Type::RemoveFolder:
        r.host = values[1];
        numbers = Number(values[2], a);
        r.attributes = static_cast<DWORD>(a);
        break;
      case Type::Attributes:
        r.host = values[1];
        numbers = Number(values[2], a) && Number(values[3], b);
        r.attributes = static_cast<DWORD>(a);
        r.newAttributes = static_cast<DWORD>(b);
        break;
      case Type::Undone:
        numbers = Number(values[1], a);
        r.index = static_cast<std::size_t>(a);
        break;
    }
    if (!numbers) {
      error = where + "bad number";
      return false;
    }
    records.push_back(std::move(r));
  }
  if (number == 0) {
    error = "not a file journal";
    return false;
  }
  return true;
}

JournalLog::~JournalLog() { Close(); }

bool JournalLog::Open(const std::string& path, bool create) {
  Close();
  int flags = O_WRONLY | O_APPEND | O_CLOEXEC | (create ? O_CREAT | O_EXCL : 0);
  fd_ = open(path.c_str(), flags, 0644);
  if (fd_ < 0) return false;
  if (create) {
    const std::string header = std::string(kJournalHeader) + "\n";
    if (write(fd_, header.data(), header.size()) != static_cast<ssize_t>(header.size())) {
      Close();
      return false;
    }
  }
  return true;
}

bool JournalLog::Append(const JournalRecord& record) {
  if (fd_ < 0) return false;
  const std::string line = FormatRecord(record);
  // No fsync: the threat is a killed process, and the kernel keeps what was written.
  return write(fd_, line.data(), line.size()) == static_cast<ssize_t>(line.size());
}

void JournalLog::Close() {
  if (fd_ >= 0) close(fd_);
  fd_ = -1;
}

}  // namespace winsim::detail
