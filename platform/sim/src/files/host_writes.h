// Host files another part of the machine writes beside the Win32 calls (the installer's
// database files through libmsi): recorded in the change journal before, and learnt by
// the folder cache after.
#pragma once

#include <initializer_list>
#include <string>
#include <vector>

namespace winsim::detail {

struct JournalOp;

class HostFileWrites {
 public:
  explicit HostFileWrites(std::initializer_list<std::string> hostPaths);
  ~HostFileWrites();
  HostFileWrites(const HostFileWrites&) = delete;
  HostFileWrites& operator=(const HostFileWrites&) = delete;
  // False when the journal could not record them: the write must not be made.
  bool ok() const { return ok_; }

 private:
  std::vector<JournalOp> ops_;
  bool ok_ = true;
};

}  // namespace winsim::detail
