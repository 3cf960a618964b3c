#include "package.h"

#include <algorithm>
#include <filesystem>
#include <vector>

#include "bench_error.h"
#include "winsim/machine.h"

namespace fs = std::filesystem;

namespace bench {
namespace {

struct Handle {
  MSIHANDLE value = 0;
  ~Handle() {
    if (value) MsiCloseHandle(value);
  }
};

bool HasSummaryProperty(MSIHANDLE summary, UINT property) {
  UINT type = VT_EMPTY;
  INT number = 0;
  FILETIME time{};
  char text[4] = "";
  DWORD size = sizeof text;
  UINT result = MsiSummaryInfoGetPropertyA(summary, property, &type, &number, &time, text, &size);
  return (result == ERROR_SUCCESS || result == ERROR_MORE_DATA) && type != VT_EMPTY;
}

// Windows Installer opens only a package whose summary names its platform, its package
// code and the installer version it needs; tables alone often lack them.
void CompleteSummary(MSIHANDLE database) {
  Handle summary;
  if (MsiGetSummaryInformationA(database, nullptr, 8, &summary.value) != ERROR_SUCCESS)
    throw BenchError("cannot write the package's summary information");
  if (!HasSummaryProperty(summary.value, PID_TEMPLATE))
    MsiSummaryInfoSetPropertyA(summary.value, PID_TEMPLATE, VT_LPSTR, 0, nullptr, "Intel;1033");
  if (!HasSummaryProperty(summary.value, PID_REVNUMBER))
    MsiSummaryInfoSetPropertyA(summary.value, PID_REVNUMBER, VT_LPSTR, 0, nullptr,
                               "{00000000-0000-0000-0000-00000000BE7C}");
  if (!HasSummaryProperty(summary.value, PID_PAGECOUNT))
    MsiSummaryInfoSetPropertyA(summary.value, PID_PAGECOUNT, VT_I4, 200, nullptr, nullptr);
  if (!HasSummaryProperty(summary.value, PID_WORDCOUNT))
    MsiSummaryInfoSetPropertyA(summary.value, PID_WORDCOUNT, VT_I4, 2, nullptr, nullptr);
  if (MsiSummaryInfoPersist(summary.value) != ERROR_SUCCESS)
    throw BenchError("cannot write the package's summary information");
}

void Execute(MSIHANDLE database, const char* sql) {
  Handle view;
  if (MsiDatabaseOpenViewA(database, sql, &view.value) != ERROR_SUCCESS ||
      MsiViewExecute(view.value, 0) != ERROR_SUCCESS)
    throw BenchError(std::string("cannot make the empty package: ") + sql);
}

std::string BuildFromTables(const std::string& folder, const std::string& scratch,
                            const std::string& windowsFolder) {
  std::vector<std::string> tables;
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(folder, error)) {
    std::string name = entry.path().filename().string();
    if (entry.is_regular_file() && name.size() > 4 && name.substr(name.size() - 4) == ".idt")
      tables.push_back(name);
  }
  if (error) throw BenchError("cannot read the package folder " + folder + ": " + error.message());
  if (tables.empty()) throw BenchError("the package folder " + folder + " holds no .idt tables");
  std::sort(tables.begin(), tables.end());
  fs::create_directories(scratch + "/tables", error);
  for (const std::string& table : tables)
    fs::copy_file(folder + "/" + table, scratch + "/tables/" + table,
                  fs::copy_options::overwrite_existing, error);
  if (error) throw BenchError("cannot read the package folder " + folder + ": " + error.message());

  const std::string path = windowsFolder + "\\package.msi";
  Handle database;
  if (MsiOpenDatabaseA(path.c_str(), MSIDBOPEN_CREATE, &database.value) != ERROR_SUCCESS)
    throw BenchError("cannot make a package from " + folder);
  const std::string tableFolder = windowsFolder + "\\tables";
  for (const std::string& table : tables)
    if (MsiDatabaseImportA(database.value, tableFolder.c_str(), table.c_str()) != ERROR_SUCCESS)
      throw BenchError("package table " + folder + "/" + table +
                       " is not a valid .idt table (tab-separated: names, types, table and keys)");
  CompleteSummary(database.value);
  if (MsiDatabaseCommit(database.value) != ERROR_SUCCESS)
    throw BenchError("cannot make a package from " + folder);
  return path;
}

std::string BuildEmpty(const std::string& windowsFolder) {
  const std::string path = windowsFolder + "\\package.msi";
  Handle database;
  if (MsiOpenDatabaseA(path.c_str(), MSIDBOPEN_CREATE, &database.value) != ERROR_SUCCESS)
    throw BenchError("cannot make the empty package");
  Execute(database.value,
          "CREATE TABLE `Property` (`Property` CHAR(72) NOT NULL, `Value` LONGCHAR NOT NULL "
          "PRIMARY KEY `Property`)");
  CompleteSummary(database.value);
  if (MsiDatabaseCommit(database.value) != ERROR_SUCCESS)
    throw BenchError("cannot make the empty package");
  return path;
}

}  // namespace

void MapPackageDrive(const std::string& scratchFolder) {
  winsim::MapDrive(kPackageDrive, scratchFolder);
}

std::string PreparePackage(const std::string& given, const std::string& scratchFolder, int slot) {
  const std::string hostFolder = scratchFolder + "/" + std::to_string(slot);
  const std::string windowsFolder = std::string(1, kPackageDrive) + ":\\" + std::to_string(slot);
  std::error_code error;
  fs::create_directories(hostFolder, error);
  if (given.empty()) return BuildEmpty(windowsFolder);
  if (fs::is_directory(given, error)) return BuildFromTables(given, hostFolder, windowsFolder);
  if (!fs::is_regular_file(given, error)) throw BenchError("no package at " + given);
  const std::string name = fs::path(given).filename().string();
  fs::copy_file(given, hostFolder + "/" + name, error);
  if (error) throw BenchError("cannot read the package " + given + ": " + error.message());
  return windowsFolder + "\\" + name;
}

}  // namespace bench
