#include "files/host_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>

namespace winsim::detail {
namespace {

struct Descriptor {
  int fd = -1;
  explicit Descriptor(int value) : fd(value) {}
  ~Descriptor() {
    if (fd >= 0) close(fd);
  }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
};

bool CopyBytes(int from, int to) {
  char buffer[65536];
  for (;;) {
    ssize_t got = read(from, buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return false;
    if (got == 0) return true;
    for (ssize_t done = 0; done < got;) {
      ssize_t put = write(to, buffer + done, static_cast<size_t>(got - done));
      if (put < 0 && errno == EINTR) continue;
      if (put <= 0) return false;
      done += put;
    }
  }
}

}  // namespace

HostKind KindOnHost(const std::string& hostPath) {
  struct stat st;
  if (stat(hostPath.c_str(), &st) != 0) return HostKind::None;
  return S_ISDIR(st.st_mode) ? HostKind::Folder : HostKind::File;
}

bool HostIsDirectory(const std::string& hostPath) {
  return KindOnHost(hostPath) == HostKind::Folder;
}

bool HostExists(const std::string& hostPath) { return KindOnHost(hostPath) != HostKind::None; }

bool CopyHostFile(const std::string& from, const std::string& to) {
  Descriptor in(open(from.c_str(), O_RDONLY | O_CLOEXEC));
  struct stat st;
  if (in.fd < 0 || fstat(in.fd, &st) != 0) return false;
  const std::string part = to + ".part";
  bool copied = false;
  {
    Descriptor out(open(part.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600));
    copied = out.fd >= 0 && CopyBytes(in.fd, out.fd) && fchmod(out.fd, st.st_mode & 07777) == 0;
  }
  if (copied && rename(part.c_str(), to.c_str()) == 0) return true;
  unlink(part.c_str());
  return false;
}

bool MoveHostFile(const std::string& from, const std::string& to) {
  if (rename(from.c_str(), to.c_str()) == 0) return true;
  if (errno != EXDEV || KindOnHost(from) != HostKind::File) return false;
  return CopyHostFile(from, to) && unlink(from.c_str()) == 0;
}

bool RemoveHostTree(const std::string& folder, std::string& error) {
  std::error_code ec;
  std::filesystem::remove_all(folder, ec);
  if (ec) error = "cannot remove " + folder + ": " + ec.message();
  return !ec;
}

}  // namespace winsim::detail
