// Installer databases: opening package files and reading tables.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "installer/msi_objects.h"

namespace winsim::detail::msi {

bool IsHostFile(const std::string& hostPath);

// A database object over the file at a host path; null when it is not one.
std::shared_ptr<Database> OpenHostDatabase(const std::string& hostPath, guint flags,
                                           const char* outputHostPath = nullptr);

bool HasTable(LibmsiDatabase* db, const std::string& table);

// Every row of a SELECT as text, `columns` fields each (null fields read as ""); no rows
// when the table is missing, which packages are free to leave out.
std::vector<std::vector<std::string>> SelectText(LibmsiDatabase* db, const std::string& table,
                                                 const std::string& sql, guint columns);

}  // namespace winsim::detail::msi
