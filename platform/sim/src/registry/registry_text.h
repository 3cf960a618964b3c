// How the registry editor writes names and data in its REGEDIT4 text.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "core/internal.h"

namespace winsim::detail {

// "@" for the default value, otherwise the name in quotes with \ and " escaped.
std::string ValueNameText(std::string_view name);

// The data as it follows "=": "text", dword:0000002a, hex:01,02 or hex(N):..., on one line.
std::string ValueDataText(DWORD type, const std::vector<BYTE>& data);

// Appends `nameText=dataText` and CR LF, a byte list wrapped as the registry editor
// wraps it: lines of at most 80 characters, a trailing "\" and continuation lines
// indented by two spaces.
void AppendValueLine(std::string& out, std::string_view nameText, std::string_view dataText);

}  // namespace winsim::detail
