// Registry changes as REGEDIT4 text that, imported over the registry as it was, makes it
// as it is.
#include "registry/registry_text.h"
#include "winsim/machine.h"

namespace winsim {

std::string RegistryChangesText(const std::vector<RegistryChange>& changes) {
  std::string out;
  const std::string* openKey = nullptr;  // the key whose "[KEY]" block is being written
  auto close = [&]() {
    if (openKey) out += "\r\n";
    openKey = nullptr;
  };
  auto open = [&](const std::string& key) {
    if (openKey && *openKey == key) return;
    close();
    out += '[';
    out += key;
    out += "]\r\n";
    openKey = &key;
  };
  for (const RegistryChange& change : changes) {
    switch (change.kind) {
      case RegistryChange::Kind::KeyRemoved:
        close();
        out += "[-";
        out += change.key;
        out += "]\r\n\r\n";
        break;
      case RegistryChange::Kind::KeyAdded:
        close();
        open(change.key);
        break;
      case RegistryChange::Kind::ValueSet:
        open(change.key);
        if (!change.oldData.empty()) {
          out += "; was: ";
          out += change.oldData;
          out += "\r\n";
        }
        detail::AppendValueLine(out, detail::ValueNameText(change.value), change.newData);
        break;
      case RegistryChange::Kind::ValueRemoved:
        open(change.key);
        detail::AppendValueLine(out, detail::ValueNameText(change.value), "-");
        break;
    }
  }
  close();
  return out;
}

}  // namespace winsim
