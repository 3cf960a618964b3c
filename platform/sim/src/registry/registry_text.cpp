#include "registry/registry_text.h"

#include <cstdio>

namespace winsim::detail {
namespace {

const std::size_t kLineWidth = 80;
const char kIndent[] = "  ";

void AppendQuoted(std::string& out, std::string_view text) {
  out += '"';
  for (char c : text) {
    if (c == '\\' || c == '"') out += '\\';
    out += c;
  }
  out += '"';
}

// A string the text form can carry: one NUL at the end, none inside, and no line break
// (which would end the line it is written on).
bool IsPlainString(const std::vector<BYTE>& data) {
  if (data.empty() || data.back() != 0) return false;
  for (std::size_t i = 0; i + 1 < data.size(); ++i)
    if (data[i] == 0 || data[i] == '\r' || data[i] == '\n') return false;
  return true;
}

void AppendHexList(std::string& out, const std::vector<BYTE>& data) {
  static const char digits[] = "0123456789abcdef";
  out.reserve(out.size() + data.size() * 3);
  for (std::size_t i = 0; i < data.size(); ++i) {
    if (i) out += ',';
    out += digits[data[i] >> 4];
    out += digits[data[i] & 15];
  }
}

}  // namespace

std::string ValueNameText(std::string_view name) {
  if (name.empty()) return "@";
  std::string out;
  AppendQuoted(out, name);
  return out;
}

std::string ValueDataText(DWORD type, const std::vector<BYTE>& data) {
  std::string out;
  if (type == REG_SZ && IsPlainString(data)) {
    AppendQuoted(out,
                 std::string_view(reinterpret_cast<const char*>(data.data()), data.size() - 1));
    return out;
  }
  if (type == REG_DWORD && data.size() == 4) {
    DWORD value = data[0] | (data[1] << 8) | (data[2] << 16) | (DWORD(data[3]) << 24);
    char text[32];
    std::snprintf(text, sizeof text, "dword:%08x", static_cast<unsigned>(value));
    return text;
  }
  if (type == REG_BINARY) {
    out = "hex:";
  } else {
    char text[32];
    std::snprintf(text, sizeof text, "hex(%x):", static_cast<unsigned>(type));
    out = text;
  }
  AppendHexList(out, data);
  return out;
}

void AppendValueLine(std::string& out, std::string_view nameText, std::string_view dataText) {
  std::size_t lineStart = out.size();
  out += nameText;
  out += '=';
  std::size_t colon = dataText.find(':');
  if (dataText.compare(0, 3, "hex") != 0 || colon == std::string_view::npos ||
      out.size() - lineStart + dataText.size() <= kLineWidth) {
    out += dataText;
    out += "\r\n";
    return;
  }
  out += dataText.substr(0, colon + 1);
  std::string_view list = dataText.substr(colon + 1);
  std::size_t pos = 0;
  while (pos < list.size()) {
    std::size_t comma = list.find(',', pos);
    bool last = comma == std::string_view::npos;
    std::size_t end = last ? list.size() : comma + 1;
    // A line that goes on keeps a column for its "\".
    std::size_t room = last ? kLineWidth : kLineWidth - 1;
    if (out.size() - lineStart + (end - pos) > room) {
      out += "\\\r\n";
      lineStart = out.size();
      out += kIndent;
    }
    out += list.substr(pos, end - pos);
    pos = end;
  }
  out += "\r\n";
}

}  // namespace winsim::detail
