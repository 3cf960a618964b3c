#include <cstdio>

#include "file_work.h"

namespace speed {

FilePaths MakeFilePaths(const FileShape& shape, const std::string& root, char separator) {
  FilePaths paths;
  paths.top = root + separator + shape.top;
  long index = 0;
  auto addFiles = [&](const std::string& folder) {
    for (int i = 0; i < shape.perFolder; ++i, ++index) {
      char name[32];
      std::snprintf(name, sizeof name, "%cfile%06ld.txt", separator, index);
      paths.files.push_back(folder + name);
      std::snprintf(name, sizeof name, "%cmoved%06ld.txt", separator, index);
      paths.moved.push_back(folder + name);
    }
  };
  if (shape.folders == 0) addFiles(paths.top);
  for (int f = 0; f < shape.folders; ++f) {
    char name[16];
    std::snprintf(name, sizeof name, "%cdir%03d", separator, f);
    paths.folders.push_back(paths.top + name);
    addFiles(paths.folders.back());
  }
  return paths;
}

}  // namespace speed
