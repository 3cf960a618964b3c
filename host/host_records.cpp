#include "host_records.h"

#include "foundation/registry_key.h"

namespace {

const char kHostRoot[] = "SOFTWARE\\Quorvel\\Draxon";
const DWORD kValueCapacity = MAX_PATH;

// A product key's value as text in a 260-byte buffer, whatever its type. False when it
// is missing or does not fit; `missing` tells which.
bool ReadValueText(const RegistryKey& key, const char* name, std::string& text, bool& missing) {
  char buffer[kValueCapacity + 1];
  DWORD size = kValueCapacity;
  LSTATUS status = RegQueryValueExA(key.Handle(), name, nullptr, nullptr,
                                    reinterpret_cast<BYTE*>(buffer), &size);
  missing = status == ERROR_FILE_NOT_FOUND;
  if (status != ERROR_SUCCESS) return false;
  buffer[size] = '\0';  // data stored without its NUL still ends here
  text = buffer;
  return true;
}

std::vector<std::string> ReleasePaths(const std::string& releaseFilter) {
  std::vector<std::string> paths;
  if (!releaseFilter.empty()) {
    paths.push_back(std::string(kHostRoot) + "\\" + releaseFilter);
    return paths;
  }
  RegistryKey root(HKEY_LOCAL_MACHINE, kHostRoot);
  std::string name;
  for (DWORD index = 0; root.EnumSubKey(index, name); ++index)
    paths.push_back(std::string(kHostRoot) + "\\" + name);
  return paths;
}

bool ProductKeyPasses(const std::string& name, const std::string& productFilter) {
  if (!productFilter.empty()) return name.find("DRXN-" + productFilter + ":") != std::string::npos;
  return name.rfind("DRXN", 0) == 0 || name.rfind("DXLE", 0) == 0;
}

// The record of one product key, or false when a value is missing or too long.
bool ReadHostRecord(const std::string& productPath, std::string& record) {
  RegistryKey product(HKEY_LOCAL_MACHINE, productPath.c_str());
  if (!product.IsOpen()) return false;

  std::size_t releaseStart = std::string(kHostRoot).size() + 1;
  std::size_t releaseEnd = productPath.find('\\', releaseStart);
  std::string release = productPath.substr(releaseStart, releaseEnd - releaseStart);
  std::string productKey = productPath.substr(releaseEnd + 1);

  std::string name, language, location, productId, localeId, abbreviation, netSupport;
  bool missing = false;
  if (!ReadValueText(product, "ProductName", name, missing)) return false;
  if (!ReadValueText(product, "Language", language, missing)) return false;
  if (!ReadValueText(product, "DrxnLocation", location, missing) &&
      !(missing && ReadValueText(product, "Location", location, missing)))
    return false;
  if (!ReadValueText(product, "ProductId", productId, missing)) return false;
  if (!ReadValueText(product, "LocaleId", localeId, missing)) return false;
  if (!ReadValueText(product, "LangAbbrev", abbreviation, missing)) return false;
  if (!ReadValueText(product, "NetSupport", netSupport, missing)) return false;

  record = name + ";" + language + ";" + release + ";" + productKey + ";" + location + ";" +
           productId + ";" + localeId + ";" + abbreviation + ";" + netSupport;
  return true;
}

}  // namespace

std::size_t CollectHostRecords(const std::string& releaseFilter, const std::string& productFilter,
                               std::vector<std::string>& records) {
  std::vector<std::string> productPaths;
  for (const std::string& releasePath : ReleasePaths(releaseFilter)) {
    RegistryKey release(HKEY_LOCAL_MACHINE, releasePath.c_str());
    std::string name;
    for (DWORD index = 0; release.EnumSubKey(index, name); ++index)
      if (ProductKeyPasses(name, productFilter)) productPaths.push_back(releasePath + "\\" + name);
  }
  for (const std::string& productPath : productPaths) {
    std::string record;
    if (ReadHostRecord(productPath, record)) records.push_back(record);
  }
  return records.size();
}

std::vector<std::string> SplitHostRecord(const std::string& record) {
  std::vector<std::string> pieces;
  std::size_t start = 0;
  for (std::size_t end; (end = record.find(';', start)) != std::string::npos; start = end + 1)
    pieces.push_back(record.substr(start, end - start));
  pieces.push_back(record.substr(start));
  return pieces;
}

std::string RecordPiece(const std::vector<std::string>& pieces, std::size_t number) {
  return number >= 1 && number <= pieces.size() ? pieces[number - 1] : "";
}
