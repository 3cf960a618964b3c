// Registry-editor text read into the registry: the whole text is parsed first, so that a
// malformed one changes nothing, then applied in order.
#include <algorithm>
#include <utility>

#include "registry/registry_codepage.h"
#include "registry/registry_tree.h"
#include "winsim/machine.h"

namespace winsim::detail {
namespace {

const char kVersion4[] = "REGEDIT4";
const char kVersion5[] = "Windows Registry Editor Version 5.00";

std::string_view TrimLeft(std::string_view s) {
  std::size_t i = 0;
  while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
  return s.substr(i);
}

std::string_view TrimRight(std::string_view s) {
  std::size_t n = s.size();
  while (n > 0 && (s[n - 1] == ' ' || s[n - 1] == '\t' || s[n - 1] == '\r')) --n;
  return s.substr(0, n);
}

bool StartsWithNoCase(std::string_view s, std::string_view prefix) {
  return s.size() >= prefix.size() && SameFolded(s.substr(0, prefix.size()), prefix);
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// 1 to `maxDigits` hex digits and nothing else.
bool ParseHex(std::string_view s, std::size_t maxDigits, DWORD& value) {
  if (s.empty() || s.size() > maxDigits) return false;
  value = 0;
  for (char c : s) {
    int d = HexDigit(c);
    if (d < 0) return false;
    value = (value << 4) | static_cast<DWORD>(d);
  }
  return true;
}

// The first line that is not blank or a comment, where the header must be.
std::string_view FirstContentLine(std::string_view text) {
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = TrimLeft(TrimRight(text.substr(pos, end - pos)));
    if (!line.empty() && line[0] != ';') return line;
    pos = end + 1;
  }
  return {};
}

struct Operation {
  enum class Kind { OpenKey, DeleteKey, SetValue, DeleteValue } kind = Kind::OpenKey;
  HKEY root = nullptr;
  std::vector<std::string> path;  // below the root, for key operations
  std::string name;               // for value operations
  DWORD type = REG_NONE;
  std::vector<BYTE> data;
};

class Parser {
 public:
  Parser(std::string_view text, const std::string& sourceName)
      : text_(text), sourceName_(sourceName) {}

  bool Parse(std::vector<Operation>& operations, std::string& error) {
    // At most one operation a line: reserving spares the large text's copies on growth.
    operations.reserve(static_cast<std::size_t>(std::count(text_.begin(), text_.end(), '\n')) + 1);
    bool header = false;
    std::string_view line;
    while (NextLine(line)) {
      std::string_view content = TrimLeft(TrimRight(line));
      if (content.empty() || content[0] == ';') continue;
      if (!header) {
        if (content == kVersion5)
          version5_ = true;
        else if (content != kVersion4)
          return Fail("missing header (REGEDIT4 or Windows Registry Editor Version 5.00)", error);
        header = true;
        continue;
      }
      bool ok = content[0] == '['                        ? ParseKeyLine(content, operations)
                : content[0] == '"' || content[0] == '@' ? ParseValueLine(content, operations)
                                                         : Fail("not a key or a value line");
      if (!ok) {
        error = error_;
        return false;
      }
    }
    if (!header) {
      line_ = 1;  // nothing but blank lines and comments
      return Fail("missing header (REGEDIT4 or Windows Registry Editor Version 5.00)", error);
    }
    return true;
  }

 private:
  enum class State { NoKey, InKey, InDeletedKey };

  bool NextLine(std::string_view& line) {
    if (pos_ >= text_.size()) return false;
    std::size_t end = text_.find('\n', pos_);
    if (end == std::string_view::npos) end = text_.size();
    line = text_.substr(pos_, end - pos_);
    pos_ = end + 1;
    ++line_;
    return true;
  }

  bool Fail(const std::string& what) {
    error_ = sourceName_ + ":" + std::to_string(line_) + ": " + what;
    return false;
  }
  bool Fail(const std::string& what, std::string& error) {
    Fail(what);
    error = error_;
    return false;
  }

  bool ParseKeyLine(std::string_view content, std::vector<Operation>& operations) {
    if (content.back() != ']') return Fail("missing \"]\" after the key name");
    std::string_view inner = content.substr(1, content.size() - 2);
    bool remove = !inner.empty() && inner[0] == '-';
    if (remove) inner.remove_prefix(1);
    std::vector<std::string> parts = SplitKeyPath(inner);
    if (parts.empty()) return Fail("missing key name");
    HKEY root = RootByName(parts[0]);
    if (root == nullptr) return Fail("unknown root key \"" + parts[0] + "\"");
    if (remove && parts.size() == 1) return Fail("a root key cannot be deleted");
    Operation op;
    op.kind = remove ? Operation::Kind::DeleteKey : Operation::Kind::OpenKey;
    op.root = root;
    op.path.assign(std::make_move_iterator(parts.begin() + 1),
                   std::make_move_iterator(parts.end()));
    operations.push_back(std::move(op));
    state_ = remove ? State::InDeletedKey : State::InKey;
    return true;
  }

  // Reads a quoted text whose opening quote has been taken; `rest` is left after the
  // closing quote.
  bool ParseQuoted(std::string_view& rest, std::string& out) {
    std::size_t i = 0;
    while (i < rest.size()) {
      char c = rest[i];
      if (c == '"') {
        rest.remove_prefix(i + 1);
        return true;
      }
      if (c == '\\') {
        if (i + 1 >= rest.size()) break;
        char escaped = rest[i + 1];
        if (escaped != '\\' && escaped != '"')
          return Fail(std::string("bad escape \"\\") + escaped + "\"");
        out += escaped;
        i += 2;
        continue;
      }
      out += c;
      ++i;
    }
    return Fail("unterminated string");
  }

  bool ParseValueLine(std::string_view content, std::vector<Operation>& operations) {
    if (state_ == State::NoKey) return Fail("value before any key");
    if (state_ == State::InDeletedKey) return Fail("value under a deleted key");
    Operation op;
    std::string_view rest = content.substr(1);
    if (content[0] == '"' && !ParseQuoted(rest, op.name)) return false;
    rest = TrimLeft(rest);
    if (rest.empty() || rest[0] != '=') return Fail("missing \"=\" after the value name");
    rest = TrimLeft(rest.substr(1));

    if (!rest.empty() && rest[0] == '"') {
      rest.remove_prefix(1);
      std::string text;
      if (!ParseQuoted(rest, text)) return false;
      if (!rest.empty()) return Fail("text after the closing quote");
      op.kind = Operation::Kind::SetValue;
      op.type = REG_SZ;
      op.data.assign(text.begin(), text.end());
      op.data.push_back(0);
    } else if (rest == "-") {
      op.kind = Operation::Kind::DeleteValue;
    } else if (StartsWithNoCase(rest, "dword:")) {
      DWORD value = 0;
      std::string_view digits = TrimLeft(rest.substr(6));
      if (!ParseHex(digits, 8, value)) return Fail("bad dword \"" + std::string(digits) + "\"");
      op.kind = Operation::Kind::SetValue;
      op.type = REG_DWORD;
      op.data = {BYTE(value), BYTE(value >> 8), BYTE(value >> 16), BYTE(value >> 24)};
    } else if (StartsWithNoCase(rest, "hex")) {
      rest.remove_prefix(3);
      op.type = REG_BINARY;
      if (!rest.empty() && rest[0] == '(') {
        std::size_t close = rest.find(')');
        if (close == std::string_view::npos || !ParseHex(rest.substr(1, close - 1), 8, op.type))
          return Fail("bad value type \"hex" + std::string(rest.substr(0, close + 1)) + "\"");
        rest.remove_prefix(close + 1);
      }
      if (rest.empty() || rest[0] != ':') return Fail("missing \":\" after the value type");
      if (!ParseHexList(rest.substr(1), op.data)) return false;
      if (version5_ && (op.type == REG_EXPAND_SZ || op.type == REG_MULTI_SZ)) {
        std::string ansi = AnsiFromUtf16(
            std::string_view(reinterpret_cast<const char*>(op.data.data()), op.data.size()));
        op.data.assign(ansi.begin(), ansi.end());
      }
      op.kind = Operation::Kind::SetValue;
    } else {
      return Fail("unknown data \"" + std::string(rest) + "\"");
    }
    operations.push_back(std::move(op));
    return true;
  }

  // Bytes "01,ab,..." that go on over the next lines while a line ends in "\".
  bool ParseHexList(std::string_view segment, std::vector<BYTE>& out) {
    for (;;) {
      segment = TrimRight(segment);
      bool continued = !segment.empty() && segment.back() == '\\';
      if (continued) segment.remove_suffix(1);
      std::size_t pos = 0;
      while (pos <= segment.size()) {
        std::size_t comma = segment.find(',', pos);
        bool last = comma == std::string_view::npos;
        std::string_view token =
            TrimLeft(TrimRight(segment.substr(pos, last ? segment.npos : comma - pos)));
        DWORD byte = 0;
        if (!token.empty() && ParseHex(token, 2, byte))
          out.push_back(static_cast<BYTE>(byte));
        else if (!(token.empty() && last))  // a comma may end a line
          return Fail("bad hex byte \"" + std::string(token) + "\"");
        if (last) break;
        pos = comma + 1;
      }
      std::string_view next;
      if (!continued || !NextLine(next)) return true;
      segment = TrimLeft(next);
    }
  }

  std::string_view text_;
  const std::string& sourceName_;
  std::size_t pos_ = 0, line_ = 0;
  bool version5_ = false;
  State state_ = State::NoKey;
  std::string error_;
};

std::shared_ptr<RegKey> RootKey(HKEY root) {
  OpenKey open;
  ResolveKey(root, open);
  return open.key;
}

void Apply(std::vector<Operation>& operations) {
  std::shared_ptr<RegKey> current;
  for (Operation& op : operations) {
    switch (op.kind) {
      case Operation::Kind::OpenKey:
        current = RootKey(op.root);
        for (const std::string& part : op.path) current = current->SubKey(part);
        break;
      case Operation::Kind::DeleteKey: {
        current = nullptr;
        std::shared_ptr<RegKey> parent = RootKey(op.root);
        for (std::size_t i = 0; parent && i + 1 < op.path.size(); ++i)
          parent = parent->FindSubKey(op.path[i]);
        if (parent) parent->RemoveSubKey(op.path.back());
        break;
      }
      case Operation::Kind::SetValue:
        current->SetValue(op.name, op.type, std::move(op.data));
        break;
      case Operation::Kind::DeleteValue:
        current->RemoveValue(op.name);
        break;
    }
  }
}

// The text as code page 1252 bytes: version 5 text is Unicode, REGEDIT4 text is taken as
// it is.
std::string Decode(const std::string& text) {
  std::string_view raw(text);
  if (raw.substr(0, 2) == "\xFF\xFE") return AnsiFromUtf16(raw.substr(2));
  if (raw.substr(0, 3) == "\xEF\xBB\xBF") return AnsiFromUtf8(raw.substr(3));
  if (FirstContentLine(raw) == kVersion5) return AnsiFromUtf8(raw);
  return text;
}

}  // namespace
}  // namespace winsim::detail

namespace winsim {

bool ImportRegistry(const std::string& text, const std::string& sourceName, std::string& error) {
  std::string decoded = detail::Decode(text);
  std::vector<detail::Operation> operations;
  detail::Parser parser(decoded, sourceName);
  if (!parser.Parse(operations, error)) return false;
  error.clear();
  detail::Apply(operations);
  detail::NoteRegistryChange();
  return true;
}

}  // namespace winsim
