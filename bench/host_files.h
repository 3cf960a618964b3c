// The bench's own file access on the host: the machine folder's settings, registry and
// attributes files, packages and reports. (Actions reach files only through the
// simulated machine.)
#pragma once

#include <string>

namespace bench {

bool ReadHostFile(const std::string& path, std::string& content);
// Writes through a temporary file beside the target and a rename, so that a reader never
// sees half a file.
void WriteHostFileAtomically(const std::string& path, const std::string& content);

// A temporary host folder removed with all it holds when the object goes.
class ScratchDir {
 public:
  ScratchDir();
  ~ScratchDir();
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

}  // namespace bench
