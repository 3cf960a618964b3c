#include "host_files.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "bench_error.h"

namespace bench {

bool ReadHostFile(const std::string& path, std::string& content) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::ostringstream text;
  text << in.rdbuf();
  if (in.bad()) return false;
  content = text.str();
  return true;
}

void WriteHostFileAtomically(const std::string& path, const std::string& content) {
  const std::string temporary = path + ".cabench-new";
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    out << content;
    out.flush();
    if (!out) throw BenchError("cannot write " + temporary);
  }
  std::error_code error;
  std::filesystem::rename(temporary, path, error);
  if (error) throw BenchError("cannot replace " + path + ": " + error.message());
}

ScratchDir::ScratchDir() {
  const char* base = std::getenv("TMPDIR");
  std::string pattern = std::string(base && *base ? base : "/tmp") + "/cabench-XXXXXX";
  if (mkdtemp(&pattern[0]) == nullptr) throw BenchError("cannot make a temporary folder");
  path_ = pattern;
}

ScratchDir::~ScratchDir() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

}  // namespace bench
