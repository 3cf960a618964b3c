// What the host action tests share: the KyrCMsiExt library, a scratch folder, the host
// keys of the machine, and a session over a package with an install folder.
#pragma once

#include <map>
#include <memory>

#include "kit/kit.h"

namespace hosttest {

class HostFixture : public kit::MachineTest {
 protected:
  kit::ScratchKey machineKeys{HKEY_LOCAL_MACHINE, "SOFTWARE\\Quorvel"};
  kit::ScratchFolder folder;
  kit::Library library{"KyrCMsiExt.dll"};

  // A session over a fresh package with these properties, "INSTALLDIR" under TARGETDIR,
  // and costing done.
  std::unique_ptr<kit::Session> OpenSession(
      const std::vector<std::pair<std::string, std::string>>& properties,
      std::vector<std::vector<std::string>> directories = {}) {
    std::string package = folder / ("package" + std::to_string(++packages_) + ".msi");
    if (directories.empty())
      directories = {{"TARGETDIR", "", "SourceDir"}, {"INSTALLDIR", "TARGETDIR", "Nolva"}};
    std::vector<kit::Table> tables = kit::CostingTables();
    tables.push_back(kit::PropertyTable(properties));
    tables.push_back(kit::DirectoryTable(directories));
    kit::WritePackage(package, tables);
    auto session = std::make_unique<kit::Session>(package);
    session->Cost();
    return session;
  }

  UINT Run(const char* action, kit::Session& session) {
    return library.Call(action, session.handle());
  }

 private:
  int packages_ = 0;
};

}  // namespace hosttest
