#include "kit.h"

namespace kit {
namespace {

struct Handle {
  MSIHANDLE value = 0;
  ~Handle() {
    if (value) MsiCloseHandle(value);
  }
};

void Run(MSIHANDLE database, const std::string& sql, MSIHANDLE parameters = 0) {
  Handle view;
  ASSERT_EQ(MsiDatabaseOpenViewA(database, sql.c_str(), &view.value), ERROR_SUCCESS) << sql;
  ASSERT_EQ(MsiViewExecute(view.value, parameters), ERROR_SUCCESS) << sql;
  MsiViewClose(view.value);
}

// Integer columns take their fields as numbers: SHORT, INT, INTEGER or LONG (not LONGCHAR).
bool IsIntegerColumn(const Table& table, const std::string& column) {
  std::size_t at = table.create.find("`" + column + "` ");
  if (at == std::string::npos) return false;
  std::string type = table.create.substr(at + column.size() + 3, 8);
  return type.rfind("SHORT", 0) == 0 || type.rfind("INT", 0) == 0 ||
         (type.rfind("LONG", 0) == 0 && type.rfind("LONGCHAR", 0) != 0);
}

void Insert(MSIHANDLE database, const Table& table, const std::vector<std::string>& row) {
  std::string columns, marks;
  for (std::size_t i = 0; i < row.size(); ++i) {
    columns += (i ? ", `" : "`") + table.columns.at(i) + "`";
    marks += i ? ", ?" : "?";
  }
  Handle record;
  record.value = MsiCreateRecord(static_cast<UINT>(row.size()));
  for (std::size_t i = 0; i < row.size(); ++i) {
    if (row[i].empty()) continue;
    UINT field = static_cast<UINT>(i + 1);
    if (IsIntegerColumn(table, table.columns.at(i)))
      MsiRecordSetInteger(record.value, field, std::stoi(row[i]));
    else
      MsiRecordSetStringA(record.value, field, row[i].c_str());
  }
  Handle view;
  ASSERT_EQ(
      MsiDatabaseOpenViewA(
          database,
          ("INSERT INTO `" + table.name + "` (" + columns + ") VALUES (" + marks + ")").c_str(),
          &view.value),
      ERROR_SUCCESS);
  ASSERT_EQ(MsiViewExecute(view.value, record.value), ERROR_SUCCESS) << table.name;
  MsiViewClose(view.value);
}

void SetSummary(MSIHANDLE database) {
  Handle summary;
  ASSERT_EQ(MsiGetSummaryInformationA(database, nullptr, 4, &summary.value), ERROR_SUCCESS);
  MsiSummaryInfoSetPropertyA(summary.value, PID_TEMPLATE, VT_LPSTR, 0, nullptr, "Intel;1033");
  MsiSummaryInfoSetPropertyA(summary.value, PID_REVNUMBER, VT_LPSTR, 0, nullptr,
                             "{8F3D6C2A-1B4E-4F5A-9C7D-2E6B1A3F4C5D}");
  MsiSummaryInfoSetPropertyA(summary.value, PID_PAGECOUNT, VT_I4, 200, nullptr, nullptr);
  MsiSummaryInfoSetPropertyA(summary.value, PID_WORDCOUNT, VT_I4, 2, nullptr, nullptr);
  ASSERT_EQ(MsiSummaryInfoPersist(summary.value), ERROR_SUCCESS);
}

}  // namespace

Table PropertyTable(const std::vector<std::pair<std::string, std::string>>& properties) {
  Table table{
      "CREATE TABLE `Property` (`Property` CHAR(72) NOT NULL, `Value` LONGCHAR NOT NULL "
      "PRIMARY KEY `Property`)",
      "Property",
      {"Property", "Value"},
      {}};
  for (const auto& property : properties) table.rows.push_back({property.first, property.second});
  return table;
}

Table DirectoryTable(const std::vector<std::vector<std::string>>& rows) {
  return Table{
      "CREATE TABLE `Directory` (`Directory` CHAR(72) NOT NULL, `Directory_Parent` "
      "CHAR(72), `DefaultDir` CHAR(255) NOT NULL LOCALIZABLE PRIMARY KEY `Directory`)",
      "Directory",
      {"Directory", "Directory_Parent", "DefaultDir"},
      rows};
}

std::vector<Table> CostingTables() {
  return {
      Table{"CREATE TABLE `Feature` (`Feature` CHAR(38) NOT NULL, `Feature_Parent` CHAR(38), "
            "`Title` CHAR(64) "
            "LOCALIZABLE, `Description` CHAR(255) LOCALIZABLE, `Display` SHORT, `Level` SHORT NOT "
            "NULL, "
            "`Directory_` CHAR(72), `Attributes` SHORT NOT NULL PRIMARY KEY `Feature`)",
            "Feature",
            {"Feature", "Level", "Attributes"},
            {{"Main", "1", "0"}}},
      Table{"CREATE TABLE `Component` (`Component` CHAR(72) NOT NULL, `ComponentId` CHAR(38), "
            "`Directory_` "
            "CHAR(72) NOT NULL, `Attributes` SHORT NOT NULL, `Condition` CHAR(255), `KeyPath` "
            "CHAR(72) "
            "PRIMARY KEY `Component`)",
            "Component",
            {"Component", "ComponentId", "Directory_", "Attributes"},
            {{"MainComponent", "{6C1F0D3A-5B2E-4E7A-9F41-0A8C2D5B7E19}", "TARGETDIR", "0"}}},
      Table{"CREATE TABLE `FeatureComponents` (`Feature_` CHAR(38) NOT NULL, `Component_` CHAR(72) "
            "NOT NULL "
            "PRIMARY KEY `Feature_`, `Component_`)",
            "FeatureComponents",
            {"Feature_", "Component_"},
            {{"Main", "MainComponent"}}},
  };
}

void WritePackage(const std::string& path, const std::vector<Table>& tables) {
  DeleteFileA(path.c_str());
  Handle database;
  ASSERT_EQ(MsiOpenDatabaseA(path.c_str(), MSIDBOPEN_CREATE, &database.value), ERROR_SUCCESS)
      << path;
  for (const Table& table : tables) {
    Run(database.value, table.create);
    for (const auto& row : table.rows) Insert(database.value, table, row);
  }
  SetSummary(database.value);
  ASSERT_EQ(MsiDatabaseCommit(database.value), ERROR_SUCCESS);
}

Session::Session(const std::string& packagePath) {
  UINT result = MsiOpenPackageA(packagePath.c_str(), &handle_);
  EXPECT_EQ(result, ERROR_SUCCESS) << "package " << packagePath;
}

Session::~Session() {
  if (handle_) MsiCloseHandle(handle_);
}

std::string Session::Property(const std::string& name) const {
  char buffer[4096];
  DWORD size = sizeof buffer;
  if (MsiGetPropertyA(handle_, name.c_str(), buffer, &size) != ERROR_SUCCESS) return "<error>";
  return std::string(buffer, size);
}

void Session::Cost() {
  for (const char* action : {"CostInitialize", "FileCost", "CostFinalize"})
    ASSERT_EQ(MsiDoActionA(handle_, action), ERROR_SUCCESS) << action;
}

std::string Session::TargetPath(const std::string& directory) const {
  char buffer[4096];
  DWORD size = sizeof buffer;
  UINT result = MsiGetTargetPathA(handle_, directory.c_str(), buffer, &size);
  if (result != ERROR_SUCCESS) return "<error " + std::to_string(result) + ">";
  return std::string(buffer, size);
}

void Session::SetProperty(const std::string& name, const std::string& value) {
  ASSERT_EQ(MsiSetPropertyA(handle_, name.c_str(), value.c_str()), ERROR_SUCCESS) << name;
}

}  // namespace kit
