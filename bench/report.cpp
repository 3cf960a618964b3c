#include "report.h"

#include "encoding.h"
#include "text_diff.h"

namespace bench {
namespace {

std::string Quoted(const std::string& value) {
  std::string out = "\"";
  for (char c : value) {
    if (c == '\n')
      out += "\\n";
    else if (c == '\r')
      out += "\\r";
    else if (c == '\t')
      out += "\\t";
    else if (c == '"')
      out += "\\\"";
    else
      out += c;
  }
  return out + "\"";
}

std::string Indented(const std::string& text, const std::string& indent) {
  std::string out;
  for (const std::string& line : SplitLines(text)) out += indent + line + "\n";
  return out;
}

std::string FileLine(const FileReport& file) {
  std::string line =
      "  " + file.kind + "  " + (file.from.empty() ? "" : file.from + " -> ") + file.path;
  if (file.kind == "created") line += " (" + std::to_string(file.newSize) + " bytes)";
  if (file.kind == "deleted") line += " (was " + std::to_string(file.oldSize) + " bytes)";
  if (file.kind == "changed" && !file.text)
    line += " (" + std::to_string(file.oldSize) + " -> " + std::to_string(file.newSize) +
            " bytes, not text)";
  if (file.kind == "attributes")
    line +=
        " (" + AttributeText(file.oldAttributes) + " -> " + AttributeText(file.newAttributes) + ")";
  return line + "\n";
}

const char* KindName(winsim::RegistryChange::Kind kind) {
  switch (kind) {
    case winsim::RegistryChange::Kind::KeyAdded:
      return "key added";
    case winsim::RegistryChange::Kind::KeyRemoved:
      return "key removed";
    case winsim::RegistryChange::Kind::ValueSet:
      return "value set";
    default:
      return "value removed";
  }
}

}  // namespace

std::string ResultMeaning(UINT result) {
  switch (result) {
    case ERROR_SUCCESS:
      return "success";
    case ERROR_INSTALL_USEREXIT:
      return "user exit: the installation ends";
    case ERROR_INSTALL_FAILURE:
      return "failure: the installation ends";
    case ERROR_NO_MORE_ITEMS:
      return "skip the remaining actions";
    case ERROR_FUNCTION_NOT_CALLED:
      return "action not executed";
    default:
      return "unexpected result: the installation ends";
  }
}

std::string StyleText(UINT style) {
  static const char* const buttons[] = {"MB_OK",          "MB_OKCANCEL", "MB_ABORTRETRYIGNORE",
                                        "MB_YESNOCANCEL", "MB_YESNO",    "MB_RETRYCANCEL"};
  std::string text =
      (style & 0xF) < 6 ? buttons[style & 0xF] : "buttons " + std::to_string(style & 0xF);
  static const std::pair<UINT, const char*> flags[] = {
      {MB_ICONHAND, "MB_ICONERROR"},          {MB_ICONQUESTION, "MB_ICONQUESTION"},
      {MB_ICONEXCLAMATION, "MB_ICONWARNING"}, {MB_ICONASTERISK, "MB_ICONINFORMATION"},
      {MB_SYSTEMMODAL, "MB_SYSTEMMODAL"},     {MB_TASKMODAL, "MB_TASKMODAL"},
      {MB_SETFOREGROUND, "MB_SETFOREGROUND"}, {MB_TOPMOST, "MB_TOPMOST"}};
  UINT icon = style & 0xF0;
  for (const auto& flag : flags) {
    bool isIcon = (flag.first & 0xF0) != 0 && flag.first <= 0xF0;
    if (isIcon ? icon == flag.first : (style & flag.first) != 0)
      text += std::string(" | ") + flag.second;
  }
  return text;
}

std::string AnswerText(int answer) {
  static const char* const names[] = {"",        "IDOK",     "IDCANCEL", "IDABORT",
                                      "IDRETRY", "IDIGNORE", "IDYES",    "IDNO"};
  return answer >= 1 && answer <= 7 ? names[answer] : std::to_string(answer);
}

std::string AttributeText(DWORD attributes) {
  std::string text;
  if (attributes & FILE_ATTRIBUTE_READONLY) text += 'R';
  if (attributes & FILE_ATTRIBUTE_HIDDEN) text += 'H';
  if (attributes & FILE_ATTRIBUTE_SYSTEM) text += 'S';
  if (attributes & FILE_ATTRIBUTE_ARCHIVE) text += 'A';
  return text.empty() ? "-" : text;
}

std::string HumanReport(const ActionReport& report) { return ToUtf8(HumanReportText(report)); }

std::string HumanReportText(const ActionReport& report) {
  std::string out = "=== " + report.action + ": " + std::to_string(report.result) + " (" +
                    ResultMeaning(report.result) + ") ===\n";
  if (report.properties.empty()) {
    out += "Properties: no changes\n";
  } else {
    out += "Properties:\n";
    for (const PropertyChange& change : report.properties) {
      if (!change.isSet)
        out += "  - " + change.name + " (was " + Quoted(change.oldValue) + ")\n";
      else if (!change.wasSet)
        out += "  + " + change.name + " = " + Quoted(change.newValue) + "\n";
      else
        out += "  ~ " + change.name + " = " + Quoted(change.newValue) + " (was " +
               Quoted(change.oldValue) + ")\n";
    }
  }
  if (report.registry.empty())
    out += "Registry: no changes\n";
  else
    out += "Registry:\n" + Indented(report.registryText, "  ");
  if (report.files.empty()) {
    out += "Files: no changes\n";
  } else {
    out += "Files:\n";
    for (const FileReport& file : report.files) {
      out += FileLine(file);
      if (!file.diff.empty()) out += Indented(file.diff, "      ");
    }
  }
  if (report.messageBoxes.empty()) {
    out += "Message boxes: none\n";
  } else {
    out += "Message boxes:\n";
    for (const MessageBoxReport& box : report.messageBoxes)
      out += "  caption " + Quoted(box.caption) + ", style " + StyleText(box.style) +
             ", answered " + AnswerText(box.answer) + "\n    " + Quoted(box.text) + "\n";
  }
  if (report.output.empty()) {
    out += "Standard output: none\n";
  } else {
    out += "Standard output:\n";
    for (const std::string& line : report.output) out += "  | " + line + "\n";
  }
  return out;
}

nlohmann::json JsonReport(const ActionReport& report) {
  using nlohmann::json;
  json properties = json::array();
  for (const PropertyChange& change : report.properties)
    properties.push_back({{"name", ToUtf8(change.name)},
                          {"old", change.wasSet ? json(ToUtf8(change.oldValue)) : json(nullptr)},
                          {"new", change.isSet ? json(ToUtf8(change.newValue)) : json(nullptr)}});
  json registry = json::array();
  for (const winsim::RegistryChange& change : report.registry) {
    json entry = {{"change", KindName(change.kind)}, {"key", ToUtf8(change.key)}};
    if (change.kind == winsim::RegistryChange::Kind::ValueSet ||
        change.kind == winsim::RegistryChange::Kind::ValueRemoved) {
      entry["value"] = ToUtf8(change.value);
      entry["old"] = change.oldData.empty() ? json(nullptr) : json(ToUtf8(change.oldData));
      entry["new"] = change.newData.empty() ? json(nullptr) : json(ToUtf8(change.newData));
    }
    registry.push_back(entry);
  }
  json files = json::array();
  for (const FileReport& file : report.files) {
    json entry = {{"change", file.kind}, {"path", ToUtf8(file.path)}};
    if (!file.from.empty()) entry["from"] = ToUtf8(file.from);
    if (file.kind == "created" || file.kind == "changed") entry["size"] = file.newSize;
    if (file.kind == "changed" || file.kind == "deleted") entry["oldSize"] = file.oldSize;
    if (!file.diff.empty()) entry["diff"] = ToUtf8(file.diff);
    if (file.kind == "attributes") {
      entry["oldAttributes"] = AttributeText(file.oldAttributes);
      entry["newAttributes"] = AttributeText(file.newAttributes);
    }
    files.push_back(entry);
  }
  json boxes = json::array();
  for (const MessageBoxReport& box : report.messageBoxes)
    boxes.push_back({{"caption", ToUtf8(box.caption)},
                     {"text", ToUtf8(box.text)},
                     {"style", box.style},
                     {"styleText", StyleText(box.style)},
                     {"answer", AnswerText(box.answer)}});
  json output = json::array();
  for (const std::string& line : report.output) output.push_back(ToUtf8(line));
  return {{"action", report.action},
          {"result", report.result},
          {"meaning", ResultMeaning(report.result)},
          {"properties", properties},
          {"registry", registry},
          {"registryText", ToUtf8(report.registryText)},
          {"files", files},
          {"messageBoxes", boxes},
          {"standardOutput", output}};
}

}  // namespace bench
